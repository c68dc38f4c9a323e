// The Windows entry of a GUI-subsystem program: no console, and the only
// window is the usage box.
#include "app/command_line.h"
#include "app/fatal_exit.h"
#include "app/front_end.h"
#include "platform/platform.h"
#include "query/comparison_code_page.h"

namespace {

// A crash inside the component must not raise the system's fault dialog
// and leave an unattended script waiting: the component could not answer.
LONG WINAPI ExitOnUnhandledException(EXCEPTION_POINTERS*) {
  TerminateProcess(GetCurrentProcess(),
                   static_cast<UINT>(dravlen::ResultCode::ComponentUnavailable));
  return EXCEPTION_EXECUTE_HANDLER;
}

// An empty command line holds no arguments; element 0 is then the
// program's own path.
dravlen::ResultCode RunWithoutArguments() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const char* const argv[] = {path, nullptr};
  return dravlen::Run(1, argv);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(&ExitOnUnhandledException);
  dravlen::InstallFatalExitHandlers();

  // The lead bytes must be known before the command line is split.
  dravlen::InitComparisonCodePage();
  const char* line = GetCommandLineA();
  if (line == nullptr || *line == '\0') return static_cast<int>(RunWithoutArguments());
  const dravlen::ArgumentVector arguments(line, dravlen::ComparisonCodePageInForce().isLeadByte);
  // Without memory for its arguments the program cannot ask the component.
  if (arguments.argc() == 0) return static_cast<int>(dravlen::ResultCode::ComponentUnavailable);
  return static_cast<int>(dravlen::Run(arguments.argc(), arguments.argv()));
}
