// Partners in other processes: a well-behaved server, servers and clients that
// break the protocol, and socket files left behind by dead servers.
#include <gmock/gmock.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>

#include "platform/posix/include/win32_subset.h"
#include "tests/platform/ddeml/dde_test_support.h"

namespace {

using ddetest::Client;
using ddetest::DataText;
using ddetest::ElapsedMs;
using ddetest::PeerProcess;
using ddetest::ServerOptions;
using ddetest::ServerRecord;
using ddetest::ServerThread;
using std::chrono::milliseconds;

std::string CorvaneSocket() { return ddetest::ServiceSocketFile("corvane"); }

// Leaves a socket file nobody listens on, as a crashed server does.
void LeaveStaleSocket(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  close(fd);
}

TEST(DdePeerServerTest, ServesFromItsMessageLoopAndRemovesItsSocket) {
  PeerProcess peer(DDE_PEER_SERVER, {"Corvane"});
  ASSERT_TRUE(peer.WaitReady());
  EXPECT_TRUE(ddetest::FileExists(CorvaneSocket()));
  Client client;
  const HCONV conversation = client.Connect();
  ASSERT_NE(conversation, nullptr);
  const HDDEDATA answer = client.Request(conversation, "answer", 500);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(DataText(answer), std::string("\x2A\0\0\0", 4));
  DdeFreeDataHandle(answer);
  EXPECT_NE(client.Execute(conversation, "C:\\\\a\\\\b", 500), nullptr);
  const HDDEDATA echo = client.Request(conversation, "echo", 500);
  EXPECT_EQ(DataText(echo), std::string("C:\\\\a\\\\b", 9));
  DdeFreeDataHandle(echo);
  EXPECT_NE(client.Execute(conversation, "quit", 500), nullptr);
  EXPECT_EQ(peer.WaitExit(milliseconds(2000)), 0);
  EXPECT_FALSE(ddetest::FileExists(CorvaneSocket()));
}

TEST(DdePeerServerTest, DeadServerLeavesAStaleSocketThatIsReplaced) {
  {
    PeerProcess peer(DDE_PEER_SERVER, {"Corvane"});
    ASSERT_TRUE(peer.WaitReady());
    peer.Kill();
  }
  ASSERT_TRUE(ddetest::FileExists(CorvaneSocket()));
  Client client;
  HCONV conversation = reinterpret_cast<HCONV>(1);
  EXPECT_LT(ElapsedMs([&] { conversation = client.Connect(); }), 100);
  EXPECT_EQ(conversation, nullptr);
  EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));

  ServerThread server(ServerOptions{});
  EXPECT_TRUE(server.Registered());
  EXPECT_NE(client.Connect(), nullptr);
}

TEST(DdePeerServerTest, StaleSocketFileIsReplacedAndLiveOneKept) {
  LeaveStaleSocket(CorvaneSocket());
  ServerThread server(ServerOptions{});
  EXPECT_TRUE(server.Registered());
  PeerProcess peer(DDE_PEER_SERVER, {"corvane"});
  EXPECT_FALSE(peer.WaitReady(milliseconds(2000)));
  EXPECT_EQ(peer.WaitExit(milliseconds(2000)), 2);  // its registration failed
  Client client;
  EXPECT_NE(client.Connect(), nullptr);
}

// A server process that answers the connect, then breaks the transaction.
struct RogueServerCase {
  const char* mode;
  UINT type;              // transaction sent
  UINT error;             // DdeGetLastError afterwards
  bool conversationEnds;  // the client closes the link
  long long minMs;
};

void PrintTo(const RogueServerCase& c, std::ostream* out) { *out << c.mode; }

class DdeRogueServerTest : public testing::TestWithParam<RogueServerCase> {};

