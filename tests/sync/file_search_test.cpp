// Looking files up: which entries count as existing, and the size and time
// stamps a search reports.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "sync/file_search.h"
#include "tests/support/test_environment.h"

namespace {

constexpr uint64_t UnixEpochAsFileTime = 116444736000000000ULL;

void SetWriteTime(const std::string& path, time_t seconds, long nanoseconds) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class FileSearch : public testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    dir_ = kvxtest::MakeScratchSubdirectory("search") + "/";
  }
  std::string dir_;
};

TEST_F(FileSearch, OnlyPlainFilesExistForTheExchange) {
  kvxtest::WriteFileBytes(dir_ + "plain.txt", "abc");
  kvxtest::WriteFileBytes(dir_ + "readonly.txt", "abc");
  chmod((dir_ + "readonly.txt").c_str(), 0400);
  kvxtest::WriteFileBytes(dir_ + ".hidden", "abc");
  mkdir((dir_ + "folder.txt").c_str(), 0700);

  struct Case {
    std::string name;
    bool plain;
    bool nonDirectory;
  };
  const Case cases[] = {
      {dir_ + "plain.txt", true, true},     {dir_ + "readonly.txt", true, true},
      {dir_ + ".hidden", false, true},      {dir_ + "folder.txt", false, false},
      {dir_ + "missing.txt", false, false}, {dir_ + "*.txt", false, false},
      {dir_ + "plain.tx?", false, false},   {"", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(kvx::FindPlainFile(c.name), c.plain);
    EXPECT_EQ(kvx::NonDirectoryExists(c.name), c.nonDirectory);
  }
}

TEST_F(FileSearch, AWildcardCharacterInARealNameMatchesOnlyThatName) {
  kvxtest::WriteFileBytes(dir_ + "a?c", "x");
  kvxtest::WriteFileBytes(dir_ + "abc", "xyz");
  kvx::FoundFile found;
  ASSERT_TRUE(kvx::FindPlainFile(dir_ + "a?c", &found));
  EXPECT_EQ(found.Size, 1u);
}

TEST_F(FileSearch, ReportsSizeAttributesAndBothTimeStamps) {
  const std::string name = dir_ + "stamped.txt";
  kvxtest::WriteFileBytes(name, "hello");
  // 2020-06-15 13:45:31.25 UTC
  SetWriteTime(name, 1592228731, 250000000);
  kvx::FoundFile found;
  ASSERT_TRUE(kvx::FindPlainFile(name, &found));
  EXPECT_EQ(found.Size, 5u);
  EXPECT_EQ(found.Attributes & FILE_ATTRIBUTE_READONLY, 0u);
  // Year 40, month 6, day 15; 13:45:30 (seconds halved, rounded down).
  const uint32_t date = (40u << 9) | (6u << 5) | 15u;
  const uint32_t time = (13u << 11) | (45u << 5) | 15u;
  EXPECT_EQ(found.Stamp, static_cast<int32_t>((date << 16) | time));
  EXPECT_EQ(found.WriteTime, UnixEpochAsFileTime + 1592228731ULL * 10000000ULL + 2500000ULL);

  // Within the same two seconds the DOS stamp stays, the full time does not.
  SetWriteTime(name, 1592228730, 0);
  kvx::FoundFile again;
  ASSERT_TRUE(kvx::FindPlainFile(name, &again));
  EXPECT_EQ(again.Stamp, found.Stamp);
  EXPECT_NE(again.WriteTime, found.WriteTime);
}

TEST_F(FileSearch, StampsFrom2044OnAreNegative) {
  const std::string name = dir_ + "future.txt";
  kvxtest::WriteFileBytes(name, "x");
  SetWriteTime(name, 2335219200, 0);  // 2044-01-01 00:00:00 UTC
  kvx::FoundFile found;
  ASSERT_TRUE(kvx::FindPlainFile(name, &found));
  EXPECT_EQ(found.Stamp, static_cast<int32_t>(0x80210000u));
}

}  // namespace
