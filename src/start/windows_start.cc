#include "start/windows_start.h"

#include "platform/platform.h"
#include "query/comparison_code_page.h"
#include "start/command_line.h"
#include "start/fatal_exit.h"

namespace dravlen {
namespace {

// A crash inside the component must not raise the system's fault dialog
// and leave an unattended script waiting: the component could not answer.
LONG WINAPI ExitOnUnhandledException(EXCEPTION_POINTERS*) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(ResultCode::ComponentUnavailable));
  return EXCEPTION_EXECUTE_HANDLER;
}

// An empty command line holds no arguments; element 0 is then the
// program's own path.
ResultCode RunWithoutArguments(ProgramRun run) {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const char* const argv[] = {path, nullptr};
  return run(1, argv);
}

}  // namespace

int StartWindowsProgram(ProgramRun run) noexcept {
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
