// CompareAnsiNoCase on pairs of paths, beside the C library's strcasecmp on
// the same pairs under the ASCII rule.
#include <benchmark/benchmark.h>
#include <strings.h>

#include <cstddef>
#include <string>
#include <vector>

#include "bench_support.h"
#include "query/ansi_compare.h"

namespace dravlen::bench {
namespace {

constexpr std::size_t kPairCount = 256;

enum class Difference {
  kCaseOnly,  // the same path with the case of its letters swapped
  kEarly,     // and a different fourth character
  kLate,      // and a different last character
};

struct Pairs {
  std::vector<std::string> first;
  std::vector<std::string> second;
  std::size_t bytes = 0;  // of all first texts
};

char16_t OtherLetter(char16_t c) { return c == u'q' || c == u'Q' ? u'z' : u'q'; }

Pairs MakePairs(UINT codePage, Difference difference) {
  Pairs pairs;
  for (const std::u16string& path : MakePaths(ScriptFor(codePage), kPairCount, 7)) {
    std::u16string other = SwapAsciiCase(path);
    if (difference == Difference::kEarly) other[3] = OtherLetter(other[3]);
    if (difference == Difference::kLate) other.back() = OtherLetter(other.back());
    pairs.first.push_back(ToAnsi(path, codePage));
    pairs.second.push_back(ToAnsi(other, codePage));
    pairs.bytes += pairs.first.back().size();
  }
  return pairs;
}

template <auto Compare>
void BM_Compare(benchmark::State& state, UINT codePage, Difference difference) {
  UseCodePage(codePage);
  const Pairs pairs = MakePairs(codePage, difference);
  std::size_t unequal = 0;
  for (std::size_t i = 0; i < kPairCount; ++i) {
    unequal += Compare(pairs.first[i].c_str(), pairs.second[i].c_str()) != 0;
  }
  if (unequal != (difference == Difference::kCaseOnly ? 0 : kPairCount)) {
    state.SkipWithError("the pairs do not compare as built");
    return;
  }

  for (auto _ : state) {
    for (std::size_t i = 0; i < kPairCount; ++i) {
      benchmark::DoNotOptimize(Compare(pairs.first[i].c_str(), pairs.second[i].c_str()));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kPairCount));
  state.counters["per_compare"] = benchmark::Counter(
      static_cast<double>(kPairCount),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["path_bytes"] = static_cast<double>(pairs.bytes) / static_cast<double>(kPairCount);
}

void BM_CompareAnsiNoCase(benchmark::State& state, UINT codePage, Difference difference) {
  BM_Compare<&CompareAnsiNoCase>(state, codePage, difference);
}

void BM_Strcasecmp(benchmark::State& state, UINT codePage, Difference difference) {
  BM_Compare<&strcasecmp>(state, codePage, difference);
}

BENCHMARK_CAPTURE(BM_CompareAnsiNoCase, ascii_case_only, 1252u, Difference::kCaseOnly);
BENCHMARK_CAPTURE(BM_Strcasecmp, ascii_case_only, 1252u, Difference::kCaseOnly);
BENCHMARK_CAPTURE(BM_CompareAnsiNoCase, ascii_early, 1252u, Difference::kEarly);
BENCHMARK_CAPTURE(BM_Strcasecmp, ascii_early, 1252u, Difference::kEarly);
BENCHMARK_CAPTURE(BM_CompareAnsiNoCase, ascii_late, 1252u, Difference::kLate);
BENCHMARK_CAPTURE(BM_Strcasecmp, ascii_late, 1252u, Difference::kLate);
BENCHMARK_CAPTURE(BM_CompareAnsiNoCase, multibyte_case_only, 932u, Difference::kCaseOnly);
BENCHMARK_CAPTURE(BM_CompareAnsiNoCase, multibyte_early, 932u, Difference::kEarly);
BENCHMARK_CAPTURE(BM_CompareAnsiNoCase, multibyte_late, 932u, Difference::kLate);

}  // namespace
}  // namespace dravlen::bench
