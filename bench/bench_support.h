// What the benchmarks share: the simulated machine's code page, and
// container paths as users keep them (under a drive or a share, some
// folders deep, with a file name and an extension).
#ifndef DRAVLEN_BENCH_BENCH_SUPPORT_H_
#define DRAVLEN_BENCH_BENCH_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace dravlen::bench {

// A fresh stand-in machine whose system and thread code page is `codePage`
// (1252 or 932), with the comparison rules set up for it as at start-up.
void UseCodePage(UINT codePage);

enum class PathScript {
  kLatin,     // ASCII only
  kJapanese,  // folders and names partly in kana and kanji
};

// The script of the sample paths that suit `codePage`.
PathScript ScriptFor(UINT codePage);

inline constexpr std::size_t kShortestPath = 20;  // bytes of the ANSI form
inline constexpr std::size_t kLongestPath = 260;

// `count` paths whose ANSI forms (1252, or 932 for Japanese) are
// kShortestPath to kLongestPath bytes long. The same seed gives the same
// sequence, so a shorter list is a prefix of a longer one.
std::vector<std::u16string> MakePaths(PathScript script, std::size_t count, uint32_t seed);

// `wide` converted by the platform to `codePage`.
std::string ToAnsi(const std::u16string& wide, UINT codePage);

// `wide` with "A" to "Z" and "a" to "z" in the other case.
std::u16string SwapAsciiCase(std::u16string wide);

// A path under the same folders as the samples that none of them is.
std::u16string AbsentPath(PathScript script);

}  // namespace dravlen::bench

#endif  // DRAVLEN_BENCH_BENCH_SUPPORT_H_
