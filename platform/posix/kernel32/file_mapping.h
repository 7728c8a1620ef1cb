// Inside libwinsub only: how POSIX file facts map to their Windows forms
// (error codes, attributes, FILETIME), shared by the file functions.
#pragma once

#include <string>

#include <sys/stat.h>
#include <time.h>

#include "platform/posix/include/win32_subset.h"

namespace winsub {

// Windows codes the file functions report that the shared header leaves out.
inline constexpr DWORD ErrorTooManyOpenFiles = 4;
inline constexpr DWORD ErrorWriteFault = 29;
inline constexpr DWORD ErrorReadFault = 30;
inline constexpr DWORD ErrorDiskFull = 112;
inline constexpr DWORD ErrorFilenameExcedRange = 206;

// The Windows code for a failed call on `path` that left errno `error`.
// ENOENT becomes ERROR_PATH_NOT_FOUND when the directory part is missing too.
DWORD WindowsErrorFor(int error, const std::string& path);

// Windows attributes of an entry: `name` is its last path component (for the
// leading-dot rule), `info` what stat() says about it.
//   READONLY   no owner write permission
//   HIDDEN     name starts with '.' ("." and ".." excepted)
//   DIRECTORY  a directory
//   ARCHIVE    a regular file
//   SYSTEM     a socket, FIFO or device
DWORD AttributesFromStat(const std::string& name, const struct stat& info);

// The last component of a path ("a/b/" gives "b"; "/" gives "/").
std::string LastComponent(const std::string& path);

// 100 ns intervals since 1601-01-01 UTC; times before 1601 give 0.
FILETIME FileTimeFromTimespec(const timespec& time);

}  // namespace winsub
