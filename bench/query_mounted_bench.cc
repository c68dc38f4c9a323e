// The whole QueryMounted conversation against the fake component, over
// lists in which no entry matches, so that every entry is converted and
// compared. The reply is built before the timed part; handing it over,
// walking it and releasing it are timed.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "allocation_counter.h"
#include "bench_support.h"
#include "query/fake_volume_driver.h"
#include "query/query_mounted.h"
#include "query/test_strings.h"

namespace dravlen::bench {
namespace {

using testing::ArrayVariant;
using testing::Entry;
using testing::MakeStringArray;

// What the fake hands over on its next GetMountedContainers, and the
// allocation count when it has done so: the rest of the query is the walk.
struct Reply {
  SAFEARRAY* containers = nullptr;
  SAFEARRAY* companion = nullptr;
  uint64_t allocationsWhenHandedOver = 0;
};
Reply g_reply;

void HandOver(VARIANT* containers, VARIANT* companion) {
  *containers = ArrayVariant(std::exchange(g_reply.containers, nullptr));
  *companion = ArrayVariant(std::exchange(g_reply.companion, nullptr));
  g_reply.allocationsWhenHandedOver = AllocationCount();
}

void BM_QueryMounted(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  UseCodePage(1252);
  std::vector<Entry> containers;
  for (std::u16string& path : MakePaths(PathScript::kLatin, count, 3)) {
    containers.emplace_back(std::move(path));
  }
  // One drive letter for each container.
  const std::vector<Entry> companion(count, Entry(u"M:"));
  const std::string argument = ToAnsi(AbsentPath(PathScript::kLatin), 1252);

  testing::FakeBehaviour behaviour;
  behaviour.reply = &HandOver;
  const testing::FakeVolumeDriverRegistration registration(behaviour);

  uint64_t queryAllocations = 0;
  uint64_t walkAllocations = 0;
  bool allNotMounted = true;
  for (auto _ : state) {
    state.PauseTiming();
    g_reply.containers = MakeStringArray(containers);
    g_reply.companion = MakeStringArray(companion);
    state.ResumeTiming();
    const uint64_t before = AllocationCount();
    allNotMounted &= QueryMounted(argument.c_str()) == MountVerdict::NotMounted;
    const uint64_t after = AllocationCount();
    queryAllocations += after - before;
    walkAllocations += after - g_reply.allocationsWhenHandedOver;
  }
  if (!allNotMounted) {
    state.SkipWithError("a query did not answer NotMounted");
    return;
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
  state.counters["entries"] = static_cast<double>(count);
  state.counters["per_entry"] =
      benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
  state.counters["query_allocs"] = static_cast<double>(queryAllocations) / iterations;
  state.counters["walk_allocs"] = static_cast<double>(walkAllocations) / iterations;
  state.counters["allocs_per_entry"] =
      static_cast<double>(walkAllocations) / (iterations * static_cast<double>(count));
}

BENCHMARK(BM_QueryMounted)
    ->Arg(1)
    ->Arg(100)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace dravlen::bench
