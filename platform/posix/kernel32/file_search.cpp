// FindFirstFileA / FindNextFileA / FindClose over a directory listing. The last
// path component may hold '*' (any run) and '?' (one character); names match
// case-sensitively, as the file system does. Every entry is returned whatever
// its attributes ("." and ".." included): filtering by attribute is the
// caller's business. The matching names are taken when the search starts, in
// byte order; each one's details are read as it is handed out.
#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/posix/include/win32_subset.h"
#include "platform/posix/kernel32/file_mapping.h"
#include "platform/posix/kernel32/handle_table.h"

namespace {

struct FindSearch final : winsub::KernelObject {
  FindSearch() : KernelObject(winsub::HandleKind::FindSearch) {}
  std::string directory;  // with its trailing '/', or empty for the current one
  std::vector<std::string> names;
  std::size_t next = 0;
};

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

// Whether the rest of a pattern may match nothing at all: only '*', or a final
// ".*" (so "*.*" takes names without a dot too, as it always has on Windows).
bool MatchesEmpty(const char* pattern) {
  while (*pattern == '*') ++pattern;
  if (*pattern == '.') {
    ++pattern;
    while (*pattern == '*') ++pattern;
  }
  return *pattern == '\0';
}

bool Matches(const char* pattern, const char* name) {
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (starPattern != nullptr) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  return MatchesEmpty(pattern);
}

// Fills `data` from the entry; false when it vanished since the listing.
bool FillFindData(const std::string& path, const std::string& name, WIN32_FIND_DATAA& data) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 && lstat(path.c_str(), &info) != 0) return false;
  std::memset(&data, 0, sizeof data);
  data.dwFileAttributes = winsub::AttributesFromStat(name, info);
  // Linux stat() keeps no creation time; the last write stands in for it.
  data.ftLastWriteTime = winsub::FileTimeFromTimespec(info.st_mtim);
  data.ftCreationTime = data.ftLastWriteTime;
  data.ftLastAccessTime = winsub::FileTimeFromTimespec(info.st_atim);
  if (!S_ISDIR(info.st_mode)) {
    const auto size = static_cast<uint64_t>(info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  }
  const std::size_t length = std::min(name.size(), sizeof data.cFileName - 1);
  std::memcpy(data.cFileName, name.data(), length);
  data.cFileName[length] = '\0';
  return true;
}

// Hands out the next entry that still exists.
bool NextEntry(FindSearch& search, WIN32_FIND_DATAA& data) {
  while (search.next < search.names.size()) {
    const std::string& name = search.names[search.next++];
    if (FillFindData(search.directory + name, name, data)) return true;
  }
  return false;
}

}  // namespace

WINSUB_API HANDLE WINAPI FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
  if (fileName == nullptr || findData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path(fileName);
  const auto slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);

  const std::string listed = directory.empty() ? std::string(".") : directory;
  struct stat directoryInfo {};
  if (stat(listed.c_str(), &directoryInfo) != 0 || !S_ISDIR(directoryInfo.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (pattern.empty()) {  // a name ending in '/' names no file
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }

  auto* search = new FindSearch();
  search->directory = directory;
  if (!HasWildcard(pattern)) {
    search->names.push_back(pattern);
  } else {
    DIR* stream = opendir(listed.c_str());
    if (stream == nullptr) {
      const int error = errno;
      delete search;
      SetLastError(winsub::WindowsErrorFor(error, listed));
      return INVALID_HANDLE_VALUE;
    }
    while (const dirent* entry = readdir(stream)) {
      if (Matches(pattern.c_str(), entry->d_name)) search->names.emplace_back(entry->d_name);
    }
    closedir(stream);
    std::sort(search->names.begin(), search->names.end());
  }

  WIN32_FIND_DATAA data{};
  if (!NextEntry(*search, data)) {
    delete search;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *findData = data;
  return winsub::RegisterHandle(search);
}

WINSUB_API BOOL WINAPI FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData) {
  auto* search = static_cast<FindSearch*>(winsub::LookUpHandle(findFile, winsub::HandleKind::FindSearch));
  if (search == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (findData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WIN32_FIND_DATAA data{};
  if (!NextEntry(*search, data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *findData = data;
  return TRUE;
}

WINSUB_API BOOL WINAPI FindClose(HANDLE findFile) {
  winsub::KernelObject* search = winsub::UnregisterHandle(findFile, winsub::HandleKind::FindSearch);
  if (search == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete search;
  return TRUE;
}
