#include "sync/tracked_modules.h"

#include "menuctrl32/debugger_idle.h"
#include "shell/globals.h"
#include "sync/shadow_files.h"

namespace kvx {

uint16_t FindTrackedModule(const std::string& FileName) {
  for (uint16_t i = 1; i <= TrackedCount; ++i) {
    if (TrackedModules[i]->FileName == FileName) return i;
  }
  return 0;
}

void DeleteTrackedEntry(uint16_t Index) {
  if (Index == 0) return;
  for (uint16_t p = Index; p < TrackedCount; ++p) TrackedModules[p] = TrackedModules[p + 1];
  --TrackedCount;
}

namespace {

uint16_t IndexOfRecord(const KvxModuleNotifier* Record) {
  for (uint16_t i = 1; i <= TrackedCount; ++i) {
    if (TrackedModules[i] == Record) return i;
  }
  return 0;
}

}  // namespace

void ForgetTrackedModule(const std::string& FileName) {
  DeleteTrackedEntry(FindTrackedModule(FileName));
}

void CheckModuleRenamed(KvxModuleNotifier* Record) {
  if (!IsDebuggerIdle()) return;
  RecordHold hold(*Record);
  TIEditorInterface* editor = Record->ModuleInterface->GetEditorInterface();
  if (editor == nullptr) return;
  if (editor->FileName() != Record->FileName) {
    SendRemoveFile(Record->FileName, nullptr);
    if (!Record->ShadowName.empty()) DeleteShadowFile(Record->ShadowName);
    Record->FileName = editor->FileName();
    // The shadow file is gone: have the next push write it again, or Corvane
    // would be told to load a file that no longer exists.
    Record->Modified = true;
  }
  ReleaseObject(editor);
}

KvxModuleNotifier::~KvxModuleNotifier() { ReleaseObject(ModuleInterface); }

int KvxModuleNotifier::GetVersion() { return ToolsApiVersion; }

void KvxModuleNotifier::Notify(TNotifyCode NotifyCode) {
  RecordHold hold(*this);
  switch (NotifyCode) {
    case ncModuleDeleted:
      if (!ShadowName.empty() && IsDebuggerIdle()) {
        SendRemoveFile(FileName, nullptr);
        DeleteShadowFile(ShadowName);
      }
      // By identity, not by name: a rename missed while debugging can leave
      // two records with one name, and this one is released below.
      DeleteTrackedEntry(IndexOfRecord(this));
      // The host gives up the reference it was handed; the table has none
      // left, and a sweep still working on the record holds its own.
      ModuleInterface->RemoveNotifier(this);
      Release();
      break;
    case ncEditorModified:
      Modified = true;
      break;
    case ncEditorSelected:
      CurrentFile = FileName;
      break;
    case ncAfterSave:
      CheckModuleRenamed(this);
      break;
    default:
      break;
  }
}

void KvxModuleNotifier::ComponentRenamed(void* ComponentHandle, const std::string& OldName,
                                         const std::string& NewName) {
  (void)ComponentHandle;
  (void)OldName;
  (void)NewName;
}

int KvxAddInNotifier::GetVersion() { return ToolsApiVersion; }

void KvxAddInNotifier::FileNotification(TFileNotification NotifyCode,
                                        const std::string& FileName, bool& Cancel) {
  (void)Cancel;
  switch (NotifyCode) {
    case fnFileOpened:
    case fnProjectOpened:
    case fnAddedToProject: {
      if (TrackedCount >= MaxTrackedModules) return;
      if (FindTrackedModule(FileName) != 0) return;
      TIModuleInterface* module = ToolServices->GetModuleInterface(FileName);
      if (module == nullptr) return;
      ++TrackedCount;
      auto* record = new KvxModuleNotifier;
      TrackedModules[TrackedCount] = record;
      record->FileName = FileName;
      if (IsDebuggerIdle()) SendRemoveFile(record->FileName, nullptr);
      record->ShadowName.clear();
      record->ShadowTime = 0;
      record->ShadowWriteTime = 0;
      record->BytesWritten = 0;
      record->Announced = false;
      record->Modified = true;
      record->ModuleInterface = module;
      module->AddNotifier(record);
      CurrentFile = record->FileName;
      break;
    }
    case fnProjectClosing:
      CurrentFile.clear();
      break;
    default:
      break;
  }
}

}  // namespace kvx
