// CreateFileA dispositions and attributes, ReadFile / WriteFile / GetFileSize /
// CloseHandle, and the injected file faults.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/posix/include/winsub_control.h"
#include "tests/support/test_environment.h"

namespace {

constexpr DWORD ReadWrite = GENERIC_READ | GENERIC_WRITE;

class Files : public testing::Test {
 protected:
  void SetUp() override { dir_ = kvxtest::MakeScratchSubdirectory("files"); }
  void TearDown() override { WinsubClearFaults(); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  static HANDLE Open(const std::string& path, DWORD access, DWORD disposition, DWORD attributes = 0) {
    return CreateFileA(path.c_str(), access, 0, nullptr, disposition, attributes, nullptr);
  }

  static void Write(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
  }

  static mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
  }

  static bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
  }

  std::string dir_;
};

TEST_F(Files, WrittenBytesReadBackWithTheirSize) {
  const std::string path = Path("data.bin");
  HANDLE file = Open(path, GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string bytes("ab\0\r\n\x1a", 6);
  Write(file, bytes);
  ASSERT_TRUE(CloseHandle(file));

  file = Open(path, GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD high = 7;
  EXPECT_EQ(GetFileSize(file, &high), 6u);
  EXPECT_EQ(high, 0u);
  char buffer[16] = {};
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), bytes);
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u) << "end of file reads nothing, successfully";
  EXPECT_TRUE(CloseHandle(file));
}

TEST_F(Files, CreateNewRefusesAnExistingNameAndAPlantedLink) {
  const std::string existing = Path("existing");
  kvxtest::WriteFileBytes(existing, "keep");
  SetLastError(0);
  EXPECT_EQ(Open(existing, GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(kvxtest::ReadFileBytes(existing), "keep");

  // A link to a file that does not exist yet, and one to a file that does:
  // neither target may be created or written through the link.
  const std::string absentTarget = Path("absent-target");
  ASSERT_EQ(symlink(absentTarget.c_str(), Path("dangling").c_str()), 0);
  EXPECT_EQ(Open(Path("dangling"), GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_FALSE(Exists(absentTarget));

  ASSERT_EQ(symlink(existing.c_str(), Path("to-existing").c_str()), 0);
  EXPECT_EQ(Open(Path("to-existing"), GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(kvxtest::ReadFileBytes(existing), "keep");
}

TEST_F(Files, CreateAlwaysReplacesButNotAReadOnlyFile) {
  const std::string path = Path("replace");
  kvxtest::WriteFileBytes(path, "old contents");
  SetLastError(0);
  HANDLE file = Open(path, GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  Write(file, "new");
  CloseHandle(file);
  EXPECT_EQ(kvxtest::ReadFileBytes(path), "new");

  file = Open(Path("fresh"), GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(file);

  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_EQ(Open(path, GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(kvxtest::ReadFileBytes(path), "new");
}

TEST_F(Files, OpenDispositionsOnExistingAndMissingFiles) {
  const std::string path = Path("present");
  kvxtest::WriteFileBytes(path, "12345");

  HANDLE file = Open(path, ReadWrite, OPEN_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(GetFileSize(file, nullptr), 5u) << "OPEN_ALWAYS keeps the contents";
  CloseHandle(file);

  file = Open(Path("made"), ReadWrite, OPEN_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(file);
  EXPECT_TRUE(Exists(Path("made")));

  file = Open(path, GENERIC_WRITE, TRUNCATE_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 0u);
  CloseHandle(file);

  EXPECT_EQ(Open(Path("missing"), GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Open(Path("missing"), GENERIC_WRITE, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(Exists(Path("missing")));
  EXPECT_EQ(Open(Path("nodir/new"), GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Open(dir_, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(Files, TemporaryFilesArePrivateToTheUser) {
  const mode_t savedMask = umask(0);
  HANDLE file = Open(Path("private"), GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_EQ(ModeOf(Path("private")), 0600u);

  kvxtest::WriteFileBytes(Path("was-shared"), "x");
  ASSERT_EQ(chmod(Path("was-shared").c_str(), 0666), 0);
  file = Open(Path("was-shared"), GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_EQ(ModeOf(Path("was-shared")), 0600u);

  file = Open(Path("ordinary"), GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_EQ(ModeOf(Path("ordinary")), 0666u);
  umask(savedMask);
}

TEST_F(Files, ReadOnlyOnCreationTakesEffectAfterTheWrite) {
  const std::string path = Path("readonly");
  HANDLE file = Open(path, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  Write(file, "still writable");
  CloseHandle(file);
  EXPECT_EQ(kvxtest::ReadFileBytes(path), "still writable");
  EXPECT_EQ(GetFileAttributesA(path.c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(DeleteFileA(path.c_str()));
}

TEST_F(Files, InjectedFaults) {
  WinsubInjectFault(WINSUB_FAULT_CREATE_FILE, 0, 1);
  EXPECT_EQ(Open(Path("never"), GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(Exists(Path("never")));

  HANDLE file = Open(Path("faults"), ReadWrite, CREATE_NEW);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD count = 99;
  WinsubInjectFault(WINSUB_FAULT_WRITE_FILE_SHORT, 0, 1);
  EXPECT_TRUE(WriteFile(file, "0123456789", 10, &count, nullptr));
  EXPECT_EQ(count, 5u);
  WinsubInjectFault(WINSUB_FAULT_WRITE_FILE, 0, 1);
  count = 99;
  EXPECT_FALSE(WriteFile(file, "abc", 3, &count, nullptr));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(GetFileSize(file, nullptr), 5u);
  EXPECT_EQ(kvxtest::ReadFileBytes(Path("faults")), "01234");

  WinsubInjectFault(WINSUB_FAULT_READ_FILE, 0, 1);
  char buffer[8];
  count = 99;
  EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(CloseHandle(file));
}

TEST_F(Files, BadHandlesAreRefused) {
  HANDLE file = Open(Path("closed"), GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(CloseHandle(file));
  int notAHandle = 0;
  for (HANDLE bad : {file, INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr),
                     static_cast<HANDLE>(&notAHandle)}) {
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(bad));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD count = 1;
    EXPECT_FALSE(WriteFile(bad, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetFileSize(bad, nullptr), 0xFFFFFFFFu);
  }
}

TEST_F(Files, ReadingAWriteOnlyHandleIsDenied) {
  HANDLE file = Open(Path("writeonly"), GENERIC_WRITE, CREATE_NEW);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char buffer[4];
  DWORD count = 0;
  EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(file);
}

}  // namespace
