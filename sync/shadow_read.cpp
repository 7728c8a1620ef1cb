#include "sync/shadow_read.h"

#include <algorithm>
#include <cstdint>

#include "platform/winapi.h"

namespace kvx {

namespace {

constexpr std::size_t MaxReadPerCall = 1u << 30;

bool ReadAll(HANDLE File, std::size_t Limit, std::string& Text) {
  Text.assign(Limit, '\0');
  std::size_t count = 0;
  while (count < Limit) {
    const auto request = static_cast<DWORD>(std::min(Limit - count, MaxReadPerCall));
    DWORD got = 0;
    if (ReadFile(File, Text.data() + count, request, &got, nullptr) == FALSE) return false;
    if (got == 0) break;
    count += got;
  }
  Text.resize(count);
  if (count < Limit) return true;
  char extra = 0;
  DWORD got = 0;
  if (ReadFile(File, &extra, 1, &got, nullptr) == FALSE) return false;
  return got == 0;
}

}  // namespace

bool ReadShadowText(const std::string& ShadowName, std::size_t Limit, std::string& Text) {
  HANDLE file = CreateFileA(ShadowName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool read = ReadAll(file, Limit, Text);
  CloseHandle(file);
  if (!read) Text.clear();
  return read;
}

}  // namespace kvx
