// DdeInitializeA, DdeUninitialize and DdeGetLastError.
#include "platform/posix/ddeml/dde_atoms.h"
#include "platform/posix/ddeml/dde_data.h"
#include "platform/posix/ddeml/dde_link.h"
#include "platform/posix/ddeml/dde_server.h"
#include "platform/posix/ddeml/dde_state.h"

using namespace winsub::dde;

WINSUB_API UINT WINAPI DdeInitializeA(LPDWORD idInst, PFNCALLBACK callback, DWORD cmd,
                                      DWORD /*reserved*/) {
  // A non-zero id asks to re-initialise an instance, which is not offered.
  if (idInst == nullptr || *idInst != 0 || callback == nullptr) return DMLERR_INVALIDPARAMETER;
  auto instance = std::make_unique<Instance>();
  instance->thread = CurrentThread();
  instance->callback = callback;
  instance->flags = cmd;
  *idInst = AddInstance(std::move(instance));
  return DMLERR_NO_ERROR;
}

WINSUB_API BOOL WINAPI DdeUninitialize(DWORD idInst) {
  Instance* instance = OwnInstance(idInst);
  if (instance == nullptr) return FALSE;
  // Partners see their conversations end; this instance's callback hears nothing more.
  for (const DWORD handle : ConversationsOf(idInst)) EndConversation(handle, false);
  UnregisterAllServices(*instance);
  ReleaseInstanceStrings(idInst);
  ReleaseInstanceData(idInst);
  RemoveInstance(idInst);
  return TRUE;
}

WINSUB_API UINT WINAPI DdeGetLastError(DWORD idInst) { return TakeInstanceError(idInst); }
