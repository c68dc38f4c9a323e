// The process-wide rules for comparing ANSI text and for telling lead bytes
// when the command line is split: fixed once at start-up from the system's
// ANSI code page, read-only afterwards.
#ifndef DRAVLEN_QUERY_COMPARISON_CODE_PAGE_H_
#define DRAVLEN_QUERY_COMPARISON_CODE_PAGE_H_

#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace dravlen {

using ByteFlags = std::array<bool, 256>;

struct ComparisonCodePage {
  // The load-time content: the ASCII rule, no code page, no lead bytes, and
  // the capitals "A" to "Z" with their lower-case letters.
  ComparisonCodePage();

  uint32_t codePage = 0;  // 0: none
  bool isMultibyte = false;
  LCID localeId = 0;  // case mapping of two-byte characters
  ByteFlags isLeadByte{};
  ByteFlags isUpperCase{};
  std::array<uint8_t, 256> lowerCaseOf{};
};

// Double-byte code pages whose lead bytes and case-mapping locale are known
// without asking the platform.
struct DoubleByteCodePage {
  uint32_t codePage;
  LCID localeId;
  struct Range {
    uint8_t first;
    uint8_t last;
  };
  std::array<Range, 3> leadByteRanges;  // unused entries are {0, 0}
};
extern const std::array<DoubleByteCodePage, 5> DoubleByteCodePages;

// The record the platform's current system ANSI code page gives.
ComparisonCodePage BuildComparisonCodePage();

// Makes BuildComparisonCodePage() the record in force. Runs once, at start-up,
// before the command line is split and before any comparison.
void InitComparisonCodePage();

// The record in force: the load-time content until InitComparisonCodePage.
const ComparisonCodePage& ComparisonCodePageInForce();

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_COMPARISON_CODE_PAGE_H_
