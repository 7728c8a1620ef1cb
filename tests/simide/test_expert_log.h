// What the test expert library records of the host's calls; the test reads it
// through the library's exported SimideTestExpertLog.
#pragma once

#include "contracts/toolintf.h"

struct TestExpertLog {
  int calls0016 = 0;
  int calls0017 = 0;
  kvx::TIToolServices* services = nullptr;
  HWND parentAtEntry = nullptr;
  bool registerAnswered = false;
  int fileNotifications = 0;
  bool terminateCalled = false;
  bool expertAliveAtTerminate = false;
  bool expertDestroyed = false;
  bool notifierDestroyed = false;
};

using TestExpertLogProc = TestExpertLog* (*)();
