// Looking a file up by its exact name, as a search that admits no special
// attributes does: hidden files, system files and directories count as absent.
#pragma once

#include <cstdint>
#include <string>

#include "platform/winapi.h"

namespace kvx {

struct FoundFile {
  DWORD Attributes = 0;
  uint64_t Size = 0;
  int32_t Stamp = 0;       // local DOS date << 16 | DOS time; 0 when out of range
  uint64_t WriteTime = 0;  // last-write FILETIME (UTC, 100 ns) at full resolution
};

// True when a plain file (read-only and archive allowed) has this exact name.
bool FindPlainFile(const std::string& FileName, FoundFile* Found = nullptr);

// True when anything but a directory has this name, hidden files included.
bool NonDirectoryExists(const std::string& FileName);

// The packed, signed DOS stamp of a UTC file time, in local time; 0 when the
// time cannot be packed.
int32_t DosStampOf(const FILETIME& Time);

}  // namespace kvx
