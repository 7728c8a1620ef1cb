// FindFirstFileA / FindNextFileA / FindClose: wildcards, data, errors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/include/win32_subset.h"
#include "tests/support/test_environment.h"

namespace {

class Search : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = kvxtest::MakeScratchSubdirectory("search");
    for (const char* name : {"a.txt", "b.txt", "B.TXT", "ab.txt", "Makefile", "unit.0.pas", ".hidden"}) {
      kvxtest::WriteFileBytes(dir_ + "/" + name, "12345");
    }
    ASSERT_EQ(mkdir((dir_ + "/sub").c_str(), 0755), 0);
  }

  // Every name the search hands out, in order; ends the search.
  std::vector<std::string> Found(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA((dir_ + "/" + pattern).c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      names.emplace_back(data.cFileName);
    } while (FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(search));
    return names;
  }

  std::string dir_;
};

using Names = std::vector<std::string>;

TEST_F(Search, WildcardsMatchTheLastComponentCaseSensitively) {
  EXPECT_EQ(Found("*.txt"), (Names{"a.txt", "ab.txt", "b.txt"}));
  EXPECT_EQ(Found("?.txt"), (Names{"a.txt", "b.txt"}));
  EXPECT_EQ(Found("?.TXT"), (Names{"B.TXT"}));
  EXPECT_EQ(Found("unit.*.pas"), (Names{"unit.0.pas"}));
  EXPECT_EQ(Found("a*"), (Names{"a.txt", "ab.txt"}));
  EXPECT_EQ(Found("Makefile.*"), (Names{"Makefile"}));
  EXPECT_EQ(Found("*"), (Names{".", "..", ".hidden", "B.TXT", "Makefile", "a.txt", "ab.txt", "b.txt",
                               "sub", "unit.0.pas"}));
  EXPECT_EQ(Found("*.*"), Found("*"));
  EXPECT_EQ(Found("a.txt"), (Names{"a.txt"}));
}

TEST_F(Search, DataCarriesSizeAttributesAndFullResolutionTimes) {
  const std::string file = dir_ + "/a.txt";
  // 2021-06-01 12:34:56.123456789 UTC
  const timespec times[2] = {{1622550896, 987654321}, {1622550896, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  WIN32_FIND_DATAA data{};
  HANDLE search = FindFirstFileA(file.c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  const uint64_t second = (1622550896ull + 11644473600ull) * 10000000ull;
  const uint64_t write = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
  const uint64_t access = (static_cast<uint64_t>(data.ftLastAccessTime.dwHighDateTime) << 32) |
                          data.ftLastAccessTime.dwLowDateTime;
  EXPECT_EQ(write, second + 1234567ull);
  EXPECT_EQ(access, second + 9876543ull);
}

TEST_F(Search, FailuresTellNoMatchFromNoDirectory) {
  WIN32_FIND_DATAA data{};
  SetLastError(0);
  EXPECT_EQ(FindFirstFileA((dir_ + "/*.pas2").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA((dir_ + "/missing.txt").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA((dir_ + "/nodir/*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA((dir_ + "/a.txt/x").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Search, AFileRemovedDuringTheSearchIsSkipped) {
  WIN32_FIND_DATAA data{};
  HANDLE search = FindFirstFileA((dir_ + "/*.txt").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "a.txt");
  ASSERT_EQ(unlink((dir_ + "/ab.txt").c_str()), 0);
  ASSERT_TRUE(FindNextFileA(search, &data));
  EXPECT_STREQ(data.cFileName, "b.txt");
  EXPECT_FALSE(FindNextFileA(search, &data));
  EXPECT_TRUE(FindClose(search));
}

TEST_F(Search, ClosedOrForeignHandlesAreRefused) {
  WIN32_FIND_DATAA data{};
  HANDLE search = FindFirstFileA((dir_ + "/*").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(CloseHandle(search));  // a search is ended by FindClose only
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ASSERT_TRUE(FindClose(search));
  SetLastError(0);
  EXPECT_FALSE(FindClose(search));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(FindNextFileA(search, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(FindClose(nullptr));
}

}  // namespace
