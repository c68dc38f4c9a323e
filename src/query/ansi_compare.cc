#include "query/ansi_compare.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "platform/platform.h"
#include "query/comparison_code_page.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define DRAVLEN_HAVE_SSE2 1
#include <emmintrin.h>
#ifdef _MSC_VER
#include <intrin.h>
#endif
#else
#define DRAVLEN_HAVE_SSE2 0
#endif

namespace dravlen {
namespace {

// A table rather than a test: letters of mixed case would defeat branch
// prediction on every byte.
constexpr std::array<uint8_t, 256> kAsciiFold = [] {
  std::array<uint8_t, 256> fold{};
  for (std::size_t byte = 0; byte < 256; ++byte) {
    fold[byte] = static_cast<uint8_t>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
  }
  return fold;
}();

// Compares the folded bytes at `at`: true, with the result, when they
// decide, because they differ or because `first` ends there.
bool DecidesAt(const unsigned char* first, const unsigned char* second, std::size_t at,
               int32_t& result) {
  const int a = kAsciiFold[first[at]];
  const int b = kAsciiFold[second[at]];
  result = a - b;
  return a != b || first[at] == '\0';
}

#if DRAVLEN_HAVE_SSE2
// Folds "A" to "Z" in sixteen bytes at once: a byte gains 0x20 when it lies
// less than 26 above "A", tested as a signed byte with its top bit flipped.
__m128i FoldAsciiBlock(const unsigned char* bytes) {
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i offset = _mm_xor_si128(_mm_sub_epi8(block, _mm_set1_epi8('A')),
                                       _mm_set1_epi8(static_cast<char>(0x80)));
  const __m128i upper = _mm_cmplt_epi8(offset, _mm_set1_epi8(static_cast<char>(0x80 + 26)));
  return _mm_or_si128(block, _mm_and_si128(upper, _mm_set1_epi8(0x20)));
}

// Bit i set where byte i of the two blocks differs when folded.
unsigned DifferingBytes(const unsigned char* first, const unsigned char* second) {
  const __m128i equal = _mm_cmpeq_epi8(FoldAsciiBlock(first), FoldAsciiBlock(second));
  return ~static_cast<unsigned>(_mm_movemask_epi8(equal)) & 0xFFFFu;
}

unsigned LowestSetBit(unsigned mask) {
#ifdef _MSC_VER
  unsigned long index = 0;
  _BitScanForward(&index, mask);
  return static_cast<unsigned>(index);
#else
  return static_cast<unsigned>(__builtin_ctz(mask));
#endif
}

// The first position where the texts may differ when folded. Past the
// first few bytes, where most unequal paths part, both lengths are measured
// and the paths compared sixteen bytes at a time: they share long equal
// stretches. The last block ends where the shorter text does, overlapping
// the one before it, so nothing is read past either terminator.
std::size_t SkipEqualBytes(const unsigned char* first, const unsigned char* second) {
  constexpr std::size_t kHead = 8;
  constexpr std::size_t kBlock = 16;
  for (std::size_t at = 0; at < kHead; ++at) {
    if (kAsciiFold[first[at]] != kAsciiFold[second[at]] || first[at] == '\0') return at;
  }
  const std::size_t shorter =
      kHead + std::min(std::strlen(reinterpret_cast<const char*>(first + kHead)),
                       std::strlen(reinterpret_cast<const char*>(second + kHead)));
  if (shorter - kHead < kBlock) return kHead;
  for (std::size_t at = kHead;; at += kBlock) {
    if (at + kBlock > shorter) at = shorter - kBlock;
    if (const unsigned differing = DifferingBytes(first + at, second + at)) {
      return at + LowestSetBit(differing);
    }
    if (at + kBlock == shorter) return shorter;
  }
}
#else
std::size_t SkipEqualBytes(const unsigned char*, const unsigned char*) { return 0; }
#endif

int32_t CompareAscii(const unsigned char* first, const unsigned char* second) {
  int32_t result = 0;
  std::size_t at = SkipEqualBytes(first, second);
  while (!DecidesAt(first, second, at, result)) ++at;
  return result;
}

// The upper-case form of one two-byte character as a 16-bit value (a single
// byte if the mapping yields one), or -1 when any step fails.
int32_t UpperCaseOf(const ComparisonCodePage& rules, const unsigned char* character) {
  const char bytes[2] = {static_cast<char>(character[0]), static_cast<char>(character[1])};
  WCHAR wide[2];
  const int wideLength =
      MultiByteToWideChar(rules.codePage, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, bytes, 2, wide, 2);
  if (wideLength <= 0) return -1;
  WCHAR upper[2];
  const int upperLength = LCMapStringW(rules.localeId, LCMAP_UPPERCASE, wide, wideLength, upper, 2);
  if (upperLength <= 0) return -1;
  char mapped[2];
  switch (WideCharToMultiByte(rules.codePage, 0, upper, upperLength, mapped, 2, nullptr, nullptr)) {
    case 1:
      return static_cast<unsigned char>(mapped[0]);
    case 2:
      return static_cast<unsigned char>(mapped[0]) * 256 + static_cast<unsigned char>(mapped[1]);
    default:
      return -1;
  }
}

// The value of the character at `text`, moving past it. A lead byte right
// before the terminator ends the text. False when case mapping fails.
bool NextCharacter(const ComparisonCodePage& rules, const unsigned char*& text, int32_t& value) {
  const unsigned char byte = *text;
  if (rules.isLeadByte[byte]) {
    if (text[1] == '\0') {
      value = 0;
      return true;
    }
    value = UpperCaseOf(rules, text);
    text += 2;
    return value >= 0;
  }
  value = rules.isUpperCase[byte] ? rules.lowerCaseOf[byte] : byte;
  ++text;
  return true;
}

int32_t CompareMultibyte(const ComparisonCodePage& rules, const unsigned char* first,
                         const unsigned char* second) {
  for (;;) {
    int32_t a = 0;
    int32_t b = 0;
    if (!NextCharacter(rules, first, a) || !NextCharacter(rules, second, b)) {
      return kCaseMappingFailed;
    }
    if (a != b) return a > b ? 1 : -1;
    if (a == 0) return 0;
  }
}

}  // namespace

int32_t CompareAnsiNoCase(const char* first, const char* second) {
  const ComparisonCodePage& rules = ComparisonCodePageInForce();
  const auto* a = reinterpret_cast<const unsigned char*>(first);
  const auto* b = reinterpret_cast<const unsigned char*>(second);
  return rules.isMultibyte ? CompareMultibyte(rules, a, b) : CompareAscii(a, b);
}

}  // namespace dravlen
