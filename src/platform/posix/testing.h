// Controls of the Linux stand-in layer for tests: the machine's code pages,
// locale and version, and bookkeeping that lets a test see what the program
// did with the platform. Nothing in the program itself includes this header.
#ifndef DRAVLEN_PLATFORM_POSIX_TESTING_H_
#define DRAVLEN_PLATFORM_POSIX_TESTING_H_

#include <cstddef>
#include <string>
#include <vector>

#include "platform/posix/process.h"
#include "platform/posix/win_types.h"

struct SAFEARRAY;

namespace standin {

// Back to the state a new process has: code pages and thread locale from
// the environment, Windows NT 10.0, a visible window station, no locale
// overrides, the executable's own path as command line and file name, no
// error mode or exception filter set, an empty call log.
// The class table and the counters of live objects are left alone.
void ResetMachine();

// What GetACP answers, and so CP_ACP means. Any value may be set, including
// a code page that GetCPInfo and the conversions do not know.
void SetSystemAnsiCodePage(UINT codePage);

// What GetVersionExA reports.
void SetVersion(DWORD platformId, DWORD majorVersion);

// The process's window station, as GetProcessWindowStation and
// GetUserObjectInformationA(UOI_FLAGS) see it: an interactive one (the
// default), one without visible display surfaces (a service's, or a remote
// shell's), none at all, or one whose flags cannot be read.
enum class WindowStation { Visible, Invisible, None, Unreadable };
void SetWindowStation(WindowStation station);

// What GetCommandLineA answers, and what GetModuleFileNameA reports as the
// process's file name.
void SetCommandLine(const std::string& line);
void SetModuleFileName(const std::string& path);

// What SetErrorMode and SetUnhandledExceptionFilter last installed.
UINT ErrorMode();
LPTOP_LEVEL_EXCEPTION_FILTER InstalledExceptionFilter();

// Makes GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, ...) read `text`,
// or fail when `text` is null, and CP_THREAD_ACP follow the value that text
// denotes on a thread with that locale.
void SetLocaleAnsiCodePageText(LCID locale, const char* text);

// The code page and locale that the locale named in the environment gives
// (LC_ALL, then LC_CTYPE, then LANG), as Windows defaults them.
UINT AnsiCodePageFromEnvironment();
LCID LocaleFromEnvironment();

// CoInitialize/CoInitializeEx calls that succeeded on this thread and are
// not yet balanced by CoUninitialize; negative after an unbalanced
// CoUninitialize.
int ComInitializationCount();

// Objects allocated by SysAlloc* and SafeArrayCreate* and not yet freed.
std::size_t LiveStringCount();
std::size_t LiveArrayCount();

// A log of platform calls, in order: while recording, the layer appends the
// function's name for CoInitialize, CoUninitialize, CoCreateInstance, OleRun,
// VariantInit, VariantClear, SafeArrayGetVartype, SafeArrayLock,
// SafeArrayUnlock, SafeArrayDestroy, GetProcessWindowStation,
// GetUserObjectInformationA, MessageBoxA, GetCommandLineA,
// GetModuleFileNameA, SetErrorMode, SetUnhandledExceptionFilter and
// TerminateProcess. Tests append their own
// entries (a fake component's methods) with RecordCall.
void StartCallLog();
void RecordCall(const std::string& entry);
std::vector<std::string> TakeCallLog();  // stops recording

// What MessageBoxA was last called with; `calls` counts the calls since
// ResetMachine.
struct MessageBoxRecord {
  int calls = 0;
  bool hadOwner = false;
  std::string text;
  std::string caption;
  UINT type = 0;
};
MessageBoxRecord LastMessageBox();

// What CoCreateInstance was last asked for: the class context and the
// interface. A class factory is never told the context, so only the layer
// can show it. `calls` counts the calls since ResetMachine.
struct CreationRecord {
  int calls = 0;
  DWORD context = 0;
  IID iid = {};
};
CreationRecord LastCreation();

// Makes SafeArrayGetLBound and SafeArrayGetUBound of `array` fail with
// E_UNEXPECTED once they have answered `reads` times for it: a list that
// cannot be read beyond some point. Destroying the array or ResetMachine
// ends it.
void BreakArrayBoundsAfter(const SAFEARRAY* array, int reads);

// The handle that stands for descriptor `fd`, for SetStdHandle.
void* HandleOfDescriptor(int fd);

}  // namespace standin

#endif  // DRAVLEN_PLATFORM_POSIX_TESTING_H_
