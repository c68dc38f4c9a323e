// The ledger: one line per event, appended to the file named by
// DRAVLEN_TEST_LEDGER, and at process exit the balance of objects and of
// the blocks handed out in replies, as counted by a malloc spy.
#ifndef DRAVLEN_TESTS_WINE_COMPONENT_LEDGER_H_
#define DRAVLEN_TESTS_WINE_COMPONENT_LEDGER_H_

#include <windows.h>

#include <string>

namespace test_volume_driver {

// The variable's value, or empty when it is unset or too long.
std::wstring EnvironmentVariable(const wchar_t* name);

void Record(const std::string& line);
std::string Hex(unsigned long value);

// Registers the malloc spy on the first call and pins the module, so that
// the spy outlives CoUninitialize and counts frees that come after it.
void RegisterSpy();
bool SpyRegistered();
// While on, each block the task allocator hands out is taken as part of a
// reply, and its frees are counted from then on.
void WatchAllocations(bool on);

// The line written at process exit.
void RecordExitBalance(LONG liveObjects);

}  // namespace test_volume_driver

#endif  // DRAVLEN_TESTS_WINE_COMPONENT_LEDGER_H_
