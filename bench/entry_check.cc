// Linked with the program's own entry: registers a fake component before
// main runs, and at exit prints how often the program set up its comparison
// rules, asked the platform for code-page facts, converted and compared
// entries. The linker routes the program's calls of those functions here
// (see CMakeLists.txt).
//
// DRAVLEN_CHECK_ENTRIES sets the length of the fake's list (10000 unless
// given); the paths suit the code page the environment's locale gives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "dravlen/ansi_text.h"
#include "platform/posix/testing.h"
#include "query/fake_volume_driver.h"
#include "query/test_strings.h"

namespace {

struct Calls {
  long init = 0;
  long acp = 0;
  long cpInfo = 0;
  long conversions = 0;
  long comparisons = 0;
};
Calls g_calls;
std::size_t g_entries = 0;

void Report() {
  std::printf(
      "entries=%zu init_calls=%ld acp_queries=%ld cpinfo_queries=%ld conversions=%ld "
      "comparisons=%ld\n",
      g_entries, g_calls.init, g_calls.acp, g_calls.cpInfo, g_calls.conversions,
      g_calls.comparisons);
}

struct FakeComponent {
  FakeComponent() {
    const char* entries = std::getenv("DRAVLEN_CHECK_ENTRIES");
    g_entries = entries != nullptr ? std::strtoul(entries, nullptr, 10) : 10000;
    const auto script = dravlen::bench::ScriptFor(standin::AnsiCodePageFromEnvironment());
    std::vector<dravlen::testing::Entry> containers;
    for (std::u16string& path : dravlen::bench::MakePaths(script, g_entries, 5)) {
      containers.emplace_back(std::move(path));
    }
    dravlen::testing::FakeBehaviour behaviour;
    behaviour.reply = [containers](VARIANT* list, VARIANT* companion) {
      *list = dravlen::testing::ArrayVariant(dravlen::testing::MakeStringArray(containers));
      *companion = dravlen::testing::ArrayVariant(dravlen::testing::MakeStringArray({u"M:"}));
    };
    // Stays registered until the process ends.
    new dravlen::testing::FakeVolumeDriverRegistration(std::move(behaviour));
    std::atexit(&Report);
  }
};
const FakeComponent g_component;

}  // namespace

// Names as the linker's --wrap option forms them from the mangled names.
extern "C" {

void __real__ZN7dravlen22InitComparisonCodePageEv();
void __wrap__ZN7dravlen22InitComparisonCodePageEv() {
  ++g_calls.init;
  __real__ZN7dravlen22InitComparisonCodePageEv();
}

UINT __real__Z6GetACPv();
UINT __wrap__Z6GetACPv() {
  ++g_calls.acp;
  return __real__Z6GetACPv();
}

BOOL __real__Z9GetCPInfojP6CPINFO(UINT codePage, LPCPINFO info);
BOOL __wrap__Z9GetCPInfojP6CPINFO(UINT codePage, LPCPINFO info) {
  ++g_calls.cpInfo;
  return __real__Z9GetCPInfojP6CPINFO(codePage, info);
}

void __real__ZN7dravlen17ConvertToAnsiTextERNS_8AnsiTextEPKDs(dravlen::AnsiText& text,
                                                              const WCHAR* wide);
void __wrap__ZN7dravlen17ConvertToAnsiTextERNS_8AnsiTextEPKDs(dravlen::AnsiText& text,
                                                              const WCHAR* wide) {
  ++g_calls.conversions;
  __real__ZN7dravlen17ConvertToAnsiTextERNS_8AnsiTextEPKDs(text, wide);
}

int32_t __real__ZN7dravlen17CompareAnsiNoCaseEPKcS1_(const char* first, const char* second);
int32_t __wrap__ZN7dravlen17CompareAnsiNoCaseEPKcS1_(const char* first, const char* second) {
  ++g_calls.comparisons;
  return __real__ZN7dravlen17CompareAnsiNoCaseEPKcS1_(first, second);
}

}  // extern "C"
