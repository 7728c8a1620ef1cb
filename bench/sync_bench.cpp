// The push and pull sweeps of the expert against the simulated IDE and the
// in-process Corvane stand-in, each next to its limit:
// - push of changed modules: writing the same bytes to the same directory;
// - push of unchanged modules and pull with nothing to take over: the
//   transactions the sweep makes, each at the bare socket round trip;
// - a take-over of one big shadow file: reading the file and copying it.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_environment.h"
#include "bench/expert_host.h"
#include "bench/raw_ping_pong.h"
#include "shell/globals.h"
#include "sync/pull.h"
#include "sync/push.h"

namespace {

constexpr int LimitRepeats = 5;
constexpr int RoundTripSamples = 3000;
// What a request of the link carries: a global's name out, 4 bytes back.
constexpr std::size_t RequestItemBytes = 12;
constexpr std::size_t RequestReplyBytes = 4;

using kvxbench::ExpertHost;
using kvxbench::TrafficCount;

void WriteWhole(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
    if (count <= 0) throw std::runtime_error("cannot write " + path);
    done += static_cast<std::size_t>(count);
  }
  close(fd);
}

// The limit of a changed push: each module's bytes written to a file of its
// own in the shadow directory.
double DirectWriteNs(const std::vector<std::string>& texts, const std::string& directory) {
  double best = 0;
  for (int repeat = 0; repeat < LimitRepeats; ++repeat) {
    const double start = kvxbench::NowNs();
    for (std::size_t i = 0; i < texts.size(); ++i) {
      WriteWhole(directory + "direct" + std::to_string(i) + ".tmp", texts[i]);
    }
    const double took = kvxbench::NowNs() - start;
    best = repeat == 0 ? took : std::min(best, took);
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    unlink((directory + "direct" + std::to_string(i) + ".tmp").c_str());
  }
  return best;
}

// What a sweep's transactions cost at the bare socket round trip.
struct TransactionFloor {
  double executesPerSweep = 0;
  double requestsPerSweep = 0;
  double ns = 0;
};

TransactionFloor FloorOf(const TrafficCount& before, const TrafficCount& after,
                         std::int64_t sweeps) {
  TransactionFloor floor;
  const auto executes = static_cast<double>(after.executes - before.executes);
  const auto requests = static_cast<double>(after.requests - before.requests);
  floor.executesPerSweep = executes / static_cast<double>(sweeps);
  floor.requestsPerSweep = requests / static_cast<double>(sweeps);
  const std::size_t meanExecute =
      executes > 0
          ? static_cast<std::size_t>(static_cast<double>(after.executeBytes - before.executeBytes) /
                                     executes)
          : 0;
  const double executeNs =
      kvxbench::RawRoundTripNs(kvxbench::ExecuteExchange(meanExecute), RoundTripSamples);
  const double requestNs = kvxbench::RawRoundTripNs(
      kvxbench::RequestExchange(RequestItemBytes, RequestReplyBytes), RoundTripSamples);
  floor.ns = floor.executesPerSweep * executeNs + floor.requestsPerSweep * requestNs;
  return floor;
}

void ReportPerModule(benchmark::State& state, double sweepNs, std::size_t modules,
                     const TransactionFloor& floor) {
  const auto n = static_cast<double>(modules);
  state.counters["modules"] = n;
  state.counters["us_per_module"] = sweepNs / n / 1000.0;
  state.counters["txns_per_module"] = (floor.executesPerSweep + floor.requestsPerSweep) / n;
  state.counters["limit_us_per_module"] = floor.ns / n / 1000.0;
  state.counters["ratio_to_limit"] = sweepNs / floor.ns;
}

bool PushSweep() {
  kvx::PushToEditor(nullptr);
  return kvx::PushDone;
}

void BM_PushChanged(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const auto size = static_cast<std::size_t>(state.range(1));
  ExpertHost& host = ExpertHost::Get();
  host.OpenModules(count, size);
  if (!PushSweep()) {
    state.SkipWithError("the first push did not run");
    return;
  }
  double timed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < count; ++i) host.Record(i).Modified = true;
    state.ResumeTiming();
    const double start = kvxbench::NowNs();
    const bool done = PushSweep();
    timed += kvxbench::NowNs() - start;
    if (!done || host.Record(count - 1).Modified) {
      state.SkipWithError("the push did not write the modules");
      break;
    }
  }
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < count; ++i) texts.push_back(kvxbench::ModuleText(size, i + 1));
  const double limit = DirectWriteNs(texts, host.ShadowDirectory());
  const double sweep = timed / static_cast<double>(state.iterations());
  state.counters["limit_ms"] = limit / 1e6;
  state.counters["ratio_to_limit"] = sweep / limit;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(count * size));
  host.CloseModules();
}
BENCHMARK(BM_PushChanged)
    ->ArgNames({"modules", "bytes"})
    ->Args({50, 1024})
    ->Args({500, 1024})
    ->Args({500, 16384})
    ->Args({1, 10 << 20})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

