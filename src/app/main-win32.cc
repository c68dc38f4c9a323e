// The Windows entry of a GUI-subsystem program: no console, and the only
// window is the usage box.
#include <string>
#include <vector>

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

// The arguments from the process's ANSI command line. An empty command
// line holds no arguments; element 0 is then the program's own path.
std::vector<std::string> CommandLineArguments() {
  const char* line = GetCommandLineA();
  if (line != nullptr && *line != '\0') {
    return dravlen::SplitCommandLine(line, dravlen::ComparisonCodePageInForce().isLeadByte);
  }
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return {path};
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(&ExitOnUnhandledException);
  dravlen::InstallFatalExitHandlers();

  // The lead bytes must be known before the command line is split.
  dravlen::InitComparisonCodePage();
  const std::vector<std::string> arguments = CommandLineArguments();
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  return static_cast<int>(dravlen::Run(static_cast<int>(argv.size()), argv.data()));
}
