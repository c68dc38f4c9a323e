#include "query/ansi_compare.h"

#include "platform/platform.h"
#include "query/comparison_code_page.h"

namespace dravlen {
namespace {

int FoldAscii(unsigned char byte) { return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte; }

int32_t CompareAscii(const unsigned char* first, const unsigned char* second) {
  for (;; ++first, ++second) {
    const int a = FoldAscii(*first);
    const int b = FoldAscii(*second);
    if (a != b || *first == '\0') return a - b;
  }
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
