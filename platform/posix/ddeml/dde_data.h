// DDE data handles: process-wide byte objects, each owned by the instance
// that made it (freed with it at DdeUninitialize).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/posix/ddeml/dde_frame.h"
#include "platform/posix/include/win32_subset.h"

namespace winsub::dde {

HDDEDATA NewDataHandle(DWORD instance, Bytes bytes, UINT format, std::uintptr_t item,
                       bool applicationOwned);

struct DataContents {
  Bytes bytes;
  UINT format = 0;
};
std::optional<DataContents> DataOf(HDDEDATA data);

// What the library does with a handle a callback returned: its contents,
// taken over (and the handle freed) unless the application keeps it.
std::optional<DataContents> TakeReturnedData(HDDEDATA data);

// The bytes of a handle handed to the library: a handle the application does
// not own is used up (freed) by this.
std::optional<Bytes> ConsumeData(HDDEDATA data);

// What the library does with a handle a callback returned: frees it unless
// the application keeps it.
void ReleaseReturnedData(HDDEDATA data);

bool FreeData(HDDEDATA data);
void ReleaseInstanceData(DWORD instance);

}  // namespace winsub::dde
