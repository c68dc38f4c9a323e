// Setting up the comparison rules, which the program does once at start-up.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "query/comparison_code_page.h"

namespace dravlen::bench {
namespace {

void BM_InitComparisonCodePage(benchmark::State& state) {
  const auto codePage = static_cast<UINT>(state.range(0));
  UseCodePage(codePage);
  for (auto _ : state) {
    InitComparisonCodePage();
    benchmark::ClobberMemory();
  }
  if (ComparisonCodePageInForce().codePage != codePage) {
    state.SkipWithError("the rules in force are not those of the code page");
  }
}

BENCHMARK(BM_InitComparisonCodePage)->Arg(1252)->Arg(932)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace dravlen::bench
