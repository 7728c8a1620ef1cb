// GetProfileIntA / GetProfileStringA over the test's own WIN.INI.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/posix/include/winsub_control.h"
#include "tests/support/test_environment.h"

namespace {

const std::string LongValue(300, 'v');

const std::string ProfileText =
    "; a comment before any section\n"
    "Stray=1\n"
    "[Other]\n"
    "Plain=99\n"
    "[Corvane for Windows 7.1]\n"
    "Plain=1867\n"
    "Padded =   42   \n"
    "Plus=+7\n"
    "Minus=-5\n"
    "LeadingZero=017\n"
    "Junk=12abc\n"
    "TwoNumbers=1 2\n"
    "Decimal=3.7\n"
    "Letters=abc\n"
    "SignSpace=- 5\n"
    "Wrap=4294967296\n"
    "WrapPlusOne=4294967297\n"
    "NegativeWrap=-4294967297\n"
    "Quoted=\"6\"\n"
    "Empty=\n"
    "Dup=first\n"
    "DUP=second\n"
    "MixedCase=case\n"
    "  ;Commented=1\n"
    "NoEquals\n"
    "Text=  hello world  \n"
    "DoubleQuoted=\"  quoted  \"\n"
    "SingleQuoted='single'\n"
    "Unbalanced=\"abc\n"
    "MixedQuotes=\"abc'\n"
    "InnerQuotes=a \"b\" c\n"
    "Semicolon=a;b\n"
    "Long=" + LongValue + "\n"
    "WindowsLine=crlf\r\n"
    "[corvane FOR windows 7.1]\n"
    "OnlyInSecond=1\n"
    "[  Spaced Section  ]\n"
    "Key=spaced\n";

constexpr const char* Section = "Corvane for Windows 7.1";

class Profile : public testing::Test {
 protected:
  void SetUp() override { kvxtest::WriteProfile(ProfileText); }
  void TearDown() override { WinsubSetProfilePath(nullptr); }
};

struct IntCase {
  const char* key;
  int defaultValue;
  UINT expected;
};

TEST_F(Profile, IntegersParseAsADecimalPrefixWrappingModulo2To32) {
  const IntCase cases[] = {
      {"Plain", 0, 1867},
      {"Padded", 0, 42},
      {"padded", 0, 42},
      {"Plus", 0, 7},
      {"Minus", 0, 0xFFFFFFFBu},
      {"LeadingZero", 0, 17},
      {"Junk", 0, 12},
      {"TwoNumbers", 0, 1},
      {"Decimal", 0, 3},
      {"Letters", 9, 0},
      {"SignSpace", 9, 0},
      {"Wrap", 9, 0},
      {"WrapPlusOne", 0, 1},
      {"NegativeWrap", 0, 0xFFFFFFFFu},
      {"Quoted", 0, 6},
      {"Empty", 9, 0},
      {"Missing", 1, 1},
      {"Missing", -3, 0xFFFFFFFDu},
      {"Commented", 5, 5},
      {"OnlyInSecond", 5, 5},
  };
  for (const IntCase& c : cases) {
    EXPECT_EQ(GetProfileIntA(Section, c.key, c.defaultValue), c.expected) << c.key;
  }
  EXPECT_EQ(GetProfileIntA("No such section", "Plain", 4), 4u);
  EXPECT_EQ(GetProfileIntA("other", "PLAIN", 0), 99u);
  EXPECT_EQ(GetProfileIntA("Spaced Section", "Key", 3), 0u);
}

struct StringCase {
  const char* section;
  const char* key;
  const char* defaultValue;
  DWORD size;
  std::string expected;
};

TEST_F(Profile, StringsAreTrimmedUnquotedAndCutToTheBuffer) {
  const StringCase cases[] = {
      {Section, "Text", "", 254, "hello world"},
      {Section, "DoubleQuoted", "", 254, "  quoted  "},
      {Section, "SingleQuoted", "", 254, "single"},
      {Section, "Unbalanced", "", 254, "\"abc"},
      {Section, "MixedQuotes", "", 254, "\"abc'"},
      {Section, "InnerQuotes", "", 254, "a \"b\" c"},
      {Section, "Semicolon", "", 254, "a;b"},
      {Section, "Dup", "", 254, "first"},
      {Section, "mixedcase", "", 254, "case"},
      {Section, "WindowsLine", "", 254, "crlf"},
      {Section, "Empty", "def", 254, ""},
      {Section, "NoEquals", "def", 254, "def"},
      {Section, "Long", "", 254, LongValue.substr(0, 253)},
      {Section, "Text", "", 6, "hello"},
      {Section, "Text", "", 1, ""},
      {"  spaced section ", "KEY", "", 254, "spaced"},
      {Section, "Missing", "def  ", 254, "def"},
      {Section, "Missing", "  def", 254, "  def"},
      {Section, "Missing", nullptr, 254, ""},
      {Section, "Missing", "0123456789", 5, "0123"},
      {"No such section", "Text", "fallback", 254, "fallback"},
      {Section, "OnlyInSecond", "def", 254, "def"},
      {nullptr, "Text", "def", 254, ""},
  };
  for (const StringCase& c : cases) {
    std::string buffer(c.size + 16, '#');
    const DWORD count = GetProfileStringA(c.section, c.key, c.defaultValue, buffer.data(), c.size);
    const std::string label = std::string(c.key) + " size " + std::to_string(c.size);
    EXPECT_EQ(count, c.expected.size()) << label;
    EXPECT_EQ(std::string(buffer.c_str()), c.expected) << label;
    EXPECT_EQ(buffer.substr(c.size), std::string(16, '#')) << label << ": wrote past the buffer";
  }
}

TEST_F(Profile, ZeroSizeLeavesTheBufferUntouched) {
  char buffer[4] = {'x', 'y', 'z', '\0'};
  EXPECT_EQ(GetProfileStringA(Section, "Text", "", buffer, 0), 0u);
  EXPECT_STREQ(buffer, "xyz");
}

TEST_F(Profile, FileIsReadAgainAtEveryCall) {
  EXPECT_EQ(GetProfileIntA(Section, "Plain", 0), 1867u);
  kvxtest::WriteProfile("[Corvane for Windows 7.1]\nPlain=5\n");
  EXPECT_EQ(GetProfileIntA(Section, "Plain", 0), 5u);
}

TEST_F(Profile, PathComesFromTheOverrideThenTheEnvironment) {
  const std::string directory = kvxtest::MakeScratchSubdirectory("profile");
  const std::string other = directory + "/other.ini";
  kvxtest::WriteFileBytes(other, "[Corvane for Windows 7.1]\nPlain=2\n");

  WinsubSetProfilePath(other.c_str());
  EXPECT_EQ(GetProfileIntA(Section, "Plain", 0), 2u);
  WinsubSetProfilePath(nullptr);
  EXPECT_EQ(GetProfileIntA(Section, "Plain", 0), 1867u);

  const std::string saved = kvxtest::ProfilePath();
  setenv("WINSUB_WIN_INI", other.c_str(), 1);
  EXPECT_EQ(GetProfileIntA(Section, "Plain", 0), 2u);
  setenv("WINSUB_WIN_INI", (directory + "/missing.ini").c_str(), 1);
  EXPECT_EQ(GetProfileIntA(Section, "Plain", 8), 8u);
  setenv("WINSUB_WIN_INI", saved.c_str(), 1);
}

TEST_F(Profile, HomeConfigFileServesWhenNothingElseIsSet) {
  const std::string home = kvxtest::MakeScratchSubdirectory("home");
  const std::string saved = kvxtest::ProfilePath();
  const char* savedHome = std::getenv("HOME");
  const std::string homeBefore = savedHome != nullptr ? savedHome : "";
  std::filesystem::create_directories(home + "/.config/winsub");
  kvxtest::WriteFileBytes(home + "/.config/winsub/win.ini", "[Corvane for Windows 7.1]\nPlain=3\n");
  unsetenv("WINSUB_WIN_INI");
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(GetProfileIntA(Section, "Plain", 0), 3u);
  setenv("HOME", homeBefore.c_str(), 1);
  setenv("WINSUB_WIN_INI", saved.c_str(), 1);
}

}  // namespace
