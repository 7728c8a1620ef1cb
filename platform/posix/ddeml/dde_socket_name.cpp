#include "platform/posix/ddeml/dde_socket_name.h"

#include <cstdint>
#include <cstdio>

namespace winsub::dde {

namespace {

std::uint32_t NameHash(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string ServiceSocketName(std::string_view service, std::size_t maxLength) {
  std::string name;
  std::string lowered;
  for (const char raw : service) {
    const char c = LowerAscii(raw);
    lowered.push_back(c);
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-') {
      name.push_back(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      name += escaped;
    }
  }
  if (name.size() > maxLength && maxLength > 9) {
    char suffix[10];
    std::snprintf(suffix, sizeof suffix, "~%08x", NameHash(lowered));
    name.resize(maxLength - 9);
    // Never cut an escape in half.
    const std::size_t percent = name.rfind('%');
    if (percent != std::string::npos && percent + 3 > name.size()) name.resize(percent);
    name += suffix;
  }
  return name;
}

}  // namespace winsub::dde
