// File attributes and deletion over POSIX permissions. Linux keeps no hidden or
// system flag: hidden is the leading-dot convention, system marks the special
// files (sockets, FIFOs, devices), read-only is the owner's missing write bit.
#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/include/win32_subset.h"
#include "platform/posix/kernel32/file_mapping.h"

namespace {

// stat(), or lstat() for a link whose target is gone (the link itself is then
// what exists under the name).
int StatEntry(const std::string& path, struct stat& info) {
  if (stat(path.c_str(), &info) == 0) return 0;
  const int error = errno;
  if (error == ENOENT && lstat(path.c_str(), &info) == 0) return 0;
  errno = error;
  return -1;
}

// The entry itself under the name (a link, not its target); sets the Windows
// error and answers false when there is none.
bool LstatEntry(LPCSTR fileName, struct stat& info) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (lstat(fileName, &info) != 0) {
    SetLastError(winsub::WindowsErrorFor(errno, fileName));
    return false;
  }
  return true;
}

}  // namespace

WINSUB_API DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  const std::string path(fileName);
  struct stat info {};
  if (StatEntry(path, info) != 0) {
    SetLastError(winsub::WindowsErrorFor(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  return winsub::AttributesFromStat(winsub::LastComponent(path), info);
}

// READONLY removes every write bit; without it the owner may write again (0 and
// NORMAL clear it). HIDDEN, SYSTEM and the rest cannot be kept here: ignored.
WINSUB_API BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  struct stat info {};
  if (!LstatEntry(fileName, info)) return FALSE;
  const std::string path(fileName);
  // Windows sets a link's own attributes, never its target's; a Linux link has
  // none to set. Following it would let a link planted in a shared directory
  // change the permissions of whatever file it names.
  if (S_ISLNK(info.st_mode)) return TRUE;
  mode_t mode = info.st_mode & 07777;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  } else {
    mode |= S_IWUSR;
  }
  if (mode != (info.st_mode & 07777) &&
      fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0) {
    SetLastError(winsub::WindowsErrorFor(errno, path));
    return FALSE;
  }
  return TRUE;
}

// Like Windows, a read-only file and a directory are refused; a symbolic link
// is removed itself, never its target.
WINSUB_API BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  struct stat info {};
  if (!LstatEntry(fileName, info)) return FALSE;
  const std::string path(fileName);
  if (S_ISDIR(info.st_mode) || (!S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (unlink(path.c_str()) != 0) {
    SetLastError(winsub::WindowsErrorFor(errno, path));
    return FALSE;
  }
  return TRUE;
}
