#include "start/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "query/comparison_code_page.h"

namespace dravlen {
namespace {

using Arguments = std::vector<std::string>;

ByteFlags LeadBytesOf(uint32_t codePage) {
  ByteFlags flags{};
  for (const DoubleByteCodePage& entry : DoubleByteCodePages) {
    if (entry.codePage != codePage) continue;
    for (const auto& range : entry.leadByteRanges) {
      for (unsigned byte = range.first; range.first != 0 && byte <= range.last; ++byte) {
        flags[byte] = true;
      }
    }
  }
  return flags;
}

// The texts of the argument vector, after checking that it ends with a null
// pointer as a C program's argv does.
Arguments Split(const char* line, uint32_t codePage) {
  const ArgumentVector arguments(line, LeadBytesOf(codePage));
  EXPECT_GE(arguments.argc(), 1);
  if (arguments.argc() < 1) return {};
  EXPECT_EQ(arguments.argv()[arguments.argc()], nullptr);
  return Arguments(arguments.argv(), arguments.argv() + arguments.argc());
}

struct SplitCase {
  uint32_t codePage;  // 0: no lead bytes
  const char* line;
  Arguments expected;
};

void PrintTo(const SplitCase& test, std::ostream* os) {
  *os << test.codePage << ": " << ::testing::PrintToString(test.line);
}

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, Splits) {
  const SplitCase& test = GetParam();
  EXPECT_EQ(Split(test.line, test.codePage), test.expected) << "line: " << test.line;
}

INSTANTIATE_TEST_SUITE_P(
    ProgramName, SplitCommandLineTest,
    ::testing::Values(SplitCase{0, "", {""}}, SplitCase{0, "prog", {"prog"}},
                      SplitCase{0,
                                "\"C:\\Program Files\\dravlen.exe\" a",
                                {"C:\\Program Files\\dravlen.exe", "a"}},
                      SplitCase{0, "pro\"g ram\"x a", {"prog ramx", "a"}},
                      // Backslashes are plain characters in the program's name.
                      SplitCase{0, "c:\\dir\\\"x y\" a", {"c:\\dir\\x y", "a"}},
                      SplitCase{0, "prog\ta", {"prog", "a"}}));

INSTANTIATE_TEST_SUITE_P(
    Arguments, SplitCommandLineTest,
    ::testing::Values(SplitCase{0, "prog  a\t b  \t", {"prog", "a", "b"}},
                      SplitCase{0, "prog   ", {"prog"}}, SplitCase{0, "prog \"\"", {"prog", ""}},
                      SplitCase{0, "prog \"\" \"\"", {"prog", "", ""}},
                      SplitCase{0, "prog \"a b\" c", {"prog", "a b", "c"}},
                      SplitCase{0, "prog \"a\tb\"", {"prog", "a\tb"}},
                      SplitCase{0, "prog \"unterminated x", {"prog", "unterminated x"}},
                      SplitCase{0, "prog /?", {"prog", "/?"}},
                      // 2n backslashes and a quote: n backslashes, and the quote toggles.
                      SplitCase{0, "prog a\\\\\"b c\"", {"prog", "a\\b c"}},
                      SplitCase{0, "prog a\\\\\\\\\"b\"", {"prog", "a\\\\b"}},
                      // 2n+1 backslashes and a quote: n backslashes and a literal quote.
                      SplitCase{0, "prog a\\\"b", {"prog", "a\"b"}},
                      SplitCase{0, "prog a\\\\\\\"b c", {"prog", "a\\\"b", "c"}},
                      // Backslashes before anything else stay as they are.
                      SplitCase{0, "prog c:\\a\\\\b\\ x\\", {"prog", "c:\\a\\\\b\\", "x\\"}},
                      // Two quotes inside a quoted stretch: one literal quote, still quoted.
                      SplitCase{0, "prog \"a\"\"b\"", {"prog", "a\"b"}},
                      SplitCase{0, "prog \"a\"\" b\" c", {"prog", "a\" b", "c"}},
                      SplitCase{0, "prog \"\"\"\"", {"prog", "\""}},
                      // Outside a quoted stretch two quotes open and close one.
                      SplitCase{0, "prog a\"\"b", {"prog", "ab"}},
                      // Arguments of nothing but quotes or blanks.
                      SplitCase{0, "prog \"", {"prog", ""}},
                      SplitCase{0, "prog \"   \"", {"prog", "   "}},
                      SplitCase{0, "prog \"\"\"", {"prog", "\""}},
                      SplitCase{0, "prog \"\"\"\"\"\"", {"prog", "\"\""}}));

// Under code page 932 a lead byte takes the next byte with it.
INSTANTIATE_TEST_SUITE_P(
    LeadBytes, SplitCommandLineTest,
    ::testing::Values(
        // U+8868 is 0x95 0x5C: its trail byte is no backslash before the quote.
        SplitCase{932, "prog \"c:\\\x95\x5C\" x", {"prog", "c:\\\x95\x5C", "x"}},
        SplitCase{0, "prog \"c:\\\x95\x5C\" x", {"prog", "c:\\\x95\" x"}},
        SplitCase{932, "prog a\x81 b", {"prog", "a\x81 b"}},
        SplitCase{932, "pro\x81\" x", {"pro\x81\"", "x"}},
        // A lead byte last on the line takes nothing with it.
        SplitCase{932, "prog a\x81", {"prog", "a\x81"}}, SplitCase{932, "prog\x81", {"prog\x81"}},
        // Half-width katakana are single bytes.
        SplitCase{932, "prog \xB1 b", {"prog", "\xB1", "b"}},
        SplitCase{936, "prog \"\xD5\x5C\"", {"prog", "\xD5\x5C"}},
        // A lead byte takes whatever follows, valid trail byte or not.
        SplitCase{932, "prog \x81\x22 x\"", {"prog", "\x81\"", "x"}},
        SplitCase{932, "prog \x80\xA0\xFD\xFF", {"prog", "\x80\xA0\xFD\xFF"}}));

// The longest command line a process can be given: 32,766 characters.
TEST(SplitCommandLine, LongestLine) {
  const std::string argument = "c:\\" + std::string(32747, 'x') + ".qmv";
  EXPECT_EQ(Split(("dravlen.exe " + argument).c_str(), 0), (Arguments{"dravlen.exe", argument}));
  std::string many = "dravlen.exe";
  for (int i = 0; i < 16377; ++i) many += " a";
  EXPECT_EQ(Split(many.c_str(), 932).size(), 16378u);
}

}  // namespace
}  // namespace dravlen
