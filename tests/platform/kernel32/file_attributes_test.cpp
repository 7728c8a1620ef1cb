// Attributes mapped from POSIX, setting them, deleting files.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/posix/include/win32_subset.h"
#include "tests/support/test_environment.h"

namespace {

constexpr DWORD ReadOnly = FILE_ATTRIBUTE_READONLY;
constexpr DWORD Hidden = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD System = FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD Directory = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD Archive = FILE_ATTRIBUTE_ARCHIVE;

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// A directory with one entry of every kind the mapping distinguishes.
class Entries : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = kvxtest::MakeScratchSubdirectory("attributes");
    kvxtest::WriteFileBytes(Path("plain.txt"), "abc");
    kvxtest::WriteFileBytes(Path("locked.txt"), "abc");
    ASSERT_EQ(chmod(Path("locked.txt").c_str(), 0444), 0);
    kvxtest::WriteFileBytes(Path(".hidden"), "abc");
    ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(Path(".hiddendir").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0644), 0);
    MakeSocket(Path("sock"));
  }
  void TearDown() override {
    if (socket_ >= 0) close(socket_);
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  void MakeSocket(const std::string& path) {
    socket_ = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socket_, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  }

  std::string dir_;
  int socket_ = -1;
};

struct AttributeCase {
  const char* name;
  DWORD expected;
};

const AttributeCase AttributeCases[] = {
    {"plain.txt", Archive},
    {"locked.txt", Archive | ReadOnly},
    {".hidden", Archive | Hidden},
    {"sub", Directory},
    {".hiddendir", Directory | Hidden},
    {"pipe", System},
    {"sock", System},
};

TEST_F(Entries, AttributesComeFromModeNameAndKind) {
  for (const AttributeCase& c : AttributeCases) {
    EXPECT_EQ(GetFileAttributesA(Path(c.name).c_str()), c.expected) << c.name;
  }
  EXPECT_EQ(GetFileAttributesA((dir_ + "/sub/.").c_str()), Directory);
}

TEST_F(Entries, ExactNameSearchReportsTheSameAttributes) {
  for (const AttributeCase& c : AttributeCases) {
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA(Path(c.name).c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << c.name;
    EXPECT_EQ(data.dwFileAttributes, c.expected) << c.name;
    EXPECT_STREQ(data.cFileName, c.name);
    EXPECT_FALSE(FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(search));
  }
}

// What a caller's "file exists" test needs: an exact-name search that admits
// no special attributes finds plain and read-only files only.
TEST_F(Entries, SearchAdmittingNoSpecialAttributesFindsOnlyOrdinaryFiles) {
  const auto exists = [](const std::string& path) {
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA(path.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return (data.dwFileAttributes & (Hidden | System | Directory)) == 0;
  };
  EXPECT_TRUE(exists(Path("plain.txt")));
  EXPECT_TRUE(exists(Path("locked.txt")));
  EXPECT_FALSE(exists(Path(".hidden")));
  EXPECT_FALSE(exists(Path("sub")));
  EXPECT_FALSE(exists(Path("pipe")));
  EXPECT_FALSE(exists(Path("sock")));
  EXPECT_FALSE(exists(Path("missing.txt")));
}

TEST_F(Entries, MissingNamesReportFileOrPathNotFound) {
  SetLastError(0);
  EXPECT_EQ(GetFileAttributesA(Path("missing.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA(Path("nodir/missing.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA(Path("plain.txt/below").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Entries, SetAttributesTogglesWritePermissionOnly) {
  const std::string file = Path("plain.txt");
  ASSERT_EQ(chmod(file.c_str(), 0664), 0);
  EXPECT_TRUE(SetFileAttributesA(file.c_str(), ReadOnly | Hidden));
  EXPECT_EQ(ModeOf(file), 0444u);
  EXPECT_EQ(GetFileAttributesA(file.c_str()), Archive | ReadOnly);

  EXPECT_TRUE(SetFileAttributesA(file.c_str(), 0));
  EXPECT_EQ(ModeOf(file), 0644u);
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  EXPECT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(ModeOf(file), 0644u);
  EXPECT_TRUE(SetFileAttributesA(file.c_str(), Hidden | System | Archive));
  EXPECT_EQ(ModeOf(file), 0644u);
  EXPECT_EQ(GetFileAttributesA(file.c_str()), Archive);

  EXPECT_FALSE(SetFileAttributesA(Path("missing").c_str(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Entries, SetAttributesLeavesTheTargetOfALinkAlone) {
  const std::string target = Path("plain.txt");
  ASSERT_EQ(chmod(target.c_str(), 0444), 0);
  ASSERT_EQ(symlink(target.c_str(), Path("link").c_str()), 0);
  EXPECT_TRUE(SetFileAttributesA(Path("link").c_str(), 0));
  EXPECT_EQ(ModeOf(target), 0444u);
  ASSERT_EQ(chmod(target.c_str(), 0644), 0);
  EXPECT_TRUE(SetFileAttributesA(Path("link").c_str(), ReadOnly));
  EXPECT_EQ(ModeOf(target), 0644u);
}

TEST_F(Entries, DeleteRefusesReadOnlyFilesAndDirectories) {
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(Path("locked.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(Exists(Path("locked.txt")));

  ASSERT_TRUE(SetFileAttributesA(Path("locked.txt").c_str(), 0));
  EXPECT_TRUE(DeleteFileA(Path("locked.txt").c_str()));
  EXPECT_FALSE(Exists(Path("locked.txt")));

  EXPECT_FALSE(DeleteFileA(Path("sub").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(Exists(Path("sub")));

  EXPECT_FALSE(DeleteFileA(Path("locked.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileA(Path("nodir/x").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Entries, DeleteRemovesALinkNotItsTarget) {
  ASSERT_EQ(symlink(Path("plain.txt").c_str(), Path("link").c_str()), 0);
  ASSERT_EQ(chmod(Path("plain.txt").c_str(), 0444), 0);  // the target's mode does not matter
  EXPECT_TRUE(DeleteFileA(Path("link").c_str()));
  EXPECT_FALSE(Exists(Path("link")));
  EXPECT_TRUE(Exists(Path("plain.txt")));
}

}  // namespace
