// GetProfileIntA / GetProfileStringA over a WIN.INI-style file. The file is
// read afresh at every call, like Windows reads win.ini, and its path is looked
// up at every call too: WinsubSetProfilePath, else WINSUB_WIN_INI, else
// $HOME/.config/winsub/win.ini.
//
// File rules: "[section]" lines open sections, "key=value" lines inside them
// hold values, lines starting with ';' are comments. Section and key names
// match without regard to ASCII case; blanks around names and values do not
// count; the first of two equal sections or keys is the one read; a value in
// matching single or double quotes loses them. A line without '=' holds no key.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/include/win32_subset.h"
#include "platform/posix/include/winsub_control.h"

namespace {

std::mutex pathMutex;
std::optional<std::string> pathOverride;

std::string ProfilePath() {
  {
    std::lock_guard lock(pathMutex);
    if (pathOverride) return *pathOverride;
  }
  const char* configured = std::getenv("WINSUB_WIN_INI");
  if (configured != nullptr && *configured != '\0') return configured;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config/winsub/win.ini";
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The value of `key` in `section`, or nothing when either is missing.
std::optional<std::string> LookUpValue(std::string_view section, std::string_view key) {
  std::ifstream file(ProfilePath(), std::ios::binary);
  if (!file) return std::nullopt;
  section = Trim(section);
  key = Trim(key);
  bool inSection = false;
  std::string line;
  while (std::getline(file, line)) {
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';') continue;
    if (text.front() == '[') {
      if (inSection) return std::nullopt;  // only the first section of that name counts
      const auto close = text.find(']');
      const std::string_view name = Trim(text.substr(1, close == std::string_view::npos ? text.npos : close - 1));
      inSection = SameName(name, section);
      continue;
    }
    if (!inSection) continue;
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    if (!SameName(Trim(text.substr(0, equals)), key)) continue;
    return std::string(Unquote(Trim(text.substr(equals + 1))));
  }
  return std::nullopt;
}

// Copies `text` cut to size - 1 characters plus NUL; returns the count copied.
DWORD CopyCut(std::string_view text, LPSTR buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  const std::size_t count = text.size() < size ? text.size() : size - 1;
  if (count > 0) std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return static_cast<DWORD>(count);
}

}  // namespace

WINSUB_API void WinsubSetProfilePath(const char* path) {
  std::lock_guard lock(pathMutex);
  if (path != nullptr) {
    pathOverride = path;
  } else {
    pathOverride.reset();
  }
}

// Decimal prefix with an optional sign, taken modulo 2^32 (a negative number
// comes back as its two's complement); text without digits reads as 0.
WINSUB_API UINT WINAPI GetProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue) {
  if (appName == nullptr || keyName == nullptr) return static_cast<UINT>(defaultValue);
  const std::optional<std::string> value = LookUpValue(appName, keyName);
  if (!value) return static_cast<UINT>(defaultValue);
  std::string_view text = Trim(*value);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  uint32_t number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    number = number * 10u + static_cast<uint32_t>(c - '0');
  }
  return negative ? 0u - number : number;
}

// Missing: the default without its trailing blanks (NULL default: ""). The
// result is cut to fit the buffer; the return counts the characters without
// the NUL. Listing sections or keys (NULL names) is not offered.
WINSUB_API DWORD WINAPI GetProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultValue,
                                          LPSTR returnedString, DWORD size) {
  if (returnedString == nullptr || size == 0) return 0;
  if (appName == nullptr || keyName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return CopyCut("", returnedString, size);
  }
  const std::optional<std::string> value = LookUpValue(appName, keyName);
  if (value) return CopyCut(*value, returnedString, size);
  std::string_view fallback = defaultValue != nullptr ? std::string_view(defaultValue) : std::string_view();
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  SetLastError(ERROR_FILE_NOT_FOUND);
  return CopyCut(fallback, returnedString, size);
}
