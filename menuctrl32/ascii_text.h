// Comparison of window class names and menu captions: case is ignored for the
// ASCII letters only, every other byte compares by value.
#pragma once

namespace kvx {

bool SameTextAscii(const char* Left, const char* Right);

}  // namespace kvx
