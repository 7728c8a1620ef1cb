// RegisterWindowMessageA: one id per name, names compared without regard to
// ASCII case. The table lives in a file beside the DDE sockets, locked while
// it is read and extended, so that programs of the same user sharing that
// directory agree on the ids; each process keeps what it learnt.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/include/winsub_control.h"

namespace {

constexpr UINT FirstId = 0xC000;
constexpr UINT LastId = 0xFFFF;
constexpr std::size_t NameLimit = 255;

struct Entry {
  std::string name;
  UINT id;
};

std::mutex tableMutex;
std::vector<Entry>& Known() {
  static auto* known = new std::vector<Entry>;
  return *known;
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

const Entry* FindKnown(const std::string& name) {
  for (const auto& entry : Known())
    if (SameName(entry.name, name)) return &entry;
  return nullptr;
}

// Names are kept in hex so that any byte may appear in them.
std::string ToHex(const std::string& text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : text) {
    hex.push_back(digits[c >> 4]);
    hex.push_back(digits[c & 0x0F]);
  }
  return hex;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool FromHex(const std::string& hex, std::string& text) {
  if (hex.size() % 2 != 0) return false;
  text.clear();
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    text.push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

std::string ReadAll(int fd) {
  std::string content;
  char buffer[4096];
  lseek(fd, 0, SEEK_SET);
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  return content;
}

// Takes every "ID HEXNAME" line of the shared file into the process table.
// Returns the highest id seen.
UINT MergeFile(const std::string& content) {
  UINT highest = 0;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) break;  // a line still being written
    const std::string line = content.substr(start, end - start);
    start = end + 1;
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    unsigned long id = std::strtoul(line.substr(0, space).c_str(), nullptr, 16);
    std::string name;
    if (id < FirstId || id > LastId || !FromHex(line.substr(space + 1), name)) continue;
    highest = std::max(highest, static_cast<UINT>(id));
    if (FindKnown(name) == nullptr) Known().push_back(Entry{name, static_cast<UINT>(id)});
  }
  return highest;
}

UINT HighestKnown() {
  UINT highest = 0;
  for (const auto& entry : Known()) highest = std::max(highest, entry.id);
  return highest;
}

// Registers through the shared file; 0 when the file cannot be used.
UINT RegisterShared(const std::string& name, bool& full) {
  const std::string path = std::string(WinsubDdeDirectory()) + "/registered-messages";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return 0;
  UINT id = 0;
  if (flock(fd, LOCK_EX) == 0) {
    const UINT highest = std::max(MergeFile(ReadAll(fd)), HighestKnown());
    if (const Entry* entry = FindKnown(name)) {
      id = entry->id;
    } else if (highest >= LastId) {
      full = true;
    } else {
      const UINT next = highest < FirstId ? FirstId : highest + 1;
      char prefix[16];
      std::snprintf(prefix, sizeof prefix, "%04X ", next);
      const std::string line = prefix + ToHex(name) + "\n";
      lseek(fd, 0, SEEK_END);
      if (write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
        Known().push_back(Entry{name, next});
        id = next;
      }
    }
    flock(fd, LOCK_UN);
  }
  close(fd);
  return id;
}

}  // namespace

WINSUB_API UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
  if (name == nullptr || name[0] == '\0' || std::strlen(name) > NameLimit) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string wanted = name;
  std::lock_guard lock(tableMutex);
  if (const Entry* entry = FindKnown(wanted)) return entry->id;
  bool full = false;
  if (const UINT id = RegisterShared(wanted, full)) return id;
  if (full || HighestKnown() >= LastId) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  // Without the shared file the ids hold within this process.
  const UINT highest = HighestKnown();
  const UINT id = highest < FirstId ? FirstId : highest + 1;
  Known().push_back(Entry{wanted, id});
  return id;
}
