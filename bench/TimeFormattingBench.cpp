#include <benchmark/benchmark.h>

#include "timers/TimeFormatting.h"

namespace brindlecap {
namespace {

// Target: under 1 µs a call; the icon and every list row format once per second.
void BM_Duration(benchmark::State& state) {
  double seconds = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TimeFormatting::duration(seconds));
    seconds = seconds > 700000 ? 0 : seconds + 3671.5;  // walk through all three forms
  }
}
BENCHMARK(BM_Duration);

void BM_IconRemaining(benchmark::State& state) {
  double left = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TimeFormatting::iconRemaining(1000 + left, 1000));
    left = left > 300000 ? 0 : left + 977.25;
  }
}
BENCHMARK(BM_IconRemaining);

void BM_RemainingPhrase(benchmark::State& state) {
  double left = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TimeFormatting::remainingPhrase(1000 + left, 1000));
    left = left > 300000 ? 0 : left + 977.25;
  }
}
BENCHMARK(BM_RemainingPhrase);

}  // namespace
}  // namespace brindlecap
