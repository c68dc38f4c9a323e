// ConvertToAnsiText on paths, into one text reused as a walk reuses it.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "bench_support.h"
#include "dravlen/ansi_text.h"
#include "query/ansi_conversion.h"

namespace dravlen::bench {
namespace {

constexpr std::size_t kPathCount = 256;

void BM_ConvertToAnsiText(benchmark::State& state, UINT codePage) {
  UseCodePage(codePage);
  const std::vector<std::u16string> paths = MakePaths(ScriptFor(codePage), kPathCount, 11);
  // The first pass grows the text to the longest path and checks the result.
  AnsiText text;
  for (const std::u16string& path : paths) {
    ConvertToAnsiText(text, path.c_str());
    if (text.c_str() != ToAnsi(path, codePage)) {
      state.SkipWithError("a path did not convert to the code page's text");
      return;
    }
  }

  const uint64_t allocationsBefore = AllocationCount();
  for (auto _ : state) {
    for (const std::u16string& path : paths) {
      ConvertToAnsiText(text, path.c_str());
      benchmark::DoNotOptimize(text.c_str());
    }
  }
  const auto conversions = static_cast<double>(state.iterations()) * kPathCount;
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kPathCount));
  state.counters["per_conversion"] = benchmark::Counter(
      static_cast<double>(kPathCount),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_conversion"] =
      static_cast<double>(AllocationCount() - allocationsBefore) / conversions;
}

BENCHMARK_CAPTURE(BM_ConvertToAnsiText, latin_1252, 1252u);
BENCHMARK_CAPTURE(BM_ConvertToAnsiText, japanese_932, 932u);

}  // namespace
}  // namespace dravlen::bench
