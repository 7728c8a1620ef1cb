// Connects, transactions and disconnects between a client on the test thread
// and a server instance on a thread of its own.
#include <gmock/gmock.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "platform/posix/include/win32_subset.h"
#include "platform/posix/include/winsub_control.h"
#include "tests/platform/ddeml/dde_test_support.h"
#include "tests/support/test_environment.h"

namespace {

using ddetest::Client;
using ddetest::DataText;
using ddetest::ElapsedMs;
using ddetest::ServerOptions;
using ddetest::ServerRecord;
using ddetest::ServerThread;
using testing::ElementsAre;

constexpr UINT NoError = DMLERR_NO_ERROR;

TEST(DdeConnectTest, WithoutServerFailsAtOnce) {
  Client client;
  HCONV conversation = nullptr;
  EXPECT_LT(ElapsedMs([&] { conversation = client.Connect(); }), 100);
  EXPECT_EQ(conversation, nullptr);
  EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));
}

TEST(DdeConnectTest, ServerSeesTopicAndServiceAndConfirms) {
  ServerThread server(ServerOptions{});
  ASSERT_TRUE(server.Registered());
  Client client("CORVANE", "system");  // names match without regard to case
  const HCONV conversation = client.Connect();
  ASSERT_NE(conversation, nullptr);
  EXPECT_TRUE(server.WaitFor([](const ServerRecord& r) { return r.confirms == 1; }));
  EXPECT_THAT(server.Record().connects, ElementsAre("system|CORVANE"));
  EXPECT_TRUE(DdeDisconnect(conversation));
  EXPECT_TRUE(server.WaitFor([](const ServerRecord& r) { return r.disconnects == 1; }));
  EXPECT_FALSE(DdeDisconnect(conversation));
  EXPECT_FALSE(DdeDisconnect(nullptr));
}

TEST(DdeConnectTest, RefusedByCallbackOrTopic) {
  ServerOptions refusing;
  refusing.acceptConnect = false;
  {
    ServerThread server(refusing);
    Client client;
    EXPECT_EQ(client.Connect(), nullptr);
    EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));
    EXPECT_EQ(server.Record().confirms, 0);
  }
  ServerThread server(ServerOptions{});
  Client client("Corvane", "OtherTopic");
  EXPECT_EQ(client.Connect(), nullptr);
  EXPECT_EQ(server.Record().connects.size(), 1u);
}

TEST(DdeConnectTest, InjectedFaultFailsTheConnect) {
  ServerThread server(ServerOptions{});
  Client client;
  WinsubInjectFault(WINSUB_FAULT_DDE_CONNECT, 0, 1);
  EXPECT_EQ(client.Connect(), nullptr);
  const HCONV conversation = client.Connect();
  EXPECT_NE(conversation, nullptr);
  EXPECT_TRUE(server.Record().connects.size() == 1u);
  WinsubClearFaults();
}

TEST(DdeConnectTest, TwoConversationsToOneServerAtOnce) {
  ServerThread server(ServerOptions{});
  Client client;
  const HCONV first = client.Connect();
  const HCONV second = client.Connect();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_NE(client.Execute(first, "one", 500), nullptr);
  EXPECT_TRUE(DdeDisconnect(first));
  EXPECT_NE(client.Execute(second, "two", 500), nullptr);
  EXPECT_THAT(server.Record().executes, ElementsAre(std::string("one", 4), std::string("two", 4)));
}

