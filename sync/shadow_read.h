// Reading a shadow file back for the pull.
#pragma once

#include <cstddef>
#include <string>

namespace kvx {

// Reads the whole file into Text, at most Limit bytes. False when the file
// cannot be opened or read, or holds more than Limit bytes (it grew after its
// size was taken: Corvane may still be writing it, so it is taken next time).
bool ReadShadowText(const std::string& ShadowName, std::size_t Limit, std::string& Text);

}  // namespace kvx
