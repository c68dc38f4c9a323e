#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/nls.h"
#include "platform/posix/testing.h"

namespace {

using namespace std::string_literals;

class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ResetMachine();
    standin::SetSystemAnsiCodePage(1252);
  }
  void TearDown() override { standin::ResetMachine(); }
};

std::string ToMulti(UINT codePage, const std::u16string& text, BOOL* usedDefault = nullptr) {
  const int needed = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, usedDefault);
  std::string out(static_cast<std::size_t>(needed), '\0');
  EXPECT_EQ(WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                needed, nullptr, usedDefault),
            needed);
  return out;
}

std::u16string ToWide(UINT codePage, const std::string& text, DWORD flags = 0) {
  const int needed =
      MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(needed), u'\0');
  if (needed > 0) {
    EXPECT_EQ(MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                  &out[0], needed),
              needed);
  }
  return out;
}

TEST_F(CodePageTest, CpInfoDescribesKnownCodePages) {
  struct Case {
    UINT codePage;
    UINT maxCharSize;
    std::vector<BYTE> leadBytes;
  };
  const Case cases[] = {
      {1252, 1, {}},          {CP_ACP, 1, {}},
      {CP_OEMCP, 1, {}},      {932, 2, {0x81, 0x9F, 0xE0, 0xFC}},
      {949, 2, {0x81, 0xFE}}, {1361, 2, {0x81, 0xD3, 0xD8, 0xDE, 0xE0, 0xF9}},
      {CP_UTF8, 4, {}},
  };
  for (const Case& c : cases) {
    CPINFO info;
    std::memset(&info, 0xCC, sizeof info);
    ASSERT_TRUE(GetCPInfo(c.codePage, &info)) << c.codePage;
    EXPECT_EQ(info.MaxCharSize, c.maxCharSize);
    EXPECT_EQ(info.DefaultChar[0], '?');
    EXPECT_EQ(info.DefaultChar[1], 0);
    std::vector<BYTE> leadBytes = c.leadBytes;
    leadBytes.resize(MAX_LEADBYTES, 0);
    EXPECT_EQ(std::vector<BYTE>(info.LeadByte, info.LeadByte + MAX_LEADBYTES), leadBytes);
  }
  CPINFO info;
  for (UINT unknown : {2u, 1200u, 12345u}) {
    SetLastError(0);
    EXPECT_FALSE(GetCPInfo(unknown, &info)) << unknown;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  standin::SetSystemAnsiCodePage(54321);
  EXPECT_EQ(GetACP(), 54321u);
  EXPECT_FALSE(GetCPInfo(CP_ACP, &info));
}

TEST_F(CodePageTest, RoundTrips) {
  struct Case {
    UINT codePage;
    std::u16string wide;
    std::string multi;
  };
  const Case cases[] = {
      {1252, u"Gr\u00FC\u00DFe \u20AC",
       "Gr\xFC\xDF"
       "e \x80"},
      {1252, u"\u0081\u008D", "\x81\x8D"},  // unassigned bytes keep their C1 controls
      {1251, u"\u041F\u0440\u0438\u0432\u0435\u0442", "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {932, u"\u65E5\u672C\u8A9E\uFF71", "\x93\xFA\x96\x7B\x8C\xEA\xB1"},
      {932, u"C:\\a", "C:\\a"},
      {936, u"\u4E2D\u6587", "\xD6\xD0\xCE\xC4"},
      {949, u"\uD55C\uAD6D", "\xC7\xD1\xB1\xB9"},
      {950, u"\u4E2D\u6587", "\xA4\xA4\xA4\xE5"},
      {1361, u"\uD55C", "\xD0\x65"},
      {CP_UTF8, u"\u00E9\u20AC\U0001D11E", "\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    BOOL usedDefault = TRUE;
    EXPECT_EQ(ToMulti(c.codePage, c.wide, c.codePage == CP_UTF8 ? nullptr : &usedDefault), c.multi);
    if (c.codePage != CP_UTF8) {
      EXPECT_FALSE(usedDefault);
    }
    EXPECT_EQ(ToWide(c.codePage, c.multi, MB_ERR_INVALID_CHARS), c.wide);
  }
}

TEST_F(CodePageTest, UnmappableCharactersBecomeTheDefault) {
  struct Case {
    UINT codePage;
    std::u16string wide;
    std::string multi;
  };
  const Case cases[] = {
      {1252, u"a\u65E5b", "a?b"}, {1251, u"\u00E9", "?"},
      {932, u"\u00E9x", "?x"},    {1252, u"\U0001D11E", "?"},  // one character, one default
      {1252, u"\xD800z", "?z"},                                // lone surrogate
  };
  for (const Case& c : cases) {
    BOOL usedDefault = FALSE;
    EXPECT_EQ(ToMulti(c.codePage, c.wide, &usedDefault), c.multi) << c.codePage;
    EXPECT_TRUE(usedDefault);
  }
  EXPECT_EQ(ToMulti(CP_UTF8, u"a\xDC00"), "a\xEF\xBF\xBD");
  char out[8] = {};
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"\u65E5", 1, out, 8, "*", nullptr), 1);
  EXPECT_EQ(out[0], '*');
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, 8, "*", nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(CodePageTest, LengthsSizeQueriesAndShortBuffers) {
  // -1 counts the NUL; an explicit length does not.
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"\u65E5\u672C", -1, nullptr, 0, nullptr, nullptr), 5);
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"\u65E5\u672C", 2, nullptr, 0, nullptr, nullptr), 4);
  EXPECT_EQ(MultiByteToWideChar(932, 0,
                                "\x93\xFA"
                                "a",
                                -1, nullptr, 0),
            3);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9D\x84\x9E", 4, nullptr, 0), 2);

  // Whole characters are written until the next does not fit.
  char multi[4] = {'X', 'X', 'X', 'X'};
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"a\u65E5\u672C", 3, multi, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(multi, 4), "a\x93\xFAX");

  char16_t wide[3] = {u'X', u'X', u'X'};
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab\xF0\x9D\x84\x9E", 6, wide, 3), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::u16string(wide, 3), u"abX");

  struct Bad {
    const char16_t* wide;
    int wideLength;
    UINT codePage;
  };
  for (const Bad& b :
       {Bad{u"a", 0, 1252}, Bad{nullptr, 1, 1252}, Bad{u"a", -2, 1252}, Bad{u"a", 1, 99}}) {
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(b.codePage, 0, b.wide, b.wideLength, multi, 4, nullptr, nullptr),
              0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", 0, wide, 3), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(CodePageTest, InvalidSequences) {
  struct Case {
    UINT codePage;
    std::string multi;
    std::u16string lenient;  // without MB_ERR_INVALID_CHARS
  };
  const Case cases[] = {
      {932, "\x81\x20", u"? "},     // lead byte, bad trail
      {932, "a\x93", u"a?"},        // lead byte at the end
      {932, "\x93\x00"s, u"?\0"s},  // the NUL is no trail
      {1253, "\xAA", u"?"},         // unassigned
      {CP_UTF8, "\xC3\x28", u"\uFFFD("},
      {CP_UTF8, "\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
      {CP_UTF8, "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong
      {CP_UTF8, "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {CP_UTF8, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // surrogate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    const std::string& multi = c.multi;
    EXPECT_EQ(ToWide(c.codePage, multi), c.lenient);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(c.codePage, MB_ERR_INVALID_CHARS, multi.data(),
                                  static_cast<int>(multi.size()), nullptr, 0),
              0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  }
  // Every byte on its own gives exactly one character.
  for (UINT codePage : {1252u, 1253u, 932u, 936u, 949u, 950u, 1361u, CP_UTF8}) {
    for (int byte = 0; byte < 256; ++byte) {
      const char in = static_cast<char>(byte);
      char16_t out[2] = {};
      ASSERT_EQ(MultiByteToWideChar(codePage, 0, &in, 1, out, 2), 1) << codePage << " " << byte;
    }
  }
}

TEST_F(CodePageTest, ThreadCodePageFollowsTheThreadLocale) {
  struct Case {
    LCID locale;
    const char* registeredText;
    std::string expected;
  };
  const Case cases[] = {
      {0x0411, nullptr, "\x93\xFA"},  // Japanese: 932
      {0x0419, nullptr, "?"},         // Russian: 1251
      {0x0C0A, nullptr, "?"},         // unknown: the system code page
      {0x2000, "936", "\xC8\xD5"},    // registered text decides
      {0x2001, "0", "?"},             // no code page: the system one
  };
  for (const Case& c : cases) {
    if (c.registeredText != nullptr) standin::SetLocaleAnsiCodePageText(c.locale, c.registeredText);
    ASSERT_TRUE(SetThreadLocale(c.locale));
    EXPECT_EQ(ToMulti(CP_THREAD_ACP, u"\u65E5"), c.expected) << std::hex << c.locale;
  }
  SetThreadLocale(0x0419);
  EXPECT_EQ(ToMulti(CP_THREAD_ACP, u"\u0416"), "\xC6");
  EXPECT_EQ(ToMulti(CP_ACP, u"\u0416"), "?");
}

}  // namespace
