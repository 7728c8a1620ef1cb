// A stand-in expert library for the host's loader tests. It exports both
// entry names and records how the host calls it. Environment switches:
// SIMIDE_TEST_EXPERT_REFUSE=1 makes the first call answer false (after writing
// the terminate procedure); SIMIDE_TEST_EXPERT_SUBCLASS=1 subclasses the
// parent window and never restores it.
#include <cstdlib>
#include <string>

#include "tests/simide/test_expert_log.h"

namespace {

TestExpertLog logbook;
WNDPROC savedProcedure = nullptr;

class TestExpert : public kvx::TIExpert {
 public:
  std::string GetName() override { return "Test Expert"; }
  std::string GetAuthor() override { return "tests"; }
  std::string GetComment() override { return ""; }
  std::string GetPage() override { return ""; }
  HICON GetGlyph() override { return nullptr; }
  kvx::TExpertStyle GetStyle() override { return kvx::esAddIn; }
  kvx::TExpertState GetState() override { return kvx::ExpertStateOf(kvx::esEnabled); }
  std::string GetIDString() override { return "tests.expert"; }
  std::string GetMenuText() override { return ""; }
  void Execute() override {}

 protected:
  ~TestExpert() override { logbook.expertDestroyed = true; }
};

class TestNotifier : public kvx::TIAddInNotifier {
 public:
  void FileNotification(kvx::TFileNotification, const std::string&, bool&) override {
    ++logbook.fileNotifications;
  }

 protected:
  ~TestNotifier() override { logbook.notifierDestroyed = true; }
};

void KVX_STDCALL Terminate() {
  logbook.terminateCalled = true;
  logbook.expertAliveAtTerminate = !logbook.expertDestroyed;
}

LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(savedProcedure, window, message, wParam, lParam);
}

bool Switch(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && std::string(value) == "1";
}

bool Enter(kvx::TIToolServices* services, kvx::TExpertRegisterProc registerProc,
           kvx::TExpertTerminateProc* terminate) {
  if (logbook.services != nullptr) return false;
  logbook.services = services;
  *terminate = &Terminate;
  if (Switch("SIMIDE_TEST_EXPERT_REFUSE")) return false;
  logbook.parentAtEntry = services->GetParentHandle();
  services->AddNotifier(new TestNotifier);
  if (Switch("SIMIDE_TEST_EXPERT_SUBCLASS")) {
    savedProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        logbook.parentAtEntry, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass)));
  }
  logbook.registerAnswered = registerProc(new TestExpert);
  return true;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) bool KVX_STDCALL INITEXPERT0016(
    kvx::TIToolServices* services, kvx::TExpertRegisterProc registerProc,
    kvx::TExpertTerminateProc* terminate) {
  ++logbook.calls0016;
  return Enter(services, registerProc, terminate);
}

extern "C" __attribute__((visibility("default"))) bool KVX_STDCALL INITEXPERT0017(
    kvx::TIToolServices* services, kvx::TExpertRegisterProc registerProc,
    kvx::TExpertTerminateProc* terminate) {
  ++logbook.calls0017;
  return Enter(services, registerProc, terminate);
}

extern "C" __attribute__((visibility("default"))) TestExpertLog* SimideTestExpertLog() {
  return &logbook;
}