TEST(DdeExecuteTest, ServerGetsExactlyTheBytesWithFormatZero) {
  ServerThread server(ServerOptions{});
  Client client;
  const HCONV conversation = client.Connect();
  ASSERT_NE(conversation, nullptr);

  std::string command = "[RUNMACRO(\"Remote^RemActivate\")]";
  command.push_back('\0');
  ASSERT_EQ(command.size(), 33u);
  const HDDEDATA data = DdeCreateDataHandle(client.id, reinterpret_cast<LPBYTE>(command.data()),
                                            33, 0, nullptr, 0, 0);
  DWORD result = 0x1234;
  EXPECT_EQ(DdeClientTransaction(reinterpret_cast<LPBYTE>(data), 0xFFFFFFFFu, conversation, nullptr,
                                 CF_TEXT, XTYP_EXECUTE, 500, &result),
            reinterpret_cast<HDDEDATA>(1));
  EXPECT_EQ(result, static_cast<DWORD>(DDE_FACK));
  // The handle went with the transaction; freeing it again is harmless.
  EXPECT_FALSE(DdeFreeDataHandle(data));

  BYTE raw[] = {'a', 'b', 'c'};
  EXPECT_NE(DdeClientTransaction(raw, 3, conversation, nullptr, CF_TEXT, XTYP_EXECUTE, 500, nullptr),
            nullptr);
  EXPECT_THAT(server.Record().executes, ElementsAre(command, "abc"));
  EXPECT_THAT(server.Record().executeFormats, ElementsAre(0u, 0u));
}

TEST(DdeExecuteTest, NegativeAnswersFailWithTheirCodes) {
  struct Case {
    UINT answer;
    UINT error;
  };
  for (const Case c : {Case{DDE_FNOTPROCESSED, DMLERR_NOTPROCESSED}, Case{DDE_FBUSY, DMLERR_BUSY}}) {
    ServerOptions options;
    options.executeAnswer = c.answer;
    ServerThread server(options);
    Client client;
    const HCONV conversation = client.Connect();
    DWORD result = 0x1234;
    EXPECT_EQ(client.Execute(conversation, "refused", 500, &result), nullptr);
    EXPECT_EQ(result, c.answer);
    EXPECT_EQ(DdeGetLastError(client.id), c.error);
  }
}

TEST(DdeRequestTest, RepliesOfEverySizeReachTheClient) {
  ServerOptions options;
  options.items["!REMCURPOS_L"] = std::string("\x2A\0\0\0", 4);
  options.items["!REMCURPOS_C"] = std::string("\x01\x01", 2);
  options.items["!REMACTIVEFILE"] = std::string(2000, 'p');
  ServerThread server(options);
  Client client;
  const HCONV conversation = client.Connect();
  ASSERT_NE(conversation, nullptr);

  struct Case {
    const char* item;
    std::int32_t value;
  };
  for (const Case c : {Case{"!REMCURPOS_L", 42}, Case{"!REMCURPOS_C", 257}}) {
    const HDDEDATA reply = client.Request(conversation, c.item, 500);
    ASSERT_NE(reply, nullptr);
    std::int32_t value = 0;
    DdeGetData(reply, reinterpret_cast<LPBYTE>(&value), 4, 0);
    EXPECT_EQ(value, c.value);
    EXPECT_TRUE(DdeFreeDataHandle(reply));
  }

  const HDDEDATA text = client.Request(conversation, "!remactivefile", 500);
  ASSERT_NE(text, nullptr);
  std::string buffer(1025, '\0');
  EXPECT_EQ(DdeGetData(text, reinterpret_cast<LPBYTE>(buffer.data()), 1025, 0), 1025u);
  EXPECT_EQ(buffer, std::string(1025, 'p'));
  EXPECT_EQ(DdeGetData(text, nullptr, 0, 0), 2000u);
  EXPECT_TRUE(DdeFreeDataHandle(text));
  EXPECT_FALSE(DdeFreeDataHandle(text));
}

