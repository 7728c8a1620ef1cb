// One DDE transaction (execute, request) through the substitute transport, a
// client on this thread and a minimal server on another, next to the same
// bytes ping-ponged over a bare Unix socket between two threads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_environment.h"
#include "bench/raw_ping_pong.h"
#include "platform/winapi.h"

namespace {

constexpr char ServiceName[] = "BenchPong";
constexpr char TopicName[] = "Bench";
constexpr char ItemName[] = "!REMCURPOS_L";  // an item the link asks for
constexpr DWORD Timeout = 10000;
constexpr int MaxLimitRoundTrips = 20000;

// The server's side: accepts any connect, acknowledges executes, answers a
// request with ReplyBytes bytes.
DWORD serverInstance = 0;
std::atomic<std::size_t> replyBytes{4};
std::vector<BYTE> replyData(std::size_t{1} << 20, 'x');

HDDEDATA CALLBACK ServerCallback(UINT Type, UINT /*Format*/, HCONV /*Conversation*/, HSZ /*Hsz1*/,
                                 HSZ Hsz2, HDDEDATA /*Data*/, ULONG_PTR /*Data1*/,
                                 ULONG_PTR /*Data2*/) {
  switch (Type) {
    case XTYP_CONNECT: return reinterpret_cast<HDDEDATA>(1);
    case XTYP_EXECUTE: return reinterpret_cast<HDDEDATA>(DDE_FACK);
    case XTYP_REQUEST:
      return DdeCreateDataHandle(serverInstance, replyData.data(),
                                 static_cast<DWORD>(replyBytes.load()), 0, Hsz2, CF_TEXT, 0);
    default: return nullptr;
  }
}

class PongServer {
 public:
  PongServer() {
    std::promise<void> ready;
    auto started = ready.get_future();
    thread_ = std::thread([this, &ready] {
      threadId_ = GetCurrentThreadId();
      if (DdeInitializeA(&serverInstance, &ServerCallback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) {
        ready.set_exception(std::make_exception_ptr(std::runtime_error("server DdeInitialize")));
        return;
      }
      HSZ service = DdeCreateStringHandleA(serverInstance, ServiceName, CP_WINANSI);
      DdeNameService(serverInstance, service, nullptr, DNS_REGISTER);
      ready.set_value();
      MSG msg{};
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      DdeFreeStringHandle(serverInstance, service);
      DdeUninitialize(serverInstance);
    });
    started.get();
  }
  ~PongServer() {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  PongServer(const PongServer&) = delete;
  PongServer& operator=(const PongServer&) = delete;

 private:
  std::thread thread_;
  DWORD threadId_ = 0;
};

struct Client {
  DWORD instance = 0;
  HCONV conversation = nullptr;
  HSZ item = nullptr;
};

struct Link {
  std::unique_ptr<PongServer> server = std::make_unique<PongServer>();
  Client client;
  Link() {
    if (DdeInitializeA(&client.instance, &ServerCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
      throw std::runtime_error("client DdeInitialize");
    }
    HSZ service = DdeCreateStringHandleA(client.instance, ServiceName, CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(client.instance, TopicName, CP_WINANSI);
    client.item = DdeCreateStringHandleA(client.instance, ItemName, CP_WINANSI);
    client.conversation = DdeConnect(client.instance, service, topic, nullptr);
    DdeFreeStringHandle(client.instance, service);
    DdeFreeStringHandle(client.instance, topic);
    if (client.conversation == nullptr) throw std::runtime_error("DdeConnect");
  }
  ~Link() {
    DdeDisconnect(client.conversation);
    DdeFreeStringHandle(client.instance, client.item);
    DdeUninitialize(client.instance);
    server.reset();
  }
};

Link& TheLink() {
  static Link* link = [] {
    auto* created = new Link;
    kvxbench::AtEnd([created] { delete created; });
    return created;
  }();
  return *link;
}

bool Execute(const Client& client, std::vector<BYTE>& command) {
  DWORD status = 0;
  return DdeClientTransaction(command.data(), static_cast<DWORD>(command.size()),
                              client.conversation, nullptr, 0, XTYP_EXECUTE, Timeout,
                              &status) != nullptr;
}

bool Request(const Client& client, std::size_t expected) {
  HDDEDATA data = DdeClientTransaction(nullptr, 0, client.conversation, client.item, CF_TEXT,
                                       XTYP_REQUEST, Timeout, nullptr);
  if (data == nullptr) return false;
  const DWORD size = DdeGetData(data, nullptr, 0, 0);
  DdeFreeDataHandle(data);
  return size == expected;
}

void Report(benchmark::State& state, double startNs, const kvxbench::Exchange& exchange) {
  const double perTransaction =
      (kvxbench::NowNs() - startNs) / static_cast<double>(state.iterations());
  const int count =
      static_cast<int>(std::min<std::int64_t>(state.iterations(), MaxLimitRoundTrips));
  const double limit = kvxbench::RawRoundTripNs(exchange, count);
  state.counters["limit_us"] = limit / 1000.0;
  state.counters["ratio_to_limit"] = perTransaction / limit;
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(exchange.sent + exchange.answered));
}

void BM_DdeExecute(benchmark::State& state) {
  const auto bytes = static_cast<std::size_t>(state.range(0));
  const Client& client = TheLink().client;
  std::vector<BYTE> command(bytes, 'c');
  if (!Execute(client, command)) {
    state.SkipWithError("execute failed");
    return;
  }
  const double start = kvxbench::NowNs();
  for (auto _ : state) {
    if (!Execute(client, command)) {
      state.SkipWithError("execute failed");
      return;
    }
  }
  Report(state, start, kvxbench::ExecuteExchange(bytes));
}
BENCHMARK(BM_DdeExecute)->Arg(64)->Arg(4096)->Arg(65536)->Arg(1 << 20);

void BM_DdeRequest(benchmark::State& state) {
  const auto bytes = static_cast<std::size_t>(state.range(0));
  const Client& client = TheLink().client;
  replyBytes = bytes;
  if (!Request(client, bytes)) {
    state.SkipWithError("request failed");
    return;
  }
  const double start = kvxbench::NowNs();
  for (auto _ : state) {
    if (!Request(client, bytes)) {
      state.SkipWithError("request failed");
      return;
    }
  }
  Report(state, start, kvxbench::RequestExchange(sizeof ItemName - 1, bytes));
}
BENCHMARK(BM_DdeRequest)->Arg(4)->Arg(1024)->Arg(65536)->Arg(1 << 20);

// The floor alone, for the record: an execute's bytes over the bare socket.
void BM_RawPingPong(benchmark::State& state) {
  const auto exchange = kvxbench::ExecuteExchange(static_cast<std::size_t>(state.range(0)));
  kvxbench::RawPingPong pingPong;
  for (auto _ : state) pingPong.RoundTrip(exchange);
}
BENCHMARK(BM_RawPingPong)->Arg(64)->Arg(4096)->Arg(65536)->Arg(1 << 20);

}  // namespace
