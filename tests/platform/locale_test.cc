#include "platform/posix/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "platform/posix/code_pages.h"
#include "platform/posix/testing.h"

namespace {

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

}  // namespace
