#include "query/comparison_code_page.h"

#include <algorithm>

namespace dravlen {
namespace {

ComparisonCodePage g_inForce;

const DoubleByteCodePage* FindDoubleByteCodePage(uint32_t codePage) {
  for (const DoubleByteCodePage& entry : DoubleByteCodePages) {
    if (entry.codePage == codePage) return &entry;
  }
  return nullptr;
}

void FlagRange(ByteFlags& flags, unsigned first, unsigned last) {
  for (unsigned byte = first; byte <= last && byte < 256; ++byte) flags[byte] = true;
}

// CPINFO lists lead-byte ranges as (first, last) pairs ended by a pair that
// holds a zero byte.
template <typename Visit>
void ForEachLeadByteRange(const CPINFO& info, Visit visit) {
  for (int i = 0; i + 1 < MAX_LEADBYTES; i += 2) {
    const BYTE first = info.LeadByte[i];
    const BYTE last = info.LeadByte[i + 1];
    if (first == 0 || last == 0) break;
    visit(first, last);
  }
}

void SetAsciiCaseTables(ComparisonCodePage& record) {
  record.isUpperCase.fill(false);
  record.lowerCaseOf.fill(0);
  for (unsigned byte = 'A'; byte <= 'Z'; ++byte) {
    record.isUpperCase[byte] = true;
    record.lowerCaseOf[byte] = static_cast<uint8_t>(byte - 'A' + 'a');
  }
}

// The lower-case byte of one wide character, or -1 when it is not a single
// byte of the code page.
int SingleByteOf(UINT codePage, WCHAR wide) {
  char bytes[2];
  if (WideCharToMultiByte(codePage, 0, &wide, 1, bytes, 2, nullptr, nullptr) != 1) return -1;
  return static_cast<uint8_t>(bytes[0]);
}

// Classifies every byte of the code page standing alone and maps it to
// lower case. Lead bytes and NUL are replaced by blanks first, so that each
// of the 256 bytes is one character.
bool ClassifyBytes(UINT codePage, LCID localeId, WORD (&types)[256], WCHAR (&lower)[256]) {
  CPINFO info{};
  if (!GetCPInfo(codePage, &info)) return false;
  char bytes[256];
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
  bytes[0] = ' ';
  ForEachLeadByteRange(info, [&](unsigned first, unsigned last) {
    std::fill(bytes + first, bytes + last + 1, ' ');
  });
  WCHAR wide[256];
  return MultiByteToWideChar(codePage, 0, bytes, 256, wide, 256) == 256 &&
         GetStringTypeW(CT_CTYPE1, wide, 256, types) &&
         LCMapStringW(localeId, LCMAP_LOWERCASE, wide, 256, lower, 256) == 256;
}

// Without the platform's classification only "A" to "Z" fold.
void BuildCaseTables(ComparisonCodePage& record) {
  WORD types[256];
  WCHAR lower[256];
  if (!ClassifyBytes(record.codePage, record.localeId, types, lower)) {
    SetAsciiCaseTables(record);
    return;
  }
  record.isUpperCase.fill(false);
  record.lowerCaseOf.fill(0);
  for (size_t byte = 0; byte < 256; ++byte) {
    if (!(types[byte] & C1_UPPER)) continue;
    // A lower-case letter the code page cannot hold as one byte leaves the
    // byte compared as itself; a NUL would end a text early.
    const int lowerByte = SingleByteOf(record.codePage, lower[byte]);
    if (lowerByte <= 0) continue;
    record.isUpperCase[byte] = true;
    record.lowerCaseOf[byte] = static_cast<uint8_t>(lowerByte);
  }
}

}  // namespace

ComparisonCodePage::ComparisonCodePage() { SetAsciiCaseTables(*this); }

const std::array<DoubleByteCodePage, 5> DoubleByteCodePages = {{
    {932, 0x0411, {{{0x81, 0x9F}, {0xE0, 0xFC}, {0, 0}}}},
    {936, 0x0804, {{{0x81, 0xFE}, {0, 0}, {0, 0}}}},
    {949, 0x0412, {{{0x81, 0xFE}, {0, 0}, {0, 0}}}},
    {950, 0x0404, {{{0x81, 0xFE}, {0, 0}, {0, 0}}}},
    {1361, 0, {{{0x81, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}}}},
}};

ComparisonCodePage BuildComparisonCodePage() {
  ComparisonCodePage record;
  const UINT codePage = GetACP();
  if (const DoubleByteCodePage* known = FindDoubleByteCodePage(codePage)) {
    for (const DoubleByteCodePage::Range& range : known->leadByteRanges) {
      if (range.first != 0) FlagRange(record.isLeadByte, range.first, range.last);
    }
    record.isMultibyte = true;
    record.localeId = known->localeId;
  } else {
    CPINFO info{};
    if (!GetCPInfo(codePage, &info)) return record;
    if (info.MaxCharSize >= 2) {
      record.isMultibyte = true;
      ForEachLeadByteRange(
          info, [&](unsigned first, unsigned last) { FlagRange(record.isLeadByte, first, last); });
    }
  }
  record.codePage = codePage;
  BuildCaseTables(record);
  return record;
}

void InitComparisonCodePage() { g_inForce = BuildComparisonCodePage(); }

const ComparisonCodePage& ComparisonCodePageInForce() { return g_inForce; }

}  // namespace dravlen