void BM_PushUnchanged(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const auto size = static_cast<std::size_t>(state.range(1));
  ExpertHost& host = ExpertHost::Get();
  host.OpenModules(count, size);
  if (!PushSweep()) {
    state.SkipWithError("the first push did not run");
    return;
  }
  const TrafficCount before = host.Traffic();
  const double start = kvxbench::NowNs();
  for (auto _ : state) {
    if (!PushSweep()) {
      state.SkipWithError("the push did not run");
      break;
    }
  }
  const double sweep = (kvxbench::NowNs() - start) / static_cast<double>(state.iterations());
  ReportPerModule(state, sweep, count, FloorOf(before, host.Traffic(), state.iterations()));
  host.CloseModules();
}
BENCHMARK(BM_PushUnchanged)
    ->ArgNames({"modules", "bytes"})
    ->Args({50, 1024})
    ->Args({500, 1024})
    ->Args({500, 16384})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

void BM_PullIdle(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  ExpertHost& host = ExpertHost::Get();
  host.OpenModules(count, 1024);
  if (!PushSweep()) {
    state.SkipWithError("the push before the pulls did not run");
    return;
  }
  const std::int32_t written = host.Record(0).BytesWritten;
  const TrafficCount before = host.Traffic();
  const double start = kvxbench::NowNs();
  for (auto _ : state) kvx::PullFromEditor();
  const double sweep = (kvxbench::NowNs() - start) / static_cast<double>(state.iterations());
  if (host.Record(0).BytesWritten != written || kvx::Pulling) {
    state.SkipWithError("the pull took something over");
  }
  ReportPerModule(state, sweep, count, FloorOf(before, host.Traffic(), state.iterations()));
  host.CloseModules();
}
BENCHMARK(BM_PullIdle)->ArgName("modules")->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Moves the shadow file's write time on, as a save by Corvane would.
void TouchShadow(const std::string& path, long& seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ++seconds;
  if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) throw std::runtime_error("utimensat");
}

// The limit of a take-over: the file read whole and its bytes copied once.
double ReadAndCopyNs(const std::string& path, std::size_t size) {
  std::vector<char> file(size);
  std::vector<char> copy(size);
  double best = 0;
  for (int repeat = 0; repeat < LimitRepeats; ++repeat) {
    const double start = kvxbench::NowNs();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t done = 0;
    while (fd >= 0 && done < size) {
      const ssize_t count = read(fd, file.data() + done, size - done);
      if (count <= 0) break;
      done += static_cast<std::size_t>(count);
    }
    if (fd >= 0) close(fd);
    std::memcpy(copy.data(), file.data(), size);
    benchmark::DoNotOptimize(copy.data());
    const double took = kvxbench::NowNs() - start;
    best = repeat == 0 ? took : std::min(best, took);
  }
  return best;
}

void BM_PullTakeOver(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  ExpertHost& host = ExpertHost::Get();
  host.OpenModules(1, size);
  if (!PushSweep()) {
    state.SkipWithError("the push before the pulls did not run");
    return;
  }
  kvx::KvxModuleNotifier& record = host.Record(0);
  const std::string shadow = record.ShadowName;
  long seconds = 1'000'000'000;
  double timed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TouchShadow(shadow, seconds);
    const std::uint64_t stamp = record.ShadowWriteTime;
    state.ResumeTiming();
    const double start = kvxbench::NowNs();
    kvx::PullFromEditor();
    timed += kvxbench::NowNs() - start;
    if (record.ShadowWriteTime == stamp) {
      state.SkipWithError("the pull did not take the shadow file over");
      break;
    }
  }
  const double limit = ReadAndCopyNs(shadow, size);
  const double pull = timed / static_cast<double>(state.iterations());
  state.counters["limit_ms"] = limit / 1e6;
  state.counters["ratio_to_limit"] = pull / limit;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
  host.CloseModules();
}
BENCHMARK(BM_PullTakeOver)
    ->ArgName("bytes")
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
