// A keystroke that is not the hotkey, through the expert's keyboard hook,
// next to what every keyboard hook must do anyway: read the keyboard state and
// pass the key on. The hook must not touch the heap.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/allocation_counter.h"
#include "bench/bench_environment.h"
#include "editorlink/kvxdde.h"
#include "shell/globals.h"
#include "shell/keyboard_hook.h"

namespace {

constexpr WPARAM PlainKey = 'A';
// A first key-down of 'A': repeat count 1, its scan code, not extended.
constexpr LPARAM PlainKeyData = 0x001E0001;

LRESULT CALLBACK BareHookProc(int Code, WPARAM Key, LPARAM KeyData) {
  BYTE state[256];
  GetKeyboardState(state);
  benchmark::DoNotOptimize(state);
  return CallNextHookEx(nullptr, Code, Key, KeyData);
}

// Ctrl+Alt+K, as a profile would configure it.
void ConfigureHotKey() {
  kvx::HotKeyChar = 'K';
  kvx::HotKeyFlags = kvx::ChordAlways | kvx::ChordCtrl | kvx::ChordAlt;
  kvx::OpenConversations = 0;
  kvx::ShuttingDown = false;
  BYTE state[256];
  GetKeyboardState(state);  // the thread's queue exists before anything is timed
}

template <typename Proc>
double TimeCallsNs(Proc proc, std::int64_t count) {
  const double start = kvxbench::NowNs();
  for (std::int64_t i = 0; i < count; ++i) {
    benchmark::DoNotOptimize(proc(HC_ACTION, PlainKey, PlainKeyData));
  }
  return (kvxbench::NowNs() - start) / static_cast<double>(count);
}

void BM_KeystrokeHook(benchmark::State& state) {
  ConfigureHotKey();
  benchmark::DoNotOptimize(kvx::KeyboardHookProc(HC_ACTION, PlainKey, PlainKeyData));
  const std::uint64_t allocationsBefore = kvxbench::AllocationCount();
  const double start = kvxbench::NowNs();
  for (auto _ : state) {
    benchmark::DoNotOptimize(kvx::KeyboardHookProc(HC_ACTION, PlainKey, PlainKeyData));
  }
  const double hookNs = (kvxbench::NowNs() - start) / static_cast<double>(state.iterations());
  const std::uint64_t allocations = kvxbench::AllocationCount() - allocationsBefore;

  const double limitNs = TimeCallsNs(&BareHookProc, state.iterations());
  const double perKeystroke =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
  state.counters["allocs_per_keystroke"] = perKeystroke;
  state.counters["limit_ns"] = limitNs;
  state.counters["ratio_to_limit"] = hookNs / limitNs;
  if (allocations != 0) {
    const std::string why = "the keystroke hook allocated " + std::to_string(allocations) +
                            " times in " + std::to_string(state.iterations()) + " keystrokes";
    kvxbench::Fail(why);
    state.SkipWithError(why.c_str());
  }
}
BENCHMARK(BM_KeystrokeHook);

// The limit alone, for the record.
void BM_BareHook(benchmark::State& state) {
  ConfigureHotKey();
  for (auto _ : state) benchmark::DoNotOptimize(BareHookProc(HC_ACTION, PlainKey, PlainKeyData));
}
BENCHMARK(BM_BareHook);

}  // namespace
