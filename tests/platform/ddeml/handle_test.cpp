// String and data handles, instances and their error slot.
#include <gmock/gmock.h>

#include <cstring>
#include <string>
#include <thread>

#include "platform/posix/include/win32_subset.h"
#include "platform/posix/include/winsub_control.h"

namespace {

HDDEDATA CALLBACK IgnoreAll(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

class DdeHandleTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(DdeInitializeA(&id, IgnoreAll, APPCMD_CLIENTONLY, 0), 0u); }
  void TearDown() override {
    WinsubClearFaults();
    if (id != 0) DdeUninitialize(id);
  }
  HSZ Make(const std::string& text) const {
    return DdeCreateStringHandleA(id, text.c_str(), CP_WINANSI);
  }
  std::string Query(HSZ hsz) const {
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    const DWORD length = DdeQueryStringA(id, hsz, buffer, sizeof buffer, CP_WINANSI);
    return std::string(buffer, length);
  }

  DWORD id = 0;
};

TEST_F(DdeHandleTest, StringLengthsFromOneTo255AreAccepted) {
  struct Case {
    std::size_t length;
    bool valid;
  };
  for (const Case& c : {Case{0, false}, Case{1, true}, Case{255, true}, Case{256, false}}) {
    SCOPED_TRACE(c.length);
    const HSZ hsz = Make(std::string(c.length, 'x'));
    EXPECT_EQ(hsz != nullptr, c.valid);
    if (hsz == nullptr) {
      EXPECT_EQ(DdeGetLastError(id), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
    } else {
      EXPECT_EQ(Query(hsz), std::string(c.length, 'x'));
      EXPECT_TRUE(DdeFreeStringHandle(id, hsz));
    }
  }
}

TEST_F(DdeHandleTest, NamesDifferingInCaseShareOneHandleThatKeepsTheFirstSpelling) {
  const HSZ first = Make("Corvane");
  const HSZ second = Make("CORVANE");
  EXPECT_EQ(first, second);
  EXPECT_EQ(Query(second), "Corvane");
  EXPECT_EQ(DdeCmpStringHandles(first, second), 0);
  EXPECT_NE(Make("corvanE"), Make("Corvane2"));
}

TEST_F(DdeHandleTest, QueryCutsToTheBufferAndReportsLengthWithoutOne) {
  const HSZ hsz = Make("System");
  EXPECT_EQ(DdeQueryStringA(id, hsz, nullptr, 0, CP_WINANSI), 6u);
  char small[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(DdeQueryStringA(id, hsz, small, sizeof small, CP_WINANSI), 3u);
  EXPECT_STREQ(small, "Sys");
}

TEST_F(DdeHandleTest, EveryCreationNeedsItsOwnFree) {
  const HSZ a = Make("Topic");
  const HSZ b = Make("TOPIC");
  ASSERT_EQ(a, b);
  EXPECT_TRUE(DdeFreeStringHandle(id, a));
  EXPECT_EQ(Query(a), "Topic");  // still held once
  EXPECT_TRUE(DdeFreeStringHandle(id, a));
  EXPECT_FALSE(DdeFreeStringHandle(id, a));
  EXPECT_EQ(DdeQueryStringA(id, a, nullptr, 0, CP_WINANSI), 0u);
}

TEST_F(DdeHandleTest, ComparisonIgnoresCaseAndPutsNoHandleFirst) {
  const HSZ alpha = Make("alpha");
  const HSZ beta = Make("BETA");
  const HSZ upperAlpha = Make("ALPHA");
  struct Case {
    HSZ left;
    HSZ right;
    int expected;
  };
  const Case cases[] = {
      {alpha, beta, -1}, {beta, alpha, 1},     {alpha, upperAlpha, 0},
      {nullptr, alpha, -1}, {alpha, nullptr, 1}, {nullptr, nullptr, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(DdeCmpStringHandles(c.left, c.right), c.expected);
}

TEST_F(DdeHandleTest, DataHandleCopiesFromTheOffset) {
  BYTE source[] = {'a', 'b', 'c', 'd', 'e', 'f'};
  const HDDEDATA data = DdeCreateDataHandle(id, source, 3, 2, nullptr, CF_TEXT, 0);
  ASSERT_NE(data, nullptr);
  source[2] = 'X';  // a copy was taken
  DWORD size = 0;
  const LPBYTE bytes = DdeAccessData(data, &size);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), size), "cde");
  EXPECT_TRUE(DdeUnaccessData(data));
  EXPECT_EQ(DdeGetData(data, nullptr, 0, 0), 3u);
  EXPECT_TRUE(DdeFreeDataHandle(data));
  EXPECT_FALSE(DdeFreeDataHandle(data));
  EXPECT_EQ(DdeGetData(data, nullptr, 0, 0), 0u);
  EXPECT_EQ(DdeAccessData(data, &size), nullptr);
}

TEST_F(DdeHandleTest, DataHandleWithoutSourceHasItsSize) {
  const HDDEDATA data = DdeCreateDataHandle(id, nullptr, 10, 0, nullptr, 0, 0);
  EXPECT_EQ(DdeGetData(data, nullptr, 0, 0), 10u);
  EXPECT_TRUE(DdeFreeDataHandle(data));
}

TEST_F(DdeHandleTest, GetDataCopiesWhatFitsAndWritesNothingElse) {
  std::string text(2000, 'r');
  const HDDEDATA big = DdeCreateDataHandle(id, reinterpret_cast<LPBYTE>(text.data()), 2000, 0,
                                           nullptr, CF_TEXT, 0);
  BYTE two[] = {0x01, 0x01};
  const HDDEDATA small = DdeCreateDataHandle(id, two, 2, 0, nullptr, CF_TEXT, 0);
  BYTE four[] = {0x2A, 0, 0, 0};
  const HDDEDATA word = DdeCreateDataHandle(id, four, 4, 0, nullptr, CF_TEXT, 0);
  struct Case {
    HDDEDATA data;
    DWORD max;
    DWORD offset;
    DWORD copied;
  };
  const Case cases[] = {
      {big, 1025, 0, 1025}, {small, 4, 0, 2}, {word, 4, 2, 2},
      {word, 4, 4, 0},      {word, 0, 0, 0},  {nullptr, 4, 0, 0},
  };
  for (const Case& c : cases) {
    std::string buffer(1100, '#');
    const DWORD copied = DdeGetData(c.data, reinterpret_cast<LPBYTE>(buffer.data()), c.max, c.offset);
    EXPECT_EQ(copied, c.copied);
    EXPECT_EQ(buffer.find_first_not_of('#'), copied == 0 ? std::string::npos : 0);
    EXPECT_EQ(buffer.find('#'), copied);
  }
  std::int32_t value = 0;
  EXPECT_EQ(DdeGetData(small, reinterpret_cast<LPBYTE>(&value), 4, 0), 2u);
  EXPECT_EQ(value, 257);
}

TEST_F(DdeHandleTest, InjectedFaultsFailCreation) {
  WinsubInjectFault(WINSUB_FAULT_DDE_CREATE_STRING, 1, 1);
  const HSZ passed = Make("One");
  EXPECT_NE(passed, nullptr);
  EXPECT_EQ(Make("Two"), nullptr);
  EXPECT_NE(Make("Three"), nullptr);
  WinsubInjectFault(WINSUB_FAULT_DDE_CREATE_DATA, 0, 1);
  BYTE byte = 1;
  EXPECT_EQ(DdeCreateDataHandle(id, &byte, 1, 0, nullptr, 0, 0), nullptr);
  EXPECT_NE(DdeGetLastError(id), 0u);
  const HDDEDATA data = DdeCreateDataHandle(id, &byte, 1, 0, nullptr, 0, 0);
  EXPECT_NE(data, nullptr);
  DdeFreeDataHandle(data);
}

TEST_F(DdeHandleTest, UninitializeFreesHandlesAndKillsTheId) {
  BYTE byte = 7;
  const HDDEDATA data = DdeCreateDataHandle(id, &byte, 1, 0, nullptr, 0, 0);
  const HSZ hsz = Make("Gone");
  EXPECT_TRUE(DdeUninitialize(id));
  EXPECT_EQ(DdeGetData(data, nullptr, 0, 0), 0u);
  EXPECT_FALSE(DdeUninitialize(id));
  EXPECT_EQ(Make("Again"), nullptr);
  EXPECT_EQ(DdeConnect(id, hsz, hsz, nullptr), nullptr);
  EXPECT_EQ(DdeGetLastError(id), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
  // The atom went with its only holder: a new instance sees a fresh spelling.
  DWORD other = 0;
  ASSERT_EQ(DdeInitializeA(&other, IgnoreAll, APPCMD_CLIENTONLY, 0), 0u);
  const HSZ again = DdeCreateStringHandleA(other, "GONE", CP_WINANSI);
  char buffer[16] = {};
  DdeQueryStringA(other, again, buffer, sizeof buffer, CP_WINANSI);
  EXPECT_STREQ(buffer, "GONE");
  DdeUninitialize(other);
  id = 0;
}

TEST_F(DdeHandleTest, LastErrorIsReturnedOnceAndReset) {
  EXPECT_EQ(Make(""), nullptr);
  EXPECT_EQ(DdeGetLastError(id), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
  EXPECT_EQ(DdeGetLastError(id), 0u);
}

TEST_F(DdeHandleTest, InitializeRefusesReinitialisationAndMissingCallback) {
  DWORD existing = id;
  EXPECT_EQ(DdeInitializeA(&existing, IgnoreAll, 0, 0), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
  DWORD fresh = 0;
  EXPECT_EQ(DdeInitializeA(&fresh, nullptr, 0, 0), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
  EXPECT_EQ(fresh, 0u);
  EXPECT_EQ(DdeInitializeA(&fresh, IgnoreAll, 0, 0), 0u);
  EXPECT_NE(fresh, 0u);
  EXPECT_NE(fresh, id);
  EXPECT_TRUE(DdeUninitialize(fresh));
}

TEST_F(DdeHandleTest, ClientOnlyInstanceCannotRegisterNames) {
  const HSZ name = Make("NotAServer");
  EXPECT_EQ(DdeNameService(id, name, nullptr, DNS_REGISTER), nullptr);
  EXPECT_EQ(DdeGetLastError(id), static_cast<UINT>(DMLERR_DLL_USAGE));
}

TEST_F(DdeHandleTest, AnotherThreadCannotUseTheInstance) {
  const HSZ name = Make("Mine");
  HSZ made = reinterpret_cast<HSZ>(1);
  HCONV conversation = reinterpret_cast<HCONV>(1);
  BOOL uninitialized = TRUE;
  std::thread([&] {
    made = DdeCreateStringHandleA(id, "Theirs", CP_WINANSI);
    conversation = DdeConnect(id, name, name, nullptr);
    uninitialized = DdeUninitialize(id);
  }).join();
  EXPECT_EQ(made, nullptr);
  EXPECT_EQ(conversation, nullptr);
  EXPECT_FALSE(uninitialized);
  EXPECT_EQ(DdeGetLastError(id), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
  EXPECT_NE(Make("StillWorks"), nullptr);
}

}  // namespace
