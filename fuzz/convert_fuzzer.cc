// Conversion of reported UTF-16 paths to ANSI text under both ways of
// choosing the code page. The input picks the Windows version, the system
// code page and the thread locale's code-page text, then gives the string
// (lone surrogates and embedded NULs included) and a split point.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dravlen/ansi_text.h"
#include "fuzz_check.h"
#include "platform/platform.h"
#include "platform/posix/testing.h"
#include "query/ansi_conversion.h"
#include "query/conversion_code_page.h"

namespace {

constexpr UINT kCodePages[] = {1252, 932, 936, 949, 950, 1361, 65001, 1251, 12345};

// What the platform makes of `wide` in the conversion code page, or the
// empty string when it cannot convert it.
std::string PlatformAnswer(const WCHAR* wide) {
  const UINT codePage = dravlen::GetConversionCodePage();
  const int size = WideCharToMultiByte(codePage, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::vector<char> bytes(static_cast<std::size_t>(size));
  if (WideCharToMultiByte(codePage, 0, wide, -1, bytes.data(), size, nullptr, nullptr) != size) {
    return {};
  }
  return std::string(bytes.data(), bytes.size() - 1);
}

std::string Contents(const dravlen::AnsiText& text) {
  FUZZ_CHECK(text.length() >= 0);
  FUZZ_CHECK(text.c_str()[text.length()] == '\0');
  FUZZ_CHECK(std::strlen(text.c_str()) == static_cast<std::size_t>(text.length()));
  return std::string(text.c_str(), static_cast<std::size_t>(text.length()));
}

void SetUpMachine(FuzzedDataProvider& input) {
  standin::ResetMachine();
  dravlen::ResetConversionCodePageMethod();
  if (input.ConsumeBool()) standin::SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4);
  standin::SetSystemAnsiCodePage(input.PickValueInArray(kCodePages));
  const LCID locale = GetThreadLocale();
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:  // the locale's own code page
      break;
    case 1:
      standin::SetLocaleAnsiCodePageText(locale, nullptr);
      break;
    case 2:
      standin::SetLocaleAnsiCodePageText(
          locale, std::to_string(input.PickValueInArray(kCodePages)).c_str());
      break;
    default:
      standin::SetLocaleAnsiCodePageText(
          locale,
          input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, 8)).c_str());
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  SetUpMachine(input);
  const auto split = input.ConsumeIntegral<uint8_t>();

  // Exactly the string and its terminator, so that reading past it is caught.
  const std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();
  std::vector<WCHAR> wide(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < wide.size(); ++i) {
    wide[i] = static_cast<WCHAR>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }
  const std::size_t tailStart = split % wide.size();
  const WCHAR* whole = wide.data();
  const WCHAR* tail = wide.data() + tailStart;

  dravlen::AnsiText reused;
  dravlen::ConvertToAnsiText(reused, whole);
  FUZZ_CHECK(Contents(reused) == PlatformAnswer(whole));

  // The storage a longer text left behind must not show through.
  dravlen::ConvertToAnsiText(reused, tail);
  dravlen::AnsiText fresh;
  dravlen::ConvertToAnsiText(fresh, tail);
  FUZZ_CHECK(Contents(reused) == Contents(fresh));
  FUZZ_CHECK(Contents(fresh) == PlatformAnswer(tail));

  dravlen::ConvertToAnsiText(reused, nullptr);
  FUZZ_CHECK(Contents(reused).empty());
  return 0;
}
