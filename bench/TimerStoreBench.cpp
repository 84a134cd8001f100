#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/PosixFileSystem.h"
#include "support/InMemoryFileSystem.h"
#include "support/VirtualTime.h"
#include "timers/TimerStore.h"

namespace brindlecap {
namespace {

std::vector<TimerItem> sampleTimers(std::size_t count, TimePoint start) {
  std::vector<TimerItem> items;
  for (std::size_t i = 0; i < count; ++i) {
    const TimePoint fire = start + 60.0 * static_cast<double>(i + 1) + 0.123;
    items.push_back(TimerItem{Uuid::random(), "Таймер номер " + std::to_string(i), start, fire,
                              i % 3 ? std::optional<TimePoint>(fire - 300) : std::nullopt,
                              i % 3 ? std::optional<std::int64_t>(2) : std::nullopt,
                              i % 3 ? std::optional<TimePoint>(fire - 300) : std::nullopt});
  }
  return items;
}

// Target: under 100 µs for a tick over 10,000 timers (one timer falls due every minute).
void BM_TickTenThousandTimers(benchmark::State& state) {
  testing::VirtualTime time;
  testing::InMemoryFileSystem files;
  TimerStore store(time, time, files);
  store.items.set(sampleTimers(10000, time.now()));
  int finished = 0;
  store.onTimerFinished = [&](const TimerItem&) { ++finished; };
  for (auto _ : state) {
    time.setWallClock(time.now() + 1);
    store.tick();
  }
  benchmark::DoNotOptimize(finished);
}
BENCHMARK(BM_TickTenThousandTimers)->Unit(benchmark::kMicrosecond);

// Target: encoding plus decoding 1,000 timers under 10 ms together.
void BM_EncodeDecodeThousandTimers(benchmark::State& state) {
  const auto items = sampleTimers(1000, 800000000);
  for (auto _ : state) {
    auto decoded = decodeTimerItems(encodeTimerItems(items));
    benchmark::DoNotOptimize(decoded);
  }
}
BENCHMARK(BM_EncodeDecodeThousandTimers)->Unit(benchmark::kMillisecond);

// The whole save of 1,000 timers to a real disk: encode, temporary file, fsync, rename, fsync.
void BM_SaveThousandTimersWithFsync(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() / ("brindlecap-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  PosixFileSystem files(dir.string());
  testing::VirtualTime time;
  TimerStore store(time, time, files);
  store.items.set(sampleTimers(1000, time.now()));
  for (auto _ : state) store.save();
  fs::remove_all(dir);
}
BENCHMARK(BM_SaveThousandTimersWithFsync)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brindlecap
