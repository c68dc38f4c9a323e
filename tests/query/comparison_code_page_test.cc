#include "query/comparison_code_page.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/posix/testing.h"

namespace dravlen {
namespace {

using Ranges = std::vector<std::pair<int, int>>;

std::vector<int> Flagged(const ByteFlags& flags) {
  std::vector<int> bytes;
  for (int byte = 0; byte < 256; ++byte) {
    if (flags[static_cast<size_t>(byte)]) bytes.push_back(byte);
  }
  return bytes;
}

std::vector<int> Expand(const Ranges& ranges) {
  std::vector<int> bytes;
  for (const auto& [first, last] : ranges) {
    for (int byte = first; byte <= last; ++byte) bytes.push_back(byte);
  }
  return bytes;
}

struct RecordCase {
  UINT systemCodePage;
  uint32_t codePage;
  bool isMultibyte;
  LCID localeId;
  Ranges leadBytes;
};

void PrintTo(const RecordCase& test, std::ostream* os) { *os << test.systemCodePage; }

class ComparisonCodePageTest : public ::testing::TestWithParam<RecordCase> {
 protected:
  void SetUp() override { standin::ResetMachine(); }
};

TEST_P(ComparisonCodePageTest, BuildsRecordFromSystemCodePage) {
  const RecordCase& test = GetParam();
  standin::SetSystemAnsiCodePage(test.systemCodePage);
  const ComparisonCodePage record = BuildComparisonCodePage();
  EXPECT_EQ(record.codePage, test.codePage);
  EXPECT_EQ(record.isMultibyte, test.isMultibyte);
  EXPECT_EQ(record.localeId, test.localeId);
  EXPECT_EQ(Flagged(record.isLeadByte), Expand(test.leadBytes));
  // ASCII letters fold under every code page.
  for (int byte = 'A'; byte <= 'Z'; ++byte) {
    EXPECT_TRUE(record.isUpperCase[static_cast<size_t>(byte)]);
    EXPECT_EQ(record.lowerCaseOf[static_cast<size_t>(byte)], byte + 32);
  }
  for (int byte : {int{'a'}, int{'z'}, int{'['}, int{'@'}, int{'`'}, 0}) {
    EXPECT_FALSE(record.isUpperCase[static_cast<size_t>(byte)]) << byte;
  }
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, ComparisonCodePageTest,
    ::testing::Values(RecordCase{1252, 1252, false, 0, {}}, RecordCase{1251, 1251, false, 0, {}},
                      RecordCase{932, 932, true, 0x0411, {{0x81, 0x9F}, {0xE0, 0xFC}}},
                      RecordCase{936, 936, true, 0x0804, {{0x81, 0xFE}}},
                      RecordCase{949, 949, true, 0x0412, {{0x81, 0xFE}}},
                      RecordCase{950, 950, true, 0x0404, {{0x81, 0xFE}}},
                      RecordCase{1361, 1361, true, 0, {{0x81, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}}},
                      RecordCase{65001, 65001, true, 0, {}},
                      // Unknown to the platform: the load-time record stays.
                      RecordCase{12345, 0, false, 0, {}}));

TEST(ComparisonCodePageRecord, LoadTimeContentFoldsAsciiOnly) {
  const ComparisonCodePage record;
  EXPECT_EQ(record.codePage, 0u);
  EXPECT_FALSE(record.isMultibyte);
  EXPECT_EQ(record.localeId, 0u);
  EXPECT_TRUE(Flagged(record.isLeadByte).empty());
  EXPECT_EQ(Flagged(record.isUpperCase), Expand({{'A', 'Z'}}));
}

TEST(ComparisonCodePageRecord, SingleByteCaseTablesFollowTheCodePage) {
  standin::ResetMachine();
  standin::SetSystemAnsiCodePage(1252);
  const ComparisonCodePage latin = BuildComparisonCodePage();
  EXPECT_TRUE(latin.isUpperCase[0xC9]);  // É
  EXPECT_EQ(latin.lowerCaseOf[0xC9], 0xE9);
  EXPECT_TRUE(latin.isUpperCase[0x8A]);  // Š
  EXPECT_EQ(latin.lowerCaseOf[0x8A], 0x9A);
  EXPECT_FALSE(latin.isUpperCase[0xE9]);

  standin::SetSystemAnsiCodePage(1251);
  const ComparisonCodePage cyrillic = BuildComparisonCodePage();
  EXPECT_TRUE(cyrillic.isUpperCase[0xC0]);  // А
  EXPECT_EQ(cyrillic.lowerCaseOf[0xC0], 0xE0);
}

TEST(ComparisonCodePageRecord, InitMakesTheRecordTheOneInForce) {
  standin::ResetMachine();
  standin::SetSystemAnsiCodePage(932);
  InitComparisonCodePage();
  EXPECT_EQ(ComparisonCodePageInForce().codePage, 932u);
  EXPECT_TRUE(ComparisonCodePageInForce().isLeadByte[0x95]);
  standin::SetSystemAnsiCodePage(1252);
  InitComparisonCodePage();
  EXPECT_FALSE(ComparisonCodePageInForce().isLeadByte[0x95]);
}

}  // namespace
}  // namespace dravlen
