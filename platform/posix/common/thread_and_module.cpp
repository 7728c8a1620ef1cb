// Thread ids and module handles as kernel32 hands them out.
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/posix/include/win32_subset.h"

namespace {
thread_local DWORD currentThreadId = 0;
// Stands for the process's image; only its being non-zero matters to callers.
int processImage = 0;
}  // namespace

WINSUB_API DWORD WINAPI GetCurrentThreadId(void) {
  if (currentThreadId == 0) currentThreadId = static_cast<DWORD>(syscall(SYS_gettid));
  return currentThreadId;
}

WINSUB_API HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
  if (name != nullptr) return nullptr;
  return reinterpret_cast<HMODULE>(&processImage);
}
