// The start both Windows programs share: no fault dialogs, exit status 4 for
// anything that escapes, the comparison rules set up, and the command line
// split by the program's own rules, all before the program's own run.
#ifndef DRAVLEN_APP_WINDOWS_START_H_
#define DRAVLEN_APP_WINDOWS_START_H_

#include "app/command_line.h"
#include "app/fatal_exit.h"
#include "dravlen/result_code.h"
#include "platform/platform.h"
#include "query/comparison_code_page.h"

namespace dravlen {

using ProgramRun = ResultCode (*)(int argc, const char* const* argv);

// A crash inside the component must not raise the system's fault dialog
// and leave an unattended script waiting: the component could not answer.
static LONG WINAPI ExitOnUnhandledException(EXCEPTION_POINTERS*) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(ResultCode::ComponentUnavailable));
  return EXCEPTION_EXECUTE_HANDLER;
}

// An empty command line holds no arguments; element 0 is then the
// program's own path.
static ResultCode RunWithoutArguments(ProgramRun run) {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const char* const argv[] = {path, nullptr};
  return run(1, argv);
}

// Static: each program's entry, its one caller, takes it in whole, with its
// run called directly.
static int StartWindowsProgram(ProgramRun run) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(&ExitOnUnhandledException);
  InstallFatalExitHandlers();

  // The lead bytes must be known before the command line is split.
  InitComparisonCodePage();
  const char* line = GetCommandLineA();
  if (line == nullptr || *line == '\0') return static_cast<int>(RunWithoutArguments(run));
  const ArgumentVector arguments(line, ComparisonCodePageInForce().isLeadByte);
  // Without memory for its arguments the program cannot ask the component.
  if (arguments.argc() == 0) return static_cast<int>(ResultCode::ComponentUnavailable);
  return static_cast<int>(run(arguments.argc(), arguments.argv()));
}

}  // namespace dravlen

#endif  // DRAVLEN_APP_WINDOWS_START_H_
