// Ordering a full input queue (100 spoolers x 300 files): the exchange procedure as
// the queue runs it, on realistic and on adversarial queues, beside the literal
// procedure on whole entries.
#include <benchmark/benchmark.h>

#include <random>

#include "intake/input_queue.h"

namespace {

using vellora::intake::InputQueue;
using vellora::intake::QueuedJob;

struct Listed {
  std::string FileName;
  std::string ListedTime;
  uint64_t TimeKey;
};

enum Shape { kRandom = 0, kAscending = 1, kDescending = 2 };

InputQueue MakeQueue(int spoolers, int files, Shape shape) {
  std::mt19937_64 rng(7);
  InputQueue q;
  for (int s = 0; s < spoolers; ++s) {
    vellora::core::Spooler sp;
    sp.SetupName = "Setup" + std::to_string(s + 1);
    sp.Priority = 1 + s % 3;
    std::vector<Listed> l;
    for (int f = 0; f < files; ++f) {
      int k = s * files + f;
      uint64_t t = shape == kRandom ? rng() % 86400 : shape == kAscending ? k : 1000000 - k;
      l.push_back({"PAGE-" + std::to_string(k) + ".ps", "09/12/2026 10:00:00", t});
    }
    q.Append(l, files, sp, s, nullptr);
  }
  return q;
}

void BM_SortQueue(benchmark::State& state) {
  InputQueue base = MakeQueue(100, 300, static_cast<Shape>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    InputQueue q = base;
    state.ResumeTiming();
    q.Sort(false);
    benchmark::DoNotOptimize(q[0].FileName.data());
  }
  state.SetLabel(state.range(0) == kRandom      ? "random times"
                 : state.range(0) == kAscending ? "ascending"
                                                : "descending");
}
BENCHMARK(BM_SortQueue)
    ->Arg(kRandom)
    ->Arg(kAscending)
    ->Arg(kDescending)
    ->Unit(benchmark::kMillisecond);

void BM_LiteralExchange(benchmark::State& state) {
  InputQueue base = MakeQueue(100, 300, kRandom);
  std::vector<QueuedJob> jobs;
  for (int i = 0; i < base.Count(); ++i) jobs.push_back(base[i]);
  for (auto _ : state) {
    std::vector<QueuedJob> q = jobs;
    int n = static_cast<int>(q.size());
    for (int i = 0; i + 1 < n; ++i)
      for (int j = i + 1; j < n; ++j)
        if (q[i].TimeKey > q[j].TimeKey) std::swap(q[i], q[j]);
    for (int i = 0; i + 1 < n; ++i)
      for (int j = i + 1; j < n; ++j)
        if (q[i].Priority < q[j].Priority) std::swap(q[i], q[j]);
    benchmark::DoNotOptimize(q[0].FileName.data());
  }
}
BENCHMARK(BM_LiteralExchange)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
