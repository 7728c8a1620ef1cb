#include "tests/sync/sync_fixture.h"

#include <unistd.h>

#include <string_view>

#include "editorlink/kvxdde.h"

#include "contracts/corvane_commands.h"
#include "shell/entry_point.h"
#include "shell/globals.h"
#include "shell/settings.h"
#include "shell/variant.h"
#include "tests/support/test_environment.h"

namespace synctest {

namespace {

std::vector<kvx::TIExpert*> registered;

bool KVX_STDCALL RegisterExpert(kvx::TIExpert* expert) {
  registered.push_back(expert);
  return true;
}

// The command inside [RUNMACRO("...")], or empty for other executes.
std::string MacroOf(std::string data) {
  if (!data.empty() && data.back() == '\0') data.pop_back();
  const std::string_view prefix = kvx::MacroRunPrefix;
  const std::string_view suffix = kvx::MacroRunSuffix;
  if (!data.starts_with(prefix) || !data.ends_with(suffix)) return {};
  return data.substr(prefix.size(), data.size() - prefix.size() - suffix.size());
}

}  // namespace

SyncTest::SyncTest()
    : sourceDir_(kvxtest::MakeScratchSubdirectory("src")),
      shadowDir_(kvxtest::MakeScratchSubdirectory("shadow") + "/") {}

SyncTest::~SyncTest() {
  if (terminate_ != nullptr) terminate_();
  for (kvx::TIExpert* expert : registered) expert->Release();
  registered.clear();
}

void SyncTest::StartExpert(const Settings& settings) {
  std::string profile = std::string("[") + kvx::SettingsSection + "]\n";
  profile += std::string(kvx::EnabledKey) + "=1\n";
  profile += std::string(kvx::SafetySaveKey) + "=" + (settings.safetySave ? "1" : "0") + "\n";
  profile += std::string(kvx::TrackProjectsKey) + "=" + (settings.trackProjects ? "1" : "0") + "\n";
  profile += std::string(kvx::LaunchCommandKey) + "=" + settings.launchCommand + "\n";
  profile += std::string(kvx::TempPathKey) + "=" + shadowDir_ + "\n";
  kvxtest::WriteProfile(profile);
  ASSERT_TRUE(KVX_ENTRY_POINT(ide.ToolServices(), &RegisterExpert, &terminate_));
}

void SyncTest::StartCorvane() { corvane = std::make_unique<kvx::standin::CorvaneStandin>(); }

std::string SyncTest::MakeSource(const std::string& name, const std::string& text) const {
  kvxtest::WriteFileBytes(Source(name), text);
  return Source(name);
}

kvx::KvxModuleNotifier* SyncTest::Open(const std::string& path) {
  EXPECT_TRUE(ide.OpenFile(path));
  return Record(path);
}

kvx::KvxModuleNotifier* SyncTest::Record(const std::string& path) {
  const uint16_t index = kvx::FindTrackedModule(path);
  return index == 0 ? nullptr : kvx::TrackedModules[index];
}

std::vector<std::string> SyncTest::Exchanges() const {
  using kvx::standin::RecordKind;
  std::vector<std::string> out;
  if (!corvane) return out;
  // The stand-in notes a disconnect when it gets round to it: with none of
  // ours open, wait briefly until every connect has its disconnect.
  auto records = corvane->Transcript();
  for (int tries = 0; tries < 200 && kvx::OpenConversations == 0; ++tries) {
    int balance = 0;
    for (const auto& record : records) {
      if (record.kind == RecordKind::Connect && record.answer == kvx::standin::Answer::Ack) ++balance;
      if (record.kind == RecordKind::Disconnect) --balance;
    }
    if (balance <= 0) break;
    usleep(5000);
    records = corvane->Transcript();
  }
  for (const auto& record : records) {
    switch (record.kind) {
      case RecordKind::Connect:
        out.emplace_back("connect");
        break;
      case RecordKind::Disconnect:
        out.emplace_back("disconnect");
        break;
      case RecordKind::Request:
        out.push_back("?" + record.item);
        break;
      case RecordKind::Execute:
        if (std::string macro = MacroOf(record.data); !macro.empty()) out.push_back(macro);
        break;
    }
  }
  return out;
}

std::vector<std::string> SyncTest::Commands() const { return CommandsSince(0); }

std::size_t SyncTest::TranscriptSize() const { return corvane ? corvane->Transcript().size() : 0; }

std::vector<std::string> SyncTest::CommandsSince(std::size_t first) const {
  std::vector<std::string> out;
  if (!corvane) return out;
  const auto records = corvane->Transcript();
  for (std::size_t i = first; i < records.size(); ++i) {
    if (records[i].kind != kvx::standin::RecordKind::Execute) continue;
    if (std::string macro = MacroOf(records[i].data); !macro.empty()) out.push_back(macro);
  }
  return out;
}

}  // namespace synctest
