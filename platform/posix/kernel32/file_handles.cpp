// CreateFileA and the calls on its handles, over POSIX descriptors. Sharing
// modes are not enforced (Linux has no mandatory locks); descriptors are
// close-on-exec so that started programs do not inherit them.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include <sys/stat.h>

#include "platform/posix/include/win32_subset.h"
#include "platform/posix/include/winsub_control.h"
#include "platform/posix/kernel32/file_mapping.h"
#include "platform/posix/kernel32/handle_table.h"

namespace {

struct OpenFile final : winsub::KernelObject {
  explicit OpenFile(int descriptor) : KernelObject(winsub::HandleKind::File), fd(descriptor) {}
  ~OpenFile() override { close(fd); }
  int fd;
};

OpenFile* FileFor(HANDLE handle) {
  return static_cast<OpenFile*>(winsub::LookUpHandle(handle, winsub::HandleKind::File));
}

int AccessFlags(DWORD desiredAccess) {
  const bool read = (desiredAccess & GENERIC_READ) != 0;
  const bool write = (desiredAccess & GENERIC_WRITE) != 0;
  if (read && write) return O_RDWR;
  if (write) return O_WRONLY;
  return O_RDONLY;
}

struct Opened {
  int fd = -1;
  bool created = false;  // a new file, or an existing one replaced by CREATE_ALWAYS
  bool existed = false;  // for ERROR_ALREADY_EXISTS
  DWORD error = ERROR_SUCCESS;
};

Opened Fail(DWORD error) {
  Opened result;
  result.error = error;
  return result;
}

Opened FailErrno(int error, const std::string& path) { return Fail(winsub::WindowsErrorFor(error, path)); }

int OpenRetrying(const std::string& path, int flags, mode_t mode) {
  int fd = -1;
  do {
    fd = open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Opening a file that exists: a directory or, for CREATE_ALWAYS, a read-only
// file is refused as Windows refuses it.
Opened OpenExisting(const std::string& path, int flags, bool replacing) {
  if (replacing) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0) {
      return Fail(ERROR_ACCESS_DENIED);
    }
  }
  const int fd = OpenRetrying(path, flags, 0);
  if (fd < 0) return FailErrno(errno, path);
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    close(fd);
    return Fail(ERROR_ACCESS_DENIED);
  }
  Opened result;
  result.fd = fd;
  result.existed = true;
  result.created = replacing;
  return result;
}

// Creates the file when it does not exist (O_EXCL: nothing planted at the name
// is followed), else opens the existing one when the disposition allows it.
Opened CreateOrOpen(const std::string& path, int access, mode_t mode, bool mayOpenExisting,
                    bool replacing) {
  // A name removed between the two tries is tried again, a few times.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int fd = OpenRetrying(path, access | O_CREAT | O_EXCL, mode);
    if (fd >= 0) {
      Opened result;
      result.fd = fd;
      result.created = true;
      return result;
    }
    if (errno != EEXIST) return FailErrno(errno, path);
    if (!mayOpenExisting) return Fail(ERROR_FILE_EXISTS);
    Opened existing = OpenExisting(path, access | (replacing ? O_TRUNC : 0), replacing);
    if (existing.fd >= 0 || existing.error != ERROR_FILE_NOT_FOUND) return existing;
  }
  return Fail(ERROR_ACCESS_DENIED);
}

Opened OpenByDisposition(const std::string& path, int access, DWORD disposition, mode_t mode) {
  switch (disposition) {
    case CREATE_NEW:
      return CreateOrOpen(path, access, mode, false, false);
    case CREATE_ALWAYS:
      return CreateOrOpen(path, access, mode, true, true);
    case OPEN_ALWAYS:
      return CreateOrOpen(path, access, mode, true, false);
    case OPEN_EXISTING:
      return OpenExisting(path, access, false);
    case TRUNCATE_EXISTING:
      if (access == O_RDONLY) return Fail(ERROR_INVALID_PARAMETER);
      return OpenExisting(path, access | O_TRUNC, false);
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
}

}  // namespace

