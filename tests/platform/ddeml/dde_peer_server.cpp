// A well-behaved DDE server in a process of its own, built on libwinsub and
// served from a plain GetMessageA loop:
//   peer_server <service>
// Accepts any topic; executes are acknowledged, "quit" ends the loop (and the
// process, which removes its socket on the way out); request "answer" gives
// the four bytes of 42, "echo" the last command executed.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/posix/include/win32_subset.h"

namespace {

DWORD instance = 0;
std::string lastCommand;

HDDEDATA CALLBACK Serve(UINT type, UINT format, HCONV, HSZ, HSZ item, HDDEDATA data, ULONG_PTR,
                        ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT: return reinterpret_cast<HDDEDATA>(1);
    case XTYP_EXECUTE: {
      DWORD size = 0;
      const LPBYTE bytes = DdeAccessData(data, &size);
      lastCommand.assign(reinterpret_cast<const char*>(bytes), size);
      DdeUnaccessData(data);
      if (std::strcmp(lastCommand.c_str(), "quit") == 0) PostQuitMessage(0);
      return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    case XTYP_REQUEST: {
      char name[64] = {};
      DdeQueryStringA(instance, item, name, sizeof name, CP_WINANSI);
      if (std::strcmp(name, "answer") == 0) {
        BYTE value[] = {42, 0, 0, 0};
        return DdeCreateDataHandle(instance, value, 4, 0, item, format, 0);
      }
      if (std::strcmp(name, "echo") == 0) {
        return DdeCreateDataHandle(instance, reinterpret_cast<LPBYTE>(lastCommand.data()),
                                   static_cast<DWORD>(lastCommand.size()), 0, item, format, 0);
      }
      return nullptr;
    }
    default: return nullptr;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 64;
  if (DdeInitializeA(&instance, Serve, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) return 1;
  const HSZ service = DdeCreateStringHandleA(instance, argv[1], CP_WINANSI);
  if (DdeNameService(instance, service, nullptr, DNS_REGISTER) == nullptr) return 2;
  std::puts("ready");
  std::fflush(stdout);
  MSG msg{};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DdeFreeStringHandle(instance, service);
  return DdeUninitialize(instance) ? 0 : 3;
}
