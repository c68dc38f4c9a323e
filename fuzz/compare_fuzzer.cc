// Case-insensitive comparison under the ASCII and the multibyte rule. The
// first input byte picks the system code page; the rest holds two texts
// separated by a NUL byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/posix/testing.h"
#include "query/ansi_compare.h"
#include "query/comparison_code_page.h"

namespace {

using dravlen::CompareAnsiNoCase;
using dravlen::kCaseMappingFailed;

constexpr UINT kCodePages[] = {1252, 1251, 932, 936, 949, 950, 1361, 65001, 12345};

// Builds the comparison rules again only when the code page changes: it is
// the costly part of an iteration.
void UseSystemCodePage(UINT codePage) {
  static UINT inForce = 0;
  if (codePage == inForce) return;
  standin::SetSystemAnsiCodePage(codePage);
  dravlen::InitComparisonCodePage();
  inForce = codePage;
}

// `text` with the case of some ASCII letters swapped, chosen by the bits
// of `pattern` (all of them when it is empty).
std::string SwapAsciiCase(std::string text, const std::string& pattern) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned bits =
        static_cast<unsigned char>(pattern.empty() ? '\xff' : pattern[i % pattern.size()]);
    const bool swap = ((bits >> (i % 8)) & 1u) != 0;
    const char c = text[i];
    if (!swap) continue;
    if (c >= 'a' && c <= 'z') {
      text[i] = static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      text[i] = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

bool HasLeadByte(const std::string& text, const dravlen::ByteFlags& isLeadByte) {
  for (const char c : text) {
    if (isLeadByte[static_cast<unsigned char>(c)]) return true;
  }
  return false;
}

// Compares copies that end exactly at their terminators, so that reading
// past one is caught.
int32_t Compare(const std::string& first, const std::string& second) {
  const std::vector<char> a(first.c_str(), first.c_str() + first.size() + 1);
  const std::vector<char> b(second.c_str(), second.c_str() + second.size() + 1);
  return CompareAnsiNoCase(a.data(), b.data());
}

int Sign(int32_t value) { return (value > 0) - (value < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  UseSystemCodePage(kCodePages[data[0] % (sizeof kCodePages / sizeof kCodePages[0])]);
  const dravlen::ComparisonCodePage& rules = dravlen::ComparisonCodePageInForce();

  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t separator = rest.find('\0');
  const std::string first = rest.substr(0, separator);
  const std::string second =
      separator == std::string::npos ? std::string() : std::string(rest.c_str() + separator + 1);

  const int32_t forward = Compare(first, second);
  const int32_t backward = Compare(second, first);
  if (rules.isMultibyte) {
    FUZZ_CHECK(forward == kCaseMappingFailed || (forward >= -1 && forward <= 1));
  } else {
    FUZZ_CHECK(forward >= -255 && forward <= 255);
  }
  // Both walks meet the same characters, so a failed case mapping stops both.
  FUZZ_CHECK((forward == kCaseMappingFailed) == (backward == kCaseMappingFailed));
  if (forward != kCaseMappingFailed) FUZZ_CHECK(Sign(backward) == -Sign(forward));

  const int32_t same = Compare(first, first);
  FUZZ_CHECK(same == 0 || same == kCaseMappingFailed);

  // Swapping the case of ASCII letters changes nothing, unless a lead byte
  // can take a letter as its trail byte and so make another character.
  if (rules.isMultibyte && HasLeadByte(first, rules.isLeadByte)) return 0;
  const std::string swapped = SwapAsciiCase(first, second);
  FUZZ_CHECK(Compare(swapped, first) == 0);
  FUZZ_CHECK(Compare(swapped, second) == forward);
  return 0;
}