// FILE_ATTRIBUTE_TEMPORARY: the file is made private to the user (0600), since
// the temporary directory is shared by all users here. FILE_ATTRIBUTE_READONLY
// makes a created file read-only once it exists; the handle stays writable.
WINSUB_API HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                                     LPSECURITY_ATTRIBUTES /*securityAttributes*/,
                                     DWORD creationDisposition, DWORD flagsAndAttributes,
                                     HANDLE /*templateFile*/) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (WinsubFaultStrikes(WINSUB_FAULT_CREATE_FILE)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path(fileName);
  const bool temporary = (flagsAndAttributes & FILE_ATTRIBUTE_TEMPORARY) != 0;
  const mode_t mode = temporary ? 0600 : 0666;
  const Opened opened = OpenByDisposition(path, AccessFlags(desiredAccess), creationDisposition, mode);
  if (opened.fd < 0) {
    SetLastError(opened.error);
    return INVALID_HANDLE_VALUE;
  }
  if (opened.created) {
    struct stat info {};
    if (fstat(opened.fd, &info) == 0) {
      mode_t wanted = info.st_mode & 07777;
      if (temporary) wanted &= 0700;  // a replaced file keeps no group or other access
      if ((flagsAndAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        wanted &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
      }
      if (wanted != (info.st_mode & 07777)) (void)fchmod(opened.fd, wanted);
    }
  }
  SetLastError(opened.existed &&
                       (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return winsub::RegisterHandle(new OpenFile(opened.fd));
}

WINSUB_API BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                                LPOVERLAPPED /*overlapped*/) {
  if (bytesRead != nullptr) *bytesRead = 0;
  OpenFile* open = FileFor(file);
  if (open == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (buffer == nullptr && bytesToRead > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (WinsubFaultStrikes(WINSUB_FAULT_READ_FILE)) {
    SetLastError(winsub::ErrorReadFault);
    return FALSE;
  }
  // A disk file gives all that was asked for unless the end comes first.
  DWORD total = 0;
  auto* bytes = static_cast<char*>(buffer);
  while (total < bytesToRead) {
    const ssize_t got = read(open->fd, bytes + total, bytesToRead - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      if (bytesRead != nullptr) *bytesRead = total;
      SetLastError(errno == EBADF ? ERROR_ACCESS_DENIED : winsub::ErrorReadFault);
      return FALSE;
    }
    if (got == 0) break;
    total += static_cast<DWORD>(got);
  }
  if (bytesRead != nullptr) *bytesRead = total;
  return TRUE;
}

WINSUB_API BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite,
                                 LPDWORD bytesWritten, LPOVERLAPPED /*overlapped*/) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  OpenFile* open = FileFor(file);
  if (open == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (buffer == nullptr && bytesToWrite > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (WinsubFaultStrikes(WINSUB_FAULT_WRITE_FILE)) {
    SetLastError(winsub::ErrorWriteFault);
    return FALSE;
  }
  DWORD wanted = bytesToWrite;
  if (WinsubFaultStrikes(WINSUB_FAULT_WRITE_FILE_SHORT)) wanted = bytesToWrite / 2;
  DWORD total = 0;
  const auto* bytes = static_cast<const char*>(buffer);
  while (total < wanted) {
    const ssize_t put = write(open->fd, bytes + total, wanted - total);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      const int error = errno;
      if (bytesWritten != nullptr) *bytesWritten = total;
      SetLastError(error == EBADF ? ERROR_ACCESS_DENIED
                                  : (error == ENOSPC || error == EDQUOT ? winsub::ErrorDiskFull
                                                                        : winsub::ErrorWriteFault));
      return FALSE;
    }
    total += static_cast<DWORD>(put);
  }
  if (bytesWritten != nullptr) *bytesWritten = total;
  return TRUE;
}

WINSUB_API DWORD WINAPI GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
  constexpr DWORD InvalidFileSize = 0xFFFFFFFFu;
  OpenFile* open = FileFor(file);
  if (open == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return InvalidFileSize;
  }
  struct stat info {};
  if (fstat(open->fd, &info) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return InvalidFileSize;
  }
  const auto size = static_cast<uint64_t>(info.st_size);
  if (fileSizeHigh != nullptr) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  const auto low = static_cast<DWORD>(size & 0xFFFFFFFFu);
  // The size that looks like the failure value: callers tell them apart this way.
  if (low == InvalidFileSize) SetLastError(ERROR_SUCCESS);
  return low;
}

WINSUB_API BOOL WINAPI CloseHandle(HANDLE object) {
  winsub::KernelObject* open = winsub::UnregisterHandle(object, winsub::HandleKind::File);
  if (open == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete open;
  return TRUE;
}
