// GetTempPathA: the first non-empty of TMP, TEMP, TMPDIR, else /tmp; made
// absolute against the current directory and ended with '/'. The directory is
// not checked for existence.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/posix/include/win32_subset.h"

namespace {

std::string TempDirectorySetting() {
  for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "/tmp";
}

}  // namespace

WINSUB_API DWORD WINAPI GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  std::filesystem::path directory(TempDirectorySetting());
  if (directory.is_relative()) {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return 0;
    }
    directory = current / directory;
  }
  std::string text = directory.lexically_normal().string();
  if (text.empty() || text.back() != '/') text += '/';
  const auto length = static_cast<DWORD>(text.size());
  // Too small a buffer is left as it is; the answer is the size it needs.
  if (buffer == nullptr || bufferLength <= length) return length + 1;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return length;
}
