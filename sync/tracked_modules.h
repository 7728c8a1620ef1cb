// The tracked-module table, the module notifier that is at the same time a
// table record, and the add-in notifier that starts tracking.
#pragma once

#include <cstdint>
#include <string>

#include "contracts/toolintf.h"

namespace kvx {

class KvxModuleNotifier : public TIModuleNotifier {
 public:
  int GetVersion() override;
  void Notify(TNotifyCode NotifyCode) override;
  void ComponentRenamed(void* ComponentHandle, const std::string& OldName,
                        const std::string& NewName) override;

  TIModuleInterface* ModuleInterface = nullptr;
  std::string FileName;
  std::string ShadowName;
  int32_t ShadowTime = 0;    // DOS date-time of the shadow file, last exchange
  int32_t BytesWritten = 0;  // length of the IDE text, last exchange
  bool Modified = true;
  bool Announced = false;
  // Last-write time of the shadow file at the last exchange, at full
  // resolution: a rewrite within the same two-second DOS slot, or a local
  // stamp that went backwards, still shows up as a change.
  uint64_t ShadowWriteTime = 0;

 protected:
  // The module object goes with the record: once the record has left the
  // table and its module, its last holder lets both go.
  ~KvxModuleNotifier() override;
};

class KvxAddInNotifier : public TIAddInNotifier {
 public:
  int GetVersion() override;
  void FileNotification(TFileNotification NotifyCode, const std::string& FileName,
                        bool& Cancel) override;
};

// Keeps a record alive while a sweep works on it: a DDE transaction lets the
// host delete the module meanwhile, and the host may then drop the notifier.
class RecordHold {
 public:
  explicit RecordHold(KvxModuleNotifier& Record) : record_(Record) { record_.AddRef(); }
  ~RecordHold() { record_.Release(); }
  RecordHold(const RecordHold&) = delete;
  RecordHold& operator=(const RecordHold&) = delete;

 private:
  KvxModuleNotifier& record_;
};

// 1-based index of the first entry with exactly this file name; 0 for none.
uint16_t FindTrackedModule(const std::string& FileName);
// Removes entry Index (0 does nothing), keeping the order of the others.
void DeleteTrackedEntry(uint16_t Index);
void ForgetTrackedModule(const std::string& FileName);
// After a save: follows the module to its new file name.
void CheckModuleRenamed(KvxModuleNotifier* Record);

}  // namespace kvx
