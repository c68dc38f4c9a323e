// Starts a program with an exact ANSI command line and reports the message
// boxes it shows, for the end-to-end tests.
//
//   launch.exe [--report FILE] [--timeout-ms N] [--station NAME]
//              (--cmdline-hex HEX | --cmdline-file FILE) PROGRAM
//
// PROGRAM is started with CreateProcessA(PROGRAM, <the command line bytes>),
// so the test decides every byte the child's GetCommandLineA returns, in
// the code page of the launcher's environment. An empty command line is
// emptied in the child before it runs (Wine would hand it its path), and
// the report says what was read back: command line read back: "". With
// --station, it starts in a window station of that name without visible
// display surfaces, as a service's or a remote shell's programs do. The
// launcher exits with the child's exit status, which the report's last
// line gives as "exit N"; its own failures exit with 250 and a message on
// standard error. A child that has not ended by the time limit is such a
// failure: the report says "timeout", and the child and every process it
// started are ended. How the boxes are caught is told in box_watch.h.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "box_watch.h"
#include "empty_command_line.h"
#include "hidden_station.h"
#include "options.h"
#include "report.h"

int main(int argc, char** argv) {
  const launcher::Options options = launcher::ReadOptions(argc, argv);
  launcher::Report report(options.reportPath);
  std::vector<char> line(options.commandLine.begin(), options.commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  std::string desktop;
  if (!options.station.empty()) {
    desktop = launcher::CreateHiddenStation(options.station);
    startup.lpDesktop = &desktop[0];
  }
  // The child and whatever it starts (a batch file's programs) are in one
  // job, so that a child that never ends takes nothing with it that would.
  const HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (job == nullptr) launcher::Fail("cannot create a job object");
  // Wine now and then loses a new process before any of its code runs: the
  // start fails with ERROR_INTERNAL_ERROR, or the process ends before it has
  // loaded user32 (seen three times in some 3,000 starts here, once both
  // ways in a row). That says nothing of the program, so such a start is
  // tried again, at most three times, and the report says so.
  const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
  const bool empty = options.commandLine.empty();
  PROCESS_INFORMATION child;
  std::unique_ptr<launcher::BoxWatch> watch;
  for (int attempt = 1;; ++attempt) {
    std::string lost;
    std::memset(&child, 0, sizeof child);
    if (!CreateProcessA(options.program.c_str(), line.data(), nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS | (empty ? CREATE_SUSPENDED : 0), nullptr, nullptr,
                        &startup, &child)) {
      if (GetLastError() != ERROR_INTERNAL_ERROR) launcher::Fail("cannot start " + options.program);
      lost = "the start failed with error " + std::to_string(GetLastError());
    } else {
      if (!AssignProcessToJobObject(job, child.hProcess)) {
        launcher::Fail("cannot put the child in a job");
      }
      if (empty) {
        report.line("command line read back: \"" + launcher::EmptyCommandLine(child.hProcess) +
                    "\"");
        if (ResumeThread(child.hThread) == static_cast<DWORD>(-1)) {
          launcher::Fail("cannot resume the child");
        }
      }
      watch = std::make_unique<launcher::BoxWatch>(report, child.hProcess);
      if (watch->arm(child.dwProcessId, deadline)) break;
      lost = "the child ended before it loaded user32";
      CloseHandle(child.hThread);
      CloseHandle(child.hProcess);
    }
    if (attempt == 3) launcher::Fail(lost);
    report.line(lost + ", tried again");
    Sleep(500);
  }
  DWORD code = 0;
  if (!watch->watch(deadline, code)) {
    report.line("timeout");
    TerminateJobObject(job, launcher::kLauncherFailure);
    launcher::Fail("the program did not end within " + std::to_string(options.timeoutMs) + " ms");
  }
  report.line("exit " + std::to_string(code));
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return static_cast<int>(code);
}
