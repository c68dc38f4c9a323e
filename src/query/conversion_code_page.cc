#include "query/conversion_code_page.h"

#include "platform/platform.h"

namespace dravlen {
namespace {

struct ConversionMethod {
  uint32_t (*codePage)();
};

uint32_t ThreadCodePage() { return CP_THREAD_ACP; }

// The locale's LOCALE_IDEFAULTANSICODEPAGE item, read as decimal digits
// without checking that they are digits; 0, an empty text or a failed lookup
// give the system's ANSI code page.
uint32_t LocaleLookupCodePage() {
  char text[7] = {};
  if (GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, text, sizeof text) == 0 ||
      text[0] == '\0') {
    return GetACP();
  }
  text[sizeof text - 1] = '\0';
  uint32_t value = 0;
  for (const char* digit = text; *digit != '\0'; ++digit) {
    const int32_t digitValue = static_cast<signed char>(*digit) - 48;
    value = value * 10u + static_cast<uint32_t>(digitValue);  // wraps like the 32-bit original
  }
  return value != 0 ? value : GetACP();
}

const ConversionMethod kThreadCodePage{&ThreadCodePage};
const ConversionMethod kLocaleLookup{&LocaleLookupCodePage};

// Published with an atomic exchange so that a racing first call can only
// ever see one of the two methods.
void* volatile g_method = nullptr;

const ConversionMethod* ChooseMethod() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  const bool threadCodePage = GetVersionExA(&version) &&
                              version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                              version.dwMajorVersion >= 5;
  return threadCodePage ? &kThreadCodePage : &kLocaleLookup;
}

}  // namespace

uint32_t GetConversionCodePage() {
  auto method = static_cast<const ConversionMethod*>(g_method);
  if (method == nullptr) {
    method = ChooseMethod();
    InterlockedExchangePointer(&g_method, const_cast<ConversionMethod*>(method));
  }
  return method->codePage();
}

void ResetConversionCodePageMethod() { InterlockedExchangePointer(&g_method, nullptr); }

}  // namespace dravlen
