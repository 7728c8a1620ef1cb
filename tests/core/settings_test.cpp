#include <gtest/gtest.h>

#include <string>

#include "platform/pathsep.h"
#include "shell/globals.h"
#include "shell/settings.h"
#include "tests/support/test_environment.h"

namespace {

#if defined(KVX_VARIANT_DELPHI3)
constexpr char Enabled[] = "Delphi3Enabled";
constexpr char HotKey[] = "Delphi3HotKey";
constexpr char OtherEnabled[] = "Delphi2Enabled";
#elif defined(KVX_VARIANT_DELPHI2)
constexpr char Enabled[] = "Delphi2Enabled";
constexpr char HotKey[] = "Delphi2HotKey";
constexpr char OtherEnabled[] = "CBuilderEnabled";
#else
constexpr char Enabled[] = "CBuilderEnabled";
constexpr char HotKey[] = "CBuilderHotKey";
constexpr char OtherEnabled[] = "Delphi3Enabled";
#endif

void LoadFromSection(const std::string& lines) {
  kvxtest::WriteProfile("[Other]\nBorlandSafetySave=0\n[Corvane for Windows 7.1]\n" + lines);
  kvx::LoadSettings();
}

TEST(Settings, NoSectionGivesTheDefaults) {
  kvxtest::WriteProfile("[Somewhere else]\nBorlandSafetySave=0\n");
  kvx::LoadSettings();
  EXPECT_FALSE(kvx::LinkEnabled);
  EXPECT_EQ(kvx::HotKeyChar, 0);
  EXPECT_EQ(kvx::HotKeyFlags, 0);
  EXPECT_TRUE(kvx::SafetySave);
  EXPECT_TRUE(kvx::TrackProjects);
  EXPECT_EQ(kvx::LaunchCommand, "");
  EXPECT_EQ(kvx::ShadowDirectory, "");
}

TEST(Settings, OnlyThisVariantsEnableKeyCounts) {
  LoadFromSection(std::string(OtherEnabled) + "=1\n");
  EXPECT_FALSE(kvx::LinkEnabled);
  LoadFromSection(std::string(Enabled) + "=1\n");
  EXPECT_TRUE(kvx::LinkEnabled);
}

struct SwitchCase {
  const char* text;
  bool on;
};

TEST(Settings, SwitchesLookAtTheLowEightBitsOnly) {
  const SwitchCase cases[] = {{"1", true},   {"2", true},  {"256", false}, {"257", true},
                              {"0", false},  {"-1", true}, {"512", false}, {"abc", false}};
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string value = std::string("=") + c.text + "\n";
    LoadFromSection(Enabled + value + "BorlandSafetySave" + value + "BorlandTrackProjects" +
                    value);
    EXPECT_EQ(kvx::LinkEnabled, c.on);
    EXPECT_EQ(kvx::SafetySave, c.on);
    EXPECT_EQ(kvx::TrackProjects, c.on);
  }
}

struct HotKeyCase {
  const char* text;
  uint8_t key;
  uint8_t flags;
};

TEST(Settings, HotKeySplitsIntoKeyAndFlagsBytes) {
  const HotKeyCase cases[] = {
      {"1867", 0x4B, 0x07},           // Ctrl+Shift+K
      {"34086", 0x26, 0x85},          // Ctrl+Up: navigation bit, Ctrl, always-set bit
      {"67403", 0x4B, 0x07},          // 0x1074B: bits 16-31 are ignored
      {"0", 0, 0},
      {"123", 0x7B, 0x00},
  };
  for (const HotKeyCase& c : cases) {
    SCOPED_TRACE(c.text);
    LoadFromSection(std::string(HotKey) + "=" + c.text + "\n");
    EXPECT_EQ(kvx::HotKeyChar, c.key);
    EXPECT_EQ(kvx::HotKeyFlags, c.flags);
  }
}

struct PathCase {
  std::string value;
  std::string stored;
};

TEST(Settings, TempPathGetsOneTrailingDelimiter) {
  const std::string d(1, kvx::PathDelimiter);
  const PathCase cases[] = {
      {"/var/shadow", "/var/shadow" + d},
      {"/var/shadow" + d, "/var/shadow" + d},
      {"", ""},
      {std::string(300, 'p'), std::string(253, 'p') + d},
      {std::string(252, 'p') + d + "xyz", std::string(252, 'p') + d},  // cut, then tested
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.value);
    LoadFromSection("BorlandTempPath=" + c.value + "\n");
    EXPECT_EQ(kvx::ShadowDirectory, c.stored);
  }
}

TEST(Settings, LaunchCommandIsStoredAsReadUpTo253Characters) {
  LoadFromSection("BorlandKvxExecute=/opt/corvane/bin/corvane -x\n");
  EXPECT_EQ(kvx::LaunchCommand, "/opt/corvane/bin/corvane -x");
  EXPECT_EQ(kvx::ShadowDirectory, "");

  LoadFromSection("BorlandKvxExecute=" + std::string(300, 'c') + "\n");
  EXPECT_EQ(kvx::LaunchCommand, std::string(253, 'c'));
}

}  // namespace