TEST(DdeTransactionTest, LargePayloadsCrossInPiecesAndOversizeIsNotSent) {
  ServerOptions options;
  std::string big(3u << 20, 'b');
  big[12345] = 'x';
  options.items["big"] = big;
  ServerThread server(options);
  Client client;
  const HCONV conversation = client.Connect();
  ASSERT_NE(conversation, nullptr);

  const HDDEDATA reply = client.Request(conversation, "big", 2000);
  ASSERT_NE(reply, nullptr);
  EXPECT_TRUE(DataText(reply) == big);
  DdeFreeDataHandle(reply);

  std::string command(2u << 20, 'c');
  EXPECT_NE(DdeClientTransaction(reinterpret_cast<LPBYTE>(command.data()),
                                 static_cast<DWORD>(command.size()), conversation, nullptr, CF_TEXT,
                                 XTYP_EXECUTE, 2000, nullptr),
            nullptr);
  ASSERT_EQ(server.Record().executes.size(), 1u);
  EXPECT_TRUE(server.Record().executes[0] == command);

  std::string tooBig(5u << 20, 'z');
  EXPECT_EQ(DdeClientTransaction(reinterpret_cast<LPBYTE>(tooBig.data()),
                                 static_cast<DWORD>(tooBig.size()), conversation, nullptr, CF_TEXT,
                                 XTYP_EXECUTE, 500, nullptr),
            nullptr);
  EXPECT_NE(DdeGetLastError(client.id), NoError);
  // The conversation is still good.
  EXPECT_NE(client.Execute(conversation, "after", 500), nullptr);
  EXPECT_EQ(server.Record().executes.size(), 2u);
}

TEST(DdeRequestTest, UnknownItemGivesNoData) {
  ServerThread server(ServerOptions{});
  Client client;
  const HCONV conversation = client.Connect();
  DWORD result = 0x1234;
  EXPECT_EQ(client.Request(conversation, "!NOSUCH", 500, &result), nullptr);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_THAT(server.Record().requests, ElementsAre("!NOSUCH"));
}

TEST(DdeTransactionTest, TimeoutEndsTheCallInTimeAndTheLateReplyIsDropped) {
  ServerOptions options;
  options.delayMs = 250;
  options.items["first"] = "1";
  options.items["second"] = "2";
  ServerThread server(options);
  Client client;
  const HCONV conversation = client.Connect();
  ASSERT_NE(conversation, nullptr);

  HDDEDATA reply = reinterpret_cast<HDDEDATA>(1);
  const long long elapsed = ElapsedMs([&] { reply = client.Request(conversation, "first", 100); });
  EXPECT_EQ(reply, nullptr);
  EXPECT_GE(elapsed, 100);
  EXPECT_LT(elapsed, 240);
  EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_DATAACKTIMEOUT));

  // The answer to "first" comes while this request waits; only "second" counts.
  reply = client.Request(conversation, "second", 1000);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(DataText(reply), "2");
  DdeFreeDataHandle(reply);

  EXPECT_EQ(client.Execute(conversation, "slow", 50), nullptr);
  EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_EXECACKTIMEOUT));
}

TEST(DdeTransactionTest, AsynchronousAndUnknownCallsAreRefused) {
  ServerThread server(ServerOptions{});
  Client client;
  const HCONV conversation = client.Connect();
  BYTE raw[] = {'x', 0};
  EXPECT_EQ(DdeClientTransaction(raw, 2, conversation, nullptr, CF_TEXT, XTYP_EXECUTE,
                                 TIMEOUT_ASYNC, nullptr),
            nullptr);
  EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
  EXPECT_EQ(DdeClientTransaction(nullptr, 0, conversation, client.topic, CF_TEXT, 0x4090 /*poke*/,
                                 100, nullptr),
            nullptr);
  EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
  EXPECT_TRUE(server.Record().executes.empty());
}

TEST(DdeTransactionTest, WithoutLiveConversationNothingHappensAndNoCodeIsSet) {
  ServerThread server(ServerOptions{});
  Client client;
  const HCONV conversation = client.Connect();
  ASSERT_TRUE(DdeDisconnect(conversation));
  EXPECT_EQ(client.Execute(nullptr, "none", 100), nullptr);
  EXPECT_EQ(client.Execute(conversation, "closed", 100), nullptr);
  EXPECT_EQ(DdeGetLastError(client.id), NoError);
}

TEST(DdeTransactionTest, ServerLeavingEndsTheConversationWithNotice) {
  ServerThread server(ServerOptions{});
  Client client;
  const HCONV conversation = client.Connect();
  ASSERT_NE(conversation, nullptr);
  const int before = Client::Disconnects();
  server.Run([](DWORD instance) { DdeUninitialize(instance); });
  EXPECT_FALSE(ddetest::FileExists(ddetest::ServiceSocketFile("corvane")));
  // The notice arrives through the client thread's own wait.
  MSG msg;
  for (int i = 0; i < 100 && Client::Disconnects() == before; ++i) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  }
  EXPECT_EQ(Client::Disconnects(), before + 1);
  EXPECT_FALSE(DdeDisconnect(conversation));
  EXPECT_EQ(client.Connect(), nullptr);
}

