// Character classification (GetStringTypeW) and case mapping (LCMapStringW)
// of UTF-16 code units, through the C library's wide-character functions.
#include "platform/posix/character_types.h"

#include <locale.h>
#include <wctype.h>

#include <climits>
#include <cstddef>
#include <initializer_list>

#include "platform/posix/internal.h"

namespace {

// Classification and case mapping in a UTF-8 locale object, created once
// and never installed as the process locale.
locale_t UnicodeLocale() {
  static const locale_t locale = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      const locale_t created = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
      if (created != static_cast<locale_t>(nullptr)) return created;
    }
    return newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
  }();
  return locale;
}

WORD CharacterType1(WCHAR unit, locale_t locale) {
  // A surrogate half is no character of its own.
  if (unit >= 0xD800 && unit <= 0xDFFF) return 0;
  const auto c = static_cast<wint_t>(unit);
  unsigned type = 0;
  if (iswupper_l(c, locale)) type |= C1_UPPER;
  if (iswlower_l(c, locale)) type |= C1_LOWER;
  if (iswdigit_l(c, locale)) type |= C1_DIGIT;
  if (iswspace_l(c, locale)) type |= C1_SPACE;
  if (iswpunct_l(c, locale)) type |= C1_PUNCT;
  if (iswcntrl_l(c, locale)) type |= C1_CNTRL;
  if (iswblank_l(c, locale)) type |= C1_BLANK;
  if (iswxdigit_l(c, locale)) type |= C1_XDIGIT;
  if (iswalpha_l(c, locale)) type |= C1_ALPHA;
  if (type != 0 || iswprint_l(c, locale) || iswgraph_l(c, locale)) type |= C1_DEFINED;
  return static_cast<WORD>(type);
}

WCHAR MapCase(WCHAR unit, bool upper, locale_t locale) {
  if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
  const auto c = static_cast<wint_t>(unit);
  const wint_t mapped = upper ? towupper_l(c, locale) : towlower_l(c, locale);
  // A code unit maps to a code unit; anything wider is left as it was.
  return mapped <= 0xFFFF ? static_cast<WCHAR>(mapped) : unit;
}

std::size_t WideLength(LPCWSTR text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

}  // namespace

using standin::internal::Fail;

BOOL GetStringTypeW(DWORD infoType, LPCWCH text, int length, LPWORD types) {
  if (infoType != CT_CTYPE1) return Fail(ERROR_INVALID_FLAGS);
  if (text == nullptr || types == nullptr || length == 0 || length < -1) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const std::size_t count = length == -1 ? WideLength(text) + 1 : static_cast<std::size_t>(length);
  const locale_t locale = UnicodeLocale();
  for (std::size_t i = 0; i < count; ++i) types[i] = CharacterType1(text[i], locale);
  return TRUE;
}

int LCMapStringW(LCID /*locale*/, DWORD flags, LPCWSTR source, int sourceLength, LPWSTR dest,
                 int destLength) {
  if (source == nullptr || sourceLength == 0 || sourceLength < -1 || destLength < 0 ||
      (destLength > 0 && dest == nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (flags != LCMAP_LOWERCASE && flags != LCMAP_UPPERCASE) return Fail(ERROR_INVALID_FLAGS);

  const std::size_t count =
      sourceLength == -1 ? WideLength(source) + 1 : static_cast<std::size_t>(sourceLength);
  if (count > INT_MAX) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (destLength == 0) return static_cast<int>(count);
  if (count > static_cast<std::size_t>(destLength)) return Fail(ERROR_INSUFFICIENT_BUFFER);

  // Unit by unit, so `dest` may be `source`.
  const bool upper = flags == LCMAP_UPPERCASE;
  const locale_t locale = UnicodeLocale();
  for (std::size_t i = 0; i < count; ++i) dest[i] = MapCase(source[i], upper, locale);
  return static_cast<int>(count);
}
