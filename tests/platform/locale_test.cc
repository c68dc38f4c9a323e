#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "platform/posix/nls.h"
#include "platform/posix/testing.h"

namespace {

using namespace std::string_literals;

const char* const kLocaleVariables[] = {"LC_ALL", "LC_CTYPE", "LANG"};

// Restores the locale variables and the machine after each test.
class LocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      const char* value = std::getenv(kLocaleVariables[i]);
      saved_[i] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    standin::ResetMachine();
  }
  void TearDown() override {
    for (int i = 0; i < 3; ++i)
      SetVariable(kLocaleVariables[i], saved_[i] ? saved_[i]->c_str() : nullptr);
    standin::ResetMachine();
  }
  static void SetVariable(const char* name, const char* value) {
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
  }

 private:
  std::optional<std::string> saved_[3];
};

TEST_F(LocaleTest, EnvironmentLocaleGivesCodePageAndLocale) {
  struct Case {
    const char* lcAll;
    const char* lcCtype;
    const char* lang;
    UINT codePage;
    LCID locale;
  };
  const Case cases[] = {
      {"ja_JP.UTF-8", nullptr, nullptr, 932, 0x0411},
      {nullptr, "zh_CN.GB18030", "ja_JP", 936, 0x0804},
      {nullptr, nullptr, "ko_KR.UTF-8", 949, 0x0412},
      {"", "", "zh_TW.Big5", 950, 0x0404},  // empty means unset
      {nullptr, nullptr, "ru_RU.CP1251", 1251, 0x0419},
      {nullptr, nullptr, "de_DE@euro", 1252, 0x0407},
      {"C", nullptr, "ja_JP", 1252, 0x0409},  // LC_ALL wins, even as C
      {nullptr, nullptr, "POSIX", 1252, 0x0409},
      {nullptr, nullptr, "ja", 1252, 0x0409},
      {nullptr, nullptr, nullptr, 1252, 0x0409},
  };
  for (const Case& c : cases) {
    SetVariable("LC_ALL", c.lcAll);
    SetVariable("LC_CTYPE", c.lcCtype);
    SetVariable("LANG", c.lang);
    standin::ResetMachine();
    SCOPED_TRACE(c.codePage);
    EXPECT_EQ(standin::AnsiCodePageFromEnvironment(), c.codePage);
    EXPECT_EQ(standin::LocaleFromEnvironment(), c.locale);
    EXPECT_EQ(GetACP(), c.codePage);
    EXPECT_EQ(GetThreadLocale(), c.locale);
  }
}

TEST_F(LocaleTest, ThreadLocaleIsPerThreadAndResetRestoresIt) {
  const LCID initial = GetThreadLocale();
  ASSERT_TRUE(SetThreadLocale(0x0411));
  EXPECT_EQ(GetThreadLocale(), 0x0411u);
  std::thread([initial] { EXPECT_EQ(GetThreadLocale(), initial); }).join();
  standin::ResetMachine();
  EXPECT_EQ(GetThreadLocale(), initial);
}

TEST_F(LocaleTest, LocaleInfoAnsiCodePage) {
  standin::SetLocaleAnsiCodePageText(0x0407, "65001");
  standin::SetLocaleAnsiCodePageText(0x1234, "12345");
  standin::SetLocaleAnsiCodePageText(0x0412, nullptr);
  struct Case {
    LCID locale;
    LCTYPE type;
    int size;
    int result;
    const char* text;  // or the error for a failure
    DWORD error;
  };
  const Case cases[] = {
      {0x0411, LOCALE_IDEFAULTANSICODEPAGE, 16, 4, "932", 0},
      {0x0419, LOCALE_IDEFAULTANSICODEPAGE, 5, 5, "1251", 0},
      {0x0407, LOCALE_IDEFAULTANSICODEPAGE, 16, 6, "65001", 0},  // registered text wins
      {0x1234, LOCALE_IDEFAULTANSICODEPAGE, 16, 6, "12345", 0},
      {0x0411, LOCALE_IDEFAULTANSICODEPAGE, 0, 4, "", 0},  // size query
      {0x0419, LOCALE_IDEFAULTANSICODEPAGE, 4, 0, "", ERROR_INSUFFICIENT_BUFFER},
      {0x0412, LOCALE_IDEFAULTANSICODEPAGE, 16, 0, "", ERROR_INVALID_PARAMETER},
      {0x0C0A, LOCALE_IDEFAULTANSICODEPAGE, 16, 0, "", ERROR_INVALID_PARAMETER},
      {0x0411, 0x00000002, 16, 0, "", ERROR_INVALID_FLAGS},
  };
  for (const Case& c : cases) {
    char buffer[16] = {};
    SetLastError(0);
    EXPECT_EQ(GetLocaleInfoA(c.locale, c.type, buffer, c.size), c.result) << std::hex << c.locale;
    EXPECT_STREQ(buffer, c.text);
    EXPECT_EQ(GetLastError(), c.error);
  }
  standin::ResetMachine();
  char buffer[8];
  EXPECT_EQ(GetLocaleInfoA(0x1234, LOCALE_IDEFAULTANSICODEPAGE, buffer, 8), 0);
  EXPECT_EQ(GetLocaleInfoA(0x0407, LOCALE_IDEFAULTANSICODEPAGE, buffer, 8), 5);
  EXPECT_STREQ(buffer, "1252");
}

TEST_F(LocaleTest, VersionIsConfigurable) {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(info.dwMajorVersion, 10u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  standin::SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4);
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
  EXPECT_EQ(info.dwMajorVersion, 4u);
  info.dwOSVersionInfoSize = sizeof info + 8;
  SetLastError(0);
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

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
