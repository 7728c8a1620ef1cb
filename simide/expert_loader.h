// Loads an expert library as the IDE does: by its exported entry point, which
// gets the tool services, the registration function and the slot for the
// terminate procedure. Keeps the registered experts (one reference each).
#pragma once

#include <string>
#include <vector>

#include "contracts/toolintf.h"

namespace simide {

struct LoadResult {
  bool loaded = false;       // the library is loaded now
  bool entryFound = false;
  bool entryResult = false;  // what the entry point answered
  bool terminateWritten = false;
  std::string error;         // why it failed, empty on success
};

struct EntryCallResult {
  bool called = false;  // false: no library loaded
  bool result = false;
  bool terminateWritten = false;
};

class ExpertLoader {
 public:
  ExpertLoader();
  ExpertLoader(const ExpertLoader&) = delete;
  ExpertLoader& operator=(const ExpertLoader&) = delete;
  ~ExpertLoader();

  // The name this host looks up: INITEXPERT0017 for Delphi 3, else INITEXPERT0016.
  static const char* EntryPointName();

  LoadResult Load(const std::string& path, kvx::TIToolServices* services);
  // Calls the entry point once more, with a fresh terminate slot.
  EntryCallResult CallAgain(kvx::TIToolServices* services);

  bool Loaded() const { return library_ != nullptr; }
  void* Handle() const { return library_; }
  bool HasTerminate() const { return terminate_ != nullptr; }
  // Calls the kept terminate procedure (once).
  void CallTerminate();
  void ReleaseExperts();
  void Unload();

  const std::vector<kvx::TIExpert*>& Experts() const { return experts_; }
  int RegisteredCount() const { return registered_; }

 private:
  static bool KVX_STDCALL Register(kvx::TIExpert* expert);

  void* library_ = nullptr;
  kvx::TExpertInitProc entry_ = nullptr;
  kvx::TExpertTerminateProc terminate_ = nullptr;
  std::vector<kvx::TIExpert*> experts_;
  int registered_ = 0;
};

}  // namespace simide
