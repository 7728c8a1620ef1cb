// The expert object the IDE lists, the terminate procedure and the exception
// reporter of the expert's operations.
#pragma once

#include "contracts/toolintf.h"

namespace kvx {

class TKVXExpert : public TIExpert {
 public:
  int GetVersion() override;
  std::string GetName() override;
  std::string GetAuthor() override;
  std::string GetComment() override;
  std::string GetPage() override;  // not implemented: a call is a run-time error
  HICON GetGlyph() override;
  TExpertStyle GetStyle() override;
  TExpertState GetState() override;
  std::string GetIDString() override;
  std::string GetMenuText() override;  // not implemented
  void Execute() override;             // not implemented
};

// The terminate procedure handed to the host.
void KVX_STDCALL ExpertDone();

// Called only from inside an exception handler: hands the message to the host.
void ReportException();

}  // namespace kvx
