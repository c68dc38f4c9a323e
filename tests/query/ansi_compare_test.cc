#include "query/ansi_compare.h"

#include <gtest/gtest.h>

#include "platform/posix/testing.h"
#include "query/comparison_code_page.h"

namespace dravlen {
namespace {

struct CompareCase {
  UINT systemCodePage;
  const char* first;
  const char* second;
  int32_t expected;
};

void PrintTo(const CompareCase& test, std::ostream* os) {
  *os << test.systemCodePage << ": " << ::testing::PrintToString(test.first) << " vs "
      << ::testing::PrintToString(test.second);
}

class CompareAnsiNoCaseTest : public ::testing::TestWithParam<CompareCase> {
 protected:
  void SetUp() override {
    standin::ResetMachine();
    standin::SetSystemAnsiCodePage(GetParam().systemCodePage);
    InitComparisonCodePage();
  }
};

TEST_P(CompareAnsiNoCaseTest, Compares) {
  const CompareCase& test = GetParam();
  EXPECT_EQ(CompareAnsiNoCase(test.first, test.second), test.expected)
      << "code page " << test.systemCodePage << ": \"" << test.first << "\" vs \"" << test.second
      << "\"";
}

// Single-byte code pages: only "A" to "Z" fold, the result is the difference
// of the first differing folded bytes. A code page the platform does not know
// keeps the same rule.
INSTANTIATE_TEST_SUITE_P(
    AsciiRule, CompareAnsiNoCaseTest,
    ::testing::Values(CompareCase{1252, "C:\\DATA\\A.QMV", "c:\\data\\a.qmv", 0},
                      CompareCase{1252, "", "", 0}, CompareCase{1252, "a", "B", -1},
                      CompareCase{1252, "b", "A", 1}, CompareCase{1252, "ab", "a", 98},
                      CompareCase{1252, "a", "ab", -98}, CompareCase{1252, "", "a", -97},
                      CompareCase{1252, "[", "{", -32}, CompareCase{1252, "@", "`", -32},
                      // Letters beyond ASCII never fold, whatever the code page says.
                      CompareCase{1252, "\xC9", "\xE9", -32}, CompareCase{1252, "\xE9", "\xC9", 32},
                      CompareCase{1251, "\xC0", "\xE0", -32},
                      CompareCase{1252, "c:/a", "c:\\a", '/' - '\\'},
                      CompareCase{1252, "c:\\a\\", "c:\\a", '\\'},
                      CompareCase{1252, "c:\\a ", "c:\\a", ' '},
                      CompareCase{12345, "ABC", "abc", 0}, CompareCase{12345, "ab", "a", 98},
                      CompareCase{12345, "\xC9", "\xE9", -32}));

// Multibyte code pages: characters fold by the case tables and the platform's
// case mapping; unequal texts give exactly 1 or -1.
INSTANTIATE_TEST_SUITE_P(
    MultibyteRule, CompareAnsiNoCaseTest,
    ::testing::Values(
        CompareCase{932, "C:\\DATA\\A.QMV", "c:\\data\\a.qmv", 0}, CompareCase{932, "", "", 0},
        CompareCase{932, "a", "B", -1}, CompareCase{932, "b", "A", 1},
        CompareCase{932, "ab", "a", 1}, CompareCase{932, "a", "ab", -1},
        // U+8868, whose trail byte is a backslash.
        CompareCase{932, "c:\\\x95\x5C.qmv", "C:\\\x95\x5C.QMV", 0},
        CompareCase{932, "c:\\\x95\x5C", "c:\\\x95", 1},
        // Full-width "a" and "A" (0x8281, 0x8260) fold to the same character.
        CompareCase{932, "\x82\x81", "\x82\x60", 0},
        // A two-byte character never equals a single byte.
        CompareCase{932, "\x82\x60", "A", 1}, CompareCase{932, "a", "\x82\x60", -1},
        // Half-width katakana are single bytes.
        CompareCase{932, "\xB1", "\xB1", 0}, CompareCase{932, "\xB1", "a", 1},
        // A lead byte last in a text ends it.
        CompareCase{932, "abc\x81", "abc", 0}, CompareCase{932, "", "\x81", 0},
        CompareCase{932, "abc", "ABC\x9F", 0}, CompareCase{932, "\x81", "a", -1},
        // 0x81 0x20 is no character of code page 932.
        CompareCase{932, "\x81 x", "a", kCaseMappingFailed},
        CompareCase{932, "a", "\x81 ", kCaseMappingFailed}, CompareCase{936, "ABC", "abc", 0},
        CompareCase{936, "\xD6\xD0", "\xD6\xD0", 0}, CompareCase{936, "\xD6\xD0", "\xD6\xD1", -1},
        CompareCase{949, "Abc", "aBC", 0}, CompareCase{950, "Abc", "aBd", -1},
        // UTF-8 has no lead bytes in the table sense: every byte stands alone.
        CompareCase{65001, "ABC", "abc", 0}, CompareCase{65001, "ab", "a", 1},
        CompareCase{65001, "\xC3\x89", "\xC3\xA9", -1}));

}  // namespace
}  // namespace dravlen

namespace dravlen {
namespace {

// The ASCII rule one byte at a time, as the comparison must answer it
// however many bytes it looks at together.
int32_t ReferenceAscii(const char* first, const char* second) {
  auto fold = [](unsigned char byte) { return byte >= 'A' && byte <= 'Z' ? byte + 32 : byte; };
  for (;; ++first, ++second) {
    const int a = fold(static_cast<unsigned char>(*first));
    const int b = fold(static_cast<unsigned char>(*second));
    if (a != b || *first == '\0') return a - b;
  }
}

// Every length up to a few blocks, a difference at every position, of case
// only or of a byte, and texts of unequal length.
TEST(CompareAnsiNoCaseAscii, AgreesWithByteByByteRuleAtEveryPosition) {
  standin::ResetMachine();
  standin::SetSystemAnsiCodePage(1252);
  InitComparisonCodePage();
  const std::string alphabet =
      "Ab\\Z@[`{z\xC9\xE9"
      "0 .";
  for (size_t length = 0; length <= 70; ++length) {
    std::string base;
    for (size_t i = 0; i < length; ++i) base.push_back(alphabet[(i * 7) % alphabet.size()]);
    for (size_t at = 0; at <= length; ++at) {
      for (const char replacement : {'a', 'B', 'z', '[', '\xC9', '\0'}) {
        std::string other = base;
        if (at < length) {
          other[at] = replacement;
        } else {
          other.push_back(replacement == '\0' ? 'x' : replacement);
        }
        const char* a = base.c_str();
        const char* b = other.c_str();
        ASSERT_EQ(CompareAnsiNoCase(a, b), ReferenceAscii(a, b)) << length << " at " << at;
        ASSERT_EQ(CompareAnsiNoCase(b, a), ReferenceAscii(b, a)) << length << " at " << at;
      }
    }
  }
}

}  // namespace
}  // namespace dravlen
