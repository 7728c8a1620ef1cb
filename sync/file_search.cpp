#include "sync/file_search.h"

#include "sync/file_names.h"

namespace kvx {

namespace {

constexpr DWORD SpecialAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

bool HasWildcard(const std::string& FileName) {
  return FileName.find_first_of("*?") != std::string::npos;
}

// Runs a search for FileName and hands each entry to Accept until it says yes.
// A name with wildcard characters (possible on some file systems) only matches
// an entry of exactly that name, so the search never stands for another file.
template <typename Predicate>
bool SearchExact(const std::string& FileName, Predicate Accept) {
  if (FileName.empty()) return false;
  WIN32_FIND_DATAA data{};
  HANDLE search = FindFirstFileA(FileName.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return false;
  const bool exactOnly = HasWildcard(FileName);
  const std::string wanted = FilePart(FileName);
  bool found = false;
  do {
    if (exactOnly && wanted != data.cFileName) continue;
    if (Accept(data)) {
      found = true;
      break;
    }
  } while (FindNextFileA(search, &data) != FALSE);
  FindClose(search);
  return found;
}

}  // namespace

int32_t DosStampOf(const FILETIME& Time) {
  FILETIME local{};
  WORD date = 0;
  WORD time = 0;
  if (FileTimeToLocalFileTime(&Time, &local) == FALSE) return 0;
  if (FileTimeToDosDateTime(&local, &date, &time) == FALSE) return 0;
  return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

bool FindPlainFile(const std::string& FileName, FoundFile* Found) {
  return SearchExact(FileName, [Found](const WIN32_FIND_DATAA& data) {
    if ((data.dwFileAttributes & SpecialAttributes) != 0) return false;
    if (Found != nullptr) {
      Found->Attributes = data.dwFileAttributes;
      Found->Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      Found->Stamp = DosStampOf(data.ftLastWriteTime);
      Found->WriteTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
    }
    return true;
  });
}

bool NonDirectoryExists(const std::string& FileName) {
  return SearchExact(FileName, [](const WIN32_FIND_DATAA& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  });
}

}  // namespace kvx
