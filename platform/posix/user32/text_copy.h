// Text handed back into a caller's buffer the way user32 does it: at most
// size-1 characters and a NUL, never past the buffer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace winsub::user32 {

// size > 0; returns the number of characters copied.
inline int CopyTextTruncated(const std::string& text, char* buffer, int size) {
  const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

}  // namespace winsub::user32
