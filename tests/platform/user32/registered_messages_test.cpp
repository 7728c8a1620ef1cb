// Registered window messages: one id per name, without regard to case, also
// across processes sharing the DDE directory.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/posix/include/winsub_control.h"

namespace {

TEST(RegisteredMessages, SameNameSameIdIgnoringCase) {
  const UINT activate = RegisterWindowMessageA("KVX_Probe_Activate");
  const UINT other = RegisterWindowMessageA("KVX_Probe_Other");
  EXPECT_GE(activate, 0xC000u);
  EXPECT_LE(activate, 0xFFFFu);
  EXPECT_GE(other, 0xC000u);
  EXPECT_NE(activate, other);
  const char* spellings[] = {"KVX_Probe_Activate", "kvx_probe_activate", "KVX_PROBE_ACTIVATE",
                             "kVx_PrObE_aCtIvAtE"};
  for (const char* spelling : spellings) EXPECT_EQ(RegisterWindowMessageA(spelling), activate);
  EXPECT_NE(RegisterWindowMessageA("KVX_Probe_Activate2"), activate);

  SetLastError(0);
  EXPECT_EQ(RegisterWindowMessageA(""), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
  EXPECT_EQ(RegisterWindowMessageA(std::string(300, 'x').c_str()), 0u);
}

TEST(RegisteredMessages, AnotherProcessGetsTheSameIds) {
  int channel[2];
  ASSERT_EQ(pipe(channel), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Registered in the other order, and spelt differently.
    UINT ids[2] = {RegisterWindowMessageA("SECOND_SHARED_NAME"),
                   RegisterWindowMessageA("first_shared_name")};
    const ssize_t written = write(channel[1], ids, sizeof ids);
    _exit(written == sizeof ids ? 0 : 1);
  }
  close(channel[1]);
  UINT childIds[2] = {0, 0};
  ASSERT_EQ(read(channel[0], childIds, sizeof childIds), static_cast<ssize_t>(sizeof childIds));
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(RegisterWindowMessageA("First_Shared_Name"), childIds[1]);
  EXPECT_EQ(RegisterWindowMessageA("Second_Shared_Name"), childIds[0]);
  EXPECT_NE(childIds[0], childIds[1]);
}

}  // namespace