TEST_P(DdeRogueServerTest, TransactionFailsInTimeWithoutHarm) {
  const RogueServerCase& c = GetParam();
  PeerProcess peer(DDE_ROGUE_PEER, {"server", c.mode, CorvaneSocket()});
  ASSERT_TRUE(peer.WaitReady());
  Client client;
  const HCONV conversation = client.Connect();
  ASSERT_NE(conversation, nullptr);
  HDDEDATA result = reinterpret_cast<HDDEDATA>(1);
  const long long elapsed = ElapsedMs([&] {
    result = c.type == XTYP_EXECUTE ? client.Execute(conversation, "command", 300)
                                    : client.Request(conversation, "item", 300);
  });
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(DdeGetLastError(client.id), c.error);
  EXPECT_GE(elapsed, c.minMs);
  EXPECT_LT(elapsed, 600);
  if (c.conversationEnds) {
    EXPECT_FALSE(DdeDisconnect(conversation));
  } else {
    EXPECT_TRUE(DdeDisconnect(conversation));
  }
  // Either way the rogue sees its link closed.
  EXPECT_EQ(peer.WaitExit(milliseconds(2000)), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DdeRogueServerTest,
    testing::Values(RogueServerCase{"garbage", XTYP_EXECUTE, DMLERR_SERVER_DIED, true, 0},
                    RogueServerCase{"oversize", XTYP_REQUEST, DMLERR_SERVER_DIED, true, 0},
                    RogueServerCase{"truncated", XTYP_EXECUTE, DMLERR_SERVER_DIED, true, 0},
                    RogueServerCase{"hangup", XTYP_REQUEST, DMLERR_SERVER_DIED, true, 0},
                    RogueServerCase{"wrongtype", XTYP_EXECUTE, DMLERR_SERVER_DIED, true, 0},
                    RogueServerCase{"stall", XTYP_EXECUTE, DMLERR_EXECACKTIMEOUT, false, 300},
                    RogueServerCase{"silent", XTYP_REQUEST, DMLERR_DATAACKTIMEOUT, false, 300}),
    [](const testing::TestParamInfo<RogueServerCase>& param) { return std::string(param.param.mode); });

// A server that takes the link but never answers the connect, or drops it.
TEST(DdeRogueConnectTest, ConnectWaitIsBounded) {
  setenv("WINSUB_DDE_CONNECT_TIMEOUT_MS", "200", 1);
  struct Case {
    const char* mode;
    long long minMs;
  };
  for (const Case c : {Case{"mute", 200}, Case{"slam", 0}}) {
    SCOPED_TRACE(c.mode);
    PeerProcess peer(DDE_ROGUE_PEER, {"server", c.mode, CorvaneSocket()});
    ASSERT_TRUE(peer.WaitReady());
    Client client;
    HCONV conversation = reinterpret_cast<HCONV>(1);
    const long long elapsed = ElapsedMs([&] { conversation = client.Connect(); });
    EXPECT_EQ(conversation, nullptr);
    EXPECT_EQ(DdeGetLastError(client.id), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));
    EXPECT_GE(elapsed, c.minMs);
    EXPECT_LT(elapsed, 500);
    EXPECT_EQ(peer.WaitExit(milliseconds(2000)), 0);
  }
  unsetenv("WINSUB_DDE_CONNECT_TIMEOUT_MS");
}

// A client process that breaks the protocol against a server of this process.
class DdeRogueClientTest : public testing::TestWithParam<const char*> {};

TEST_P(DdeRogueClientTest, ServerDropsTheLinkAndKeepsServing) {
  ServerThread server(ServerOptions{});
  ASSERT_TRUE(server.Registered());
  PeerProcess rogue(DDE_ROGUE_PEER, {"client", GetParam(), CorvaneSocket()});
  ASSERT_TRUE(rogue.WaitReady());
  // A proper client is served while the rogue's link is open or being dropped.
  Client client;
  const HCONV conversation = client.Connect();
  ASSERT_NE(conversation, nullptr);
  EXPECT_NE(client.Execute(conversation, "still serving", 500), nullptr);
  if (std::string(GetParam()) == "halfconnect") {
    // Half a frame is no reason to give up on the link; nor does it block.
    EXPECT_EQ(rogue.WaitExit(milliseconds(100)), std::nullopt);
  } else {
    EXPECT_EQ(rogue.WaitExit(milliseconds(2000)), 0);
  }
  if (std::string(GetParam()) == "truncated") {
    EXPECT_TRUE(server.WaitFor([](const ServerRecord& r) { return r.disconnects == 1; }));
    EXPECT_EQ(server.Record().executes.size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, DdeRogueClientTest,
                         testing::Values("garbage", "oversize", "halfconnect", "truncated"));

}  // namespace
