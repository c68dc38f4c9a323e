#include "query/ansi_conversion.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/testing.h"
#include "query/conversion_code_page.h"

namespace dravlen {
namespace {

class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ResetMachine();
    ResetConversionCodePageMethod();
  }
  void TearDown() override { ResetConversionCodePageMethod(); }

  std::string Convert(const char16_t* wide) {
    ConvertToAnsiText(text_, wide);
    EXPECT_EQ(text_.c_str()[text_.length()], '\0');
    return std::string(text_.c_str(), static_cast<size_t>(text_.length()));
  }

  AnsiText text_;
};

struct ConversionCase {
  UINT systemCodePage;
  LCID threadLocale;
  const char16_t* wide;  // may hold an embedded NUL
  std::string expected;
};

void PrintTo(const ConversionCase& test, std::ostream* os) {
  *os << test.systemCodePage << "/" << test.threadLocale << ": "
      << ::testing::PrintToString(test.expected);
}

class ConvertToAnsiTextTest : public ConversionTest,
                              public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(ConvertToAnsiTextTest, Converts) {
  const ConversionCase& test = GetParam();
  standin::SetSystemAnsiCodePage(test.systemCodePage);
  SetThreadLocale(test.threadLocale);
  EXPECT_EQ(Convert(test.wide), test.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ConvertToAnsiTextTest,
    ::testing::Values(ConversionCase{1252, 0x0409, nullptr, ""},
                      ConversionCase{1252, 0x0409, u"", ""},
                      ConversionCase{1252, 0x0409, u"c:\\a.qmv", "c:\\a.qmv"},
                      // Nothing after an embedded NUL takes part.
                      ConversionCase{1252, 0x0409, u"c:\\a.qmv\0junk", "c:\\a.qmv"},
                      ConversionCase{1252, 0x0409, u"\0junk", ""},
                      ConversionCase{1252, 0x0409, u"\u00C9t\u00E9", "\xC9t\xE9"},
                      // A character the code page lacks takes its default character.
                      ConversionCase{1252, 0x0409, u"c:\\\u8868", "c:\\?"},
                      ConversionCase{932, 0x0411, u"c:\\\u8868", "c:\\\x95\x5C"},
                      ConversionCase{932, 0x0411, u"\uFF21", "\x82\x60"},
                      // The thread's code page converts, whatever the system's is.
                      ConversionCase{1252, 0x0419, u"\u0416", "\xC6"},
                      ConversionCase{1251, 0x0409, u"\u00C9", "\xC9"}));

TEST_F(ConversionTest, ReusesStorageForShorterEntries) {
  standin::SetSystemAnsiCodePage(1252);
  EXPECT_EQ(Convert(u"c:\\a\\much\\longer\\path.qmv"), "c:\\a\\much\\longer\\path.qmv");
  const char* storage = text_.c_str();
  EXPECT_EQ(Convert(u"c:\\b.qmv"), "c:\\b.qmv");
  EXPECT_EQ(text_.c_str(), storage);
  EXPECT_EQ(Convert(nullptr), "");
  EXPECT_EQ(Convert(u"c:\\c.qmv"), "c:\\c.qmv");
  EXPECT_EQ(text_.c_str(), storage);
}

TEST_F(ConversionTest, UnknownCodePageGivesEmptyText) {
  standin::SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4);
  standin::SetLocaleAnsiCodePageText(0x0409, "12345");
  SetThreadLocale(0x0409);
  EXPECT_EQ(Convert(u"c:\\a.qmv"), "");
}

struct MethodCase {
  const char* name;
  DWORD platformId;
  DWORD majorVersion;
  const char* localeText;  // null: the lookup fails
  uint32_t expected;
};

void PrintTo(const MethodCase& test, std::ostream* os) { *os << test.name; }

class ConversionCodePageTest : public ::testing::TestWithParam<MethodCase> {
 protected:
  void SetUp() override {
    standin::ResetMachine();
    standin::SetSystemAnsiCodePage(1250);
    ResetConversionCodePageMethod();
  }
  void TearDown() override { ResetConversionCodePageMethod(); }
};

TEST_P(ConversionCodePageTest, ChoosesMethodAndCodePage) {
  const MethodCase& test = GetParam();
  standin::SetVersion(test.platformId, test.majorVersion);
  constexpr LCID kLocale = 0x0C0C;
  standin::SetLocaleAnsiCodePageText(kLocale, test.localeText);
  SetThreadLocale(kLocale);
  EXPECT_EQ(GetConversionCodePage(), test.expected);
  EXPECT_EQ(GetConversionCodePage(), test.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, ConversionCodePageTest,
    ::testing::Values(
        MethodCase{"Nt5UsesThreadCodePage", VER_PLATFORM_WIN32_NT, 5, "1251", CP_THREAD_ACP},
        MethodCase{"Nt10UsesThreadCodePage", VER_PLATFORM_WIN32_NT, 10, "1251", CP_THREAD_ACP},
        MethodCase{"Nt4LooksUpLocale", VER_PLATFORM_WIN32_NT, 4, "1251", 1251},
        MethodCase{"Windows9xLooksUpLocale", VER_PLATFORM_WIN32_WINDOWS, 4, "932", 932},
        MethodCase{"ZeroMeansSystem", VER_PLATFORM_WIN32_WINDOWS, 4, "0", 1250},
        MethodCase{"EmptyMeansSystem", VER_PLATFORM_WIN32_WINDOWS, 4, "", 1250},
        MethodCase{"FailedLookupMeansSystem", VER_PLATFORM_WIN32_WINDOWS, 4, nullptr, 1250},
        // Characters are taken as digits unchecked, in wrapping 32-bit arithmetic.
        MethodCase{"UncheckedDigits", VER_PLATFORM_WIN32_WINDOWS, 4, "12a", 169},
        MethodCase{"NegativeDigitWraps", VER_PLATFORM_WIN32_WINDOWS, 4, "-1", 4294967267u},
        MethodCase{"LongestText", VER_PLATFORM_WIN32_WINDOWS, 4, "999999", 999999}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(ConversionTest, FirstCallFixesTheMethod) {
  standin::SetVersion(VER_PLATFORM_WIN32_NT, 10);
  EXPECT_EQ(GetConversionCodePage(), CP_THREAD_ACP);
  standin::SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4);
  EXPECT_EQ(GetConversionCodePage(), CP_THREAD_ACP);

  ResetConversionCodePageMethod();
  standin::SetLocaleAnsiCodePageText(0x0409, "1252");
  SetThreadLocale(0x0409);
  EXPECT_EQ(GetConversionCodePage(), 1252u);
  // The lookup itself runs on every call.
  standin::SetLocaleAnsiCodePageText(0x0409, "1251");
  EXPECT_EQ(GetConversionCodePage(), 1251u);
}

}  // namespace
}  // namespace dravlen
