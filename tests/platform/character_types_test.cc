#include "platform/posix/character_types.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

using namespace std::string_literals;

TEST(StringTypeTest, ClassifiesWithoutTouchingTheProcessLocale) {
  const std::string processLocale = std::setlocale(LC_CTYPE, nullptr);
  struct Case {
    char16_t c;
    WORD type;
  };
  const Case cases[] = {
      {u'A', C1_UPPER | C1_ALPHA | C1_XDIGIT | C1_DEFINED},
      {u'a', C1_LOWER | C1_ALPHA | C1_XDIGIT | C1_DEFINED},
      {u'\u00C9', C1_UPPER | C1_ALPHA | C1_DEFINED},
      {u'\u00E9', C1_LOWER | C1_ALPHA | C1_DEFINED},
      {u'7', C1_DIGIT | C1_XDIGIT | C1_DEFINED},
      {u' ', C1_SPACE | C1_BLANK | C1_DEFINED},
      {u'\t', C1_SPACE | C1_BLANK | C1_CNTRL | C1_DEFINED},
      {u'\\', C1_PUNCT | C1_DEFINED},
  };
  for (const Case& c : cases) {
    WORD type = 0xFFFF;
    ASSERT_TRUE(GetStringTypeW(CT_CTYPE1, &c.c, 1, &type));
    EXPECT_EQ(type, c.type) << static_cast<int>(c.c);
  }
  WORD types[4] = {0, 0, 0, 0xBEEF};
  ASSERT_TRUE(GetStringTypeW(CT_CTYPE1, u"Ab", -1, types));  // through the NUL
  EXPECT_TRUE(types[0] & C1_UPPER);
  EXPECT_TRUE(types[1] & C1_LOWER);
  EXPECT_EQ(types[3], 0xBEEF);
  SetLastError(0);
  EXPECT_FALSE(GetStringTypeW(2, u"A", 1, types));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
  EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), processLocale);
}

TEST(MapStringTest, MapsCaseUnitByUnit) {
  struct Case {
    DWORD flags;
    std::u16string in;
    std::u16string out;
  };
  const Case cases[] = {
      {LCMAP_UPPERCASE, u"c:\\Dir\\\u00E9t\u00E9", u"C:\\DIR\\\u00C9T\u00C9"},
      {LCMAP_UPPERCASE, u"stra\u00DFe \u0430", u"STRA\u00DFE \u0410"},  // no expansion
      {LCMAP_LOWERCASE, u"\u00C0B\u0416", u"\u00E0b\u0436"},
      {LCMAP_LOWERCASE, u"\U00010400", u"\U00010400"},  // surrogates stay as they are
  };
  for (const Case& c : cases) {
    const int length = static_cast<int>(c.in.size());
    std::u16string out(c.in.size(), u'X');
    EXPECT_EQ(LCMapStringW(0, c.flags, c.in.data(), length, nullptr, 0), length);
    EXPECT_EQ(LCMapStringW(0x0409, c.flags, c.in.data(), length, &out[0], length), length);
    EXPECT_EQ(out, c.out);
  }
  char16_t buffer[4] = {u'X', u'X', u'X', u'X'};
  EXPECT_EQ(LCMapStringW(0, LCMAP_UPPERCASE, u"ab", -1, buffer, 4), 3);
  EXPECT_EQ(std::u16string(buffer, 4), u"AB\0X"s);
  struct Bad {
    DWORD flags;
    int destLength;
    DWORD error;
  };
  for (const Bad& b : {Bad{LCMAP_UPPERCASE, 2, ERROR_INSUFFICIENT_BUFFER},
                       Bad{LCMAP_UPPERCASE | LCMAP_LOWERCASE, 4, ERROR_INVALID_FLAGS},
                       Bad{0, 4, ERROR_INVALID_FLAGS}}) {
    SetLastError(0);
    EXPECT_EQ(LCMapStringW(0, b.flags, u"ab", -1, buffer, b.destLength), 0);
    EXPECT_EQ(GetLastError(), b.error);
  }
}

}  // namespace
