// Per-thread last-error slot, as kernel32 keeps it.
#include "platform/posix/include/win32_subset.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

WINSUB_API DWORD WINAPI GetLastError(void) { return lastError; }
WINSUB_API void WINAPI SetLastError(DWORD code) { lastError = code; }
