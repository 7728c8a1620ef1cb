#include "simide/expert_loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace simide {

namespace {
// The registration function has no context argument: it reaches the one
// loader of the process through here.
ExpertLoader* activeLoader = nullptr;
}  // namespace

ExpertLoader::ExpertLoader() {
  if (activeLoader != nullptr) throw std::logic_error("one expert loader per process");
  activeLoader = this;
}

ExpertLoader::~ExpertLoader() {
  ReleaseExperts();
  Unload();
  activeLoader = nullptr;
}

const char* ExpertLoader::EntryPointName() {
#if defined(KVX_VARIANT_DELPHI3)
  return "INITEXPERT0017";
#else
  return "INITEXPERT0016";
#endif
}

bool KVX_STDCALL ExpertLoader::Register(kvx::TIExpert* expert) {
  if (activeLoader == nullptr || expert == nullptr) return false;
  activeLoader->experts_.push_back(expert);
  ++activeLoader->registered_;
  return true;
}

LoadResult ExpertLoader::Load(const std::string& path, kvx::TIToolServices* services) {
  LoadResult outcome;
  if (library_ != nullptr) {
    outcome.error = "an expert library is loaded already";
    return outcome;
  }
  // dlopen searches the library path for a bare name; the IDE means a file.
  const std::string file = std::filesystem::absolute(path).string();
  library_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    const char* why = dlerror();
    outcome.error = why != nullptr ? why : "dlopen failed";
    return outcome;
  }
  entry_ = reinterpret_cast<kvx::TExpertInitProc>(dlsym(library_, EntryPointName()));
  if (entry_ == nullptr) {
    outcome.error = std::string("no entry point ") + EntryPointName() + " in " + file;
    Unload();
    return outcome;
  }
  outcome.entryFound = true;
  kvx::TExpertTerminateProc slot = nullptr;
  outcome.entryResult = entry_(services, &ExpertLoader::Register, &slot);
  outcome.terminateWritten = slot != nullptr;
  terminate_ = slot;
  if (!outcome.entryResult) {
    // The IDE does not keep a library whose entry point refused.
    outcome.error = std::string(EntryPointName()) + " answered false";
    CallTerminate();
    ReleaseExperts();
    Unload();
    return outcome;
  }
  outcome.loaded = true;
  return outcome;
}

EntryCallResult ExpertLoader::CallAgain(kvx::TIToolServices* services) {
  EntryCallResult outcome;
  if (entry_ == nullptr) return outcome;
  kvx::TExpertTerminateProc slot = nullptr;
  outcome.called = true;
  outcome.result = entry_(services, &ExpertLoader::Register, &slot);
  outcome.terminateWritten = slot != nullptr;
  return outcome;
}

void ExpertLoader::CallTerminate() {
  const kvx::TExpertTerminateProc terminate = terminate_;
  terminate_ = nullptr;
  if (terminate != nullptr) terminate();
}

void ExpertLoader::ReleaseExperts() {
  std::vector<kvx::TIExpert*> experts;
  experts.swap(experts_);
  for (kvx::TIExpert* expert : experts) expert->Release();
}

void ExpertLoader::Unload() {
  if (library_ != nullptr && dlclose(library_) != 0) {
    std::fprintf(stderr, "simide: dlclose failed: %s\n", dlerror());
  }
  library_ = nullptr;
  entry_ = nullptr;
  terminate_ = nullptr;
}

}  // namespace simide
