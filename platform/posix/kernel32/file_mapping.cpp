// POSIX to Windows mapping of file errors, attributes and times.
#include "platform/posix/kernel32/file_mapping.h"

#include <cerrno>
#include <cstdint>

namespace winsub {

namespace {

bool DirectoryPartExists(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const auto slash = trimmed.rfind('/');
  if (slash == std::string::npos) return true;  // relative to the current directory
  const std::string directory = slash == 0 ? std::string("/") : trimmed.substr(0, slash);
  struct stat info {};
  return stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

DWORD WindowsErrorFor(int error, const std::string& path) {
  switch (error) {
    case ENOENT:
      return DirectoryPartExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case ENAMETOOLONG:
      return ErrorFilenameExcedRange;
    case ELOOP:
    case EINVAL:
      return ERROR_INVALID_NAME;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
      return ErrorTooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
      return ErrorDiskFull;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

DWORD AttributesFromStat(const std::string& name, const struct stat& info) {
  DWORD attributes = 0;
  if (S_ISDIR(info.st_mode)) {
    attributes |= FILE_ATTRIBUTE_DIRECTORY;
  } else if (S_ISREG(info.st_mode)) {
    attributes |= FILE_ATTRIBUTE_ARCHIVE;
  } else {
    attributes |= FILE_ATTRIBUTE_SYSTEM;
  }
  if ((info.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") {
    attributes |= FILE_ATTRIBUTE_HIDDEN;
  }
  return attributes;
}

std::string LastComponent(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const auto slash = trimmed.rfind('/');
  if (slash == std::string::npos || trimmed.size() == 1) return trimmed;
  return trimmed.substr(slash + 1);
}

FILETIME FileTimeFromTimespec(const timespec& time) {
  constexpr int64_t SecondsFrom1601To1970 = 11644473600LL;
  constexpr int64_t TicksPerSecond = 10000000LL;
  const int64_t seconds = static_cast<int64_t>(time.tv_sec) + SecondsFrom1601To1970;
  uint64_t ticks = 0;
  if (seconds >= 0) {
    ticks = static_cast<uint64_t>(seconds) * TicksPerSecond +
            static_cast<uint64_t>(time.tv_nsec / 100);
  }
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace winsub