TEST(DdeTransactionTest, ClientUninitializeEndsItsConversations) {
  ServerThread server(ServerOptions{});
  auto client = std::make_unique<Client>();
  ASSERT_NE(client->Connect(), nullptr);
  ASSERT_NE(client->Connect(), nullptr);
  client.reset();
  EXPECT_TRUE(server.WaitFor([](const ServerRecord& r) { return r.disconnects == 2; }));
}

TEST(DdeTransactionTest, ClientAndServerOnOneThread) {
  DWORD serverId = 0;
  ASSERT_EQ(DdeInitializeA(
                &serverId,
                [](UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) -> HDDEDATA {
                  if (type == XTYP_CONNECT) return reinterpret_cast<HDDEDATA>(1);
                  if (type == XTYP_EXECUTE) return reinterpret_cast<HDDEDATA>(DDE_FACK);
                  return nullptr;
                },
                0, 0),
            NoError);
  const HSZ name = DdeCreateStringHandleA(serverId, "Corvane", CP_WINANSI);
  ASSERT_NE(DdeNameService(serverId, name, nullptr, DNS_REGISTER), nullptr);
  {
    Client client;
    const HCONV conversation = client.Connect();
    ASSERT_NE(conversation, nullptr);
    EXPECT_NE(client.Execute(conversation, "same thread", 500), nullptr);
  }
  EXPECT_TRUE(DdeNameService(serverId, name, nullptr, DNS_UNREGISTER) != nullptr);
  EXPECT_FALSE(ddetest::FileExists(ddetest::ServiceSocketFile("corvane")));
  EXPECT_TRUE(DdeUninitialize(serverId));
}

TEST(DdeTransactionTest, ConversationOfAnotherThreadCannotBeUsed) {
  ServerThread server(ServerOptions{});
  Client client;
  const HCONV conversation = client.Connect();
  HDDEDATA executed = reinterpret_cast<HDDEDATA>(1);
  BOOL disconnected = TRUE;
  std::thread([&] {
    BYTE raw[] = {'x'};
    executed = DdeClientTransaction(raw, 1, conversation, nullptr, CF_TEXT, XTYP_EXECUTE, 100, nullptr);
    disconnected = DdeDisconnect(conversation);
  }).join();
  EXPECT_EQ(executed, nullptr);
  EXPECT_FALSE(disconnected);
  EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
  EXPECT_NE(client.Execute(conversation, "mine", 500), nullptr);
}

TEST(DdeNameServiceTest, LiveNameCannotBeTakenTwice) {
  ServerThread first(ServerOptions{});
  ASSERT_TRUE(first.Registered());
  ServerOptions sameName;
  sameName.service = "CORVANE";
  ServerThread second(sameName);
  EXPECT_FALSE(second.Registered());
  // The loser did not disturb the winner.
  Client client;
  EXPECT_NE(client.Connect(), nullptr);
}

TEST(DdeNameServiceTest, UnsafeDirectoryIsRefused) {
  const std::string open = kvxtest::MakeScratchSubdirectory("open");
  ASSERT_EQ(chmod(open.c_str(), 0755), 0);
  setenv("WINSUB_DDE_DIR", open.c_str(), 1);
  ServerThread server(ServerOptions{});
  EXPECT_FALSE(server.Registered());
  Client client;
  EXPECT_EQ(client.Connect(), nullptr);

  const std::string fresh = kvxtest::ScratchDirectory() + "/made/here";
  setenv("WINSUB_DDE_DIR", fresh.c_str(), 1);
  ServerThread madeServer(ServerOptions{});
  EXPECT_TRUE(madeServer.Registered());
  struct stat info {};
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_STREQ(WinsubDdeDirectory(), fresh.c_str());
}

}  // namespace
