// GetTickCount (with the test offset), Sleep and GetTempPathA.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/posix/include/winsub_control.h"

namespace {

TEST(TickCount, CountsMillisecondsAcrossSleep) {
  const DWORD before = GetTickCount();
  Sleep(30);
  const auto elapsed = static_cast<LONG>(GetTickCount() - before);
  EXPECT_GE(elapsed, 30);
  EXPECT_LT(elapsed, 2000);
}

TEST(TickCount, WrapsAt32BitsAndSignedDifferencesSurviveTheWrap) {
  // Move the count to 20 ms before the wrap.
  WinsubAdvanceTickCount(static_cast<int64_t>(0x100000000LL - GetTickCount() - 20));
  const DWORD before = GetTickCount();
  EXPECT_GE(before, 0xFFFFFFE0u);
  Sleep(40);
  const DWORD after = GetTickCount();
  EXPECT_LT(after, 1000u) << "the count wrapped to a small value";
  const auto elapsed = static_cast<LONG>(after - before);
  EXPECT_GE(elapsed, 40);
  EXPECT_LT(elapsed, 2000);

  WinsubAdvanceTickCount(-1000);
  EXPECT_GT(GetTickCount(), 0xFFFF0000u) << "a negative offset wraps back";
}

// Sets TMP, TEMP and TMPDIR for one test (nullptr: unset) and restores them.
class TempPath : public testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      if (const char* value = std::getenv(Names[i])) saved_[i] = value;
    }
  }
  void TearDown() override {
    for (int i = 0; i < 3; ++i) Set(Names[i], saved_[i] ? saved_[i]->c_str() : nullptr);
  }
  static void Set(const char* name, const char* value) {
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  static std::string TempPathNow() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    EXPECT_EQ(length, std::string(buffer).size());
    return buffer;
  }

  static constexpr const char* Names[3] = {"TMP", "TEMP", "TMPDIR"};
  std::optional<std::string> saved_[3];
};

TEST_F(TempPath, FirstNonEmptySettingMadeAbsoluteWithTrailingSlash) {
  const std::string current = std::filesystem::current_path().string();
  const struct {
    const char* tmp;
    const char* temp;
    const char* tmpdir;
    std::string expected;
  } cases[] = {
      {"/t1", "/t2", "/t3", "/t1/"},
      {"", "/t2/", "/t3", "/t2/"},
      {nullptr, "", "/t3", "/t3/"},
      {nullptr, nullptr, nullptr, "/tmp/"},
      {"", "", "", "/tmp/"},
      {"/a//b/./c/../", nullptr, nullptr, "/a/b/"},
      {"rel/dir", nullptr, nullptr, current + "/rel/dir/"},
  };
  for (const auto& c : cases) {
    Set("TMP", c.tmp);
    Set("TEMP", c.temp);
    Set("TMPDIR", c.tmpdir);
    EXPECT_EQ(TempPathNow(), c.expected);
  }
}

TEST_F(TempPath, TooSmallABufferGetsTheSizeNeededAndStaysUntouched) {
  Set("TMP", "/abcdefgh");  // "/abcdefgh/": 10 characters
  for (DWORD size = 0; size <= 10; ++size) {
    char buffer[16] = "untouched";
    EXPECT_EQ(GetTempPathA(size, buffer), 11u) << size;
    EXPECT_STREQ(buffer, "untouched");
  }
  char buffer[16] = {};
  EXPECT_EQ(GetTempPathA(11, buffer), 10u);
  EXPECT_STREQ(buffer, "/abcdefgh/");
  EXPECT_EQ(GetTempPathA(0, nullptr), 11u);
}

}  // namespace
