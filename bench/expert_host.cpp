#include "bench/expert_host.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "bench/bench_environment.h"
#include "shell/entry_point.h"
#include "shell/globals.h"
#include "shell/settings.h"
#include "shell/variant.h"
#include "tests/support/test_environment.h"

namespace kvxbench {

namespace {

std::vector<kvx::TIExpert*> registered;

bool KVX_STDCALL RegisterExpert(kvx::TIExpert* expert) {
  registered.push_back(expert);
  return true;
}

}  // namespace

std::string ModuleText(std::size_t size, std::size_t module) {
  std::string text;
  text.reserve(size + 64);
  char line[80];
  for (std::size_t n = 1; text.size() < size; ++n) {
    std::snprintf(line, sizeof line, "  Total := Total + Item[%zu] * %zu; { line %zu }\r\n", n,
                  module, n);
    text += line;
  }
  text.resize(size);
  return text;
}

ExpertHost& ExpertHost::Get() {
  static ExpertHost* host = [] {
    auto* created = new ExpertHost;
    AtEnd([created] { delete created; });
    return created;
  }();
  return *host;
}

ExpertHost::ExpertHost()
    : sourceDir_(kvxtest::MakeScratchSubdirectory("src")),
      shadowDir_(kvxtest::MakeScratchSubdirectory("shadow") + "/"),
      ide_(std::make_unique<simide::SimIde>()) {
  std::string profile = std::string("[") + kvx::SettingsSection + "]\n";
  profile += std::string(kvx::EnabledKey) + "=1\n";
  profile += std::string(kvx::SafetySaveKey) + "=0\n";
  profile += std::string(kvx::TrackProjectsKey) + "=0\n";
  profile += std::string(kvx::TempPathKey) + "=" + shadowDir_ + "\n";
  kvxtest::WriteProfile(profile);

  corvane_ = std::make_unique<kvx::standin::CorvaneStandin>();
  corvane_->SetTransactionHook([this](const kvx::standin::TranscriptRecord& record) {
    if (record.kind == kvx::standin::RecordKind::Execute) {
      ++executes_;
      executeBytes_ += record.data.size();
    } else if (record.kind == kvx::standin::RecordKind::Request) {
      ++requests_;
    }
  });
  if (!KVX_ENTRY_POINT(ide_->ToolServices(), &RegisterExpert, &terminate_)) {
    throw std::runtime_error("the expert's entry point failed");
  }
}

ExpertHost::~ExpertHost() {
  CloseModules();
  if (terminate_ != nullptr) terminate_();
  for (kvx::TIExpert* expert : registered) expert->Release();
  registered.clear();
  corvane_.reset();
  ide_.reset();
}

const std::vector<std::string>& ExpertHost::OpenModules(std::size_t count, std::size_t size) {
  CloseModules();
  ++setNumber_;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string path = sourceDir_ + "/Set" + std::to_string(setNumber_) + "Unit" +
                             std::to_string(i + 1) + ".pas";
    kvxtest::WriteFileBytes(path, ModuleText(size, i + 1));
    if (!ide_->OpenFile(path)) throw std::runtime_error("cannot open " + path);
    modules_.push_back(path);
  }
  if (kvx::TrackedCount != count) throw std::runtime_error("not every module is tracked");
  return modules_;
}

void ExpertHost::CloseModules() {
  for (const std::string& path : modules_) {
    ide_->CloseFile(path);
    unlink(path.c_str());
  }
  modules_.clear();
}

kvx::KvxModuleNotifier& ExpertHost::Record(std::size_t index) const {
  return *kvx::TrackedModules[kvx::FindTrackedModule(modules_.at(index))];
}

TrafficCount ExpertHost::Traffic() const {
  return TrafficCount{executes_.load(), executeBytes_.load(), requests_.load()};
}

}  // namespace kvxbench
