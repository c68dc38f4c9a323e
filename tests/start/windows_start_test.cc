#include "start/windows_start.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/posix/testing.h"
#include "query/comparison_code_page.h"

namespace dravlen {
namespace {

using Arguments = std::vector<std::string>;

// The program's run, recorded: what it received, and where in the call log.
Arguments received;

ResultCode RecordingRun(int argc, const char* const* argv) {
  standin::RecordCall("run");
  received.assign(argv, argv + argc);
  EXPECT_EQ(argv[argc], nullptr);
  return ResultCode::Mounted;
}

// Runs that end the process instead of returning.
ResultCode AbortingRun(int, const char* const*) { std::abort(); }
ResultCode TerminatingRun(int, const char* const*) { std::terminate(); }

// Starts `run` where abort and std::terminate act as the runtime's own, so
// that only what the start installs can make them answer 4.
[[noreturn]] void StartWithRuntimeBackstops(ProgramRun run) {
  std::signal(SIGABRT, SIG_DFL);
  std::set_terminate([] { std::abort(); });
  std::_Exit(StartWindowsProgram(run));
}

class WindowsStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The rules a previous start left in force: without lead bytes.
    standin::ResetMachine();
    standin::SetSystemAnsiCodePage(1252);
    InitComparisonCodePage();
    received.clear();
  }
};

struct StartCase {
  const char* name;
  unsigned codePage;
  std::string commandLine;
  Arguments expected;
  std::vector<std::string> calls;
  ProgramRun run = &RecordingRun;  // another ends the process, which must answer 4
};

const char kModule[] = "C:\\Program Files\\Dravlen\\dravlen.exe";

const StartCase kStartCases[] = {
    // Not split: a path with a blank would otherwise give an argument.
    {"EmptyLineRunsWithOwnPath",
     1252,
     "",
     {kModule},
     {"SetErrorMode", "SetUnhandledExceptionFilter", "GetCommandLineA", "GetModuleFileNameA",
      "run"}},
    {"OnlyBlanksAndTabs",
     1252,
     " \t ",
     {""},
     {"SetErrorMode", "SetUnhandledExceptionFilter", "GetCommandLineA", "run"}},
    // Under 932, 0x81 is a lead byte and takes the quote after it: the
    // blank then separates. Split by the rules in force before the start,
    // the quote would open a quoted stretch holding the blank.
    {"RulesSetUpBeforeTheSplit",
     932,
     "p \x81\" b",
     {"p", "\x81\"", "b"},
     {"SetErrorMode", "SetUnhandledExceptionFilter", "GetCommandLineA", "run"}},
    // Left to the runtime, abort answers 3 on Windows: "invalid arguments".
    {"AbortAnswersUnavailable", 1252, "dravlen.exe", {}, {}, &AbortingRun},
    {"TerminateAnswersUnavailable", 1252, "dravlen.exe", {}, {}, &TerminatingRun},
};

TEST_F(WindowsStartTest, RunsWithTheSplitCommandLine) {
  for (const StartCase& test : kStartCases) {
    SCOPED_TRACE(test.name);
    SetUp();
    standin::SetSystemAnsiCodePage(test.codePage);
    standin::SetModuleFileName(kModule);
    standin::SetCommandLine(test.commandLine);
    if (test.run != &RecordingRun) {
      EXPECT_EXIT(StartWithRuntimeBackstops(test.run), ::testing::ExitedWithCode(4), "");
      continue;
    }
    standin::StartCallLog();
    EXPECT_EQ(StartWindowsProgram(&RecordingRun), 1);
    EXPECT_EQ(standin::TakeCallLog(), test.calls);
    EXPECT_EQ(received, test.expected);
    EXPECT_EQ(
        standin::ErrorMode(),
        static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX));
  }
}

// A crash the filter sees ends the process at once with 4, so that no
// fault dialog waits for a click.
TEST_F(WindowsStartTest, ExceptionFilterEndsWithUnavailable) {
  standin::SetCommandLine("dravlen.exe");
  StartWindowsProgram(&RecordingRun);
  const LPTOP_LEVEL_EXCEPTION_FILTER filter = standin::InstalledExceptionFilter();
  ASSERT_NE(filter, nullptr);
  EXPECT_EXIT(filter(nullptr), ::testing::ExitedWithCode(4), "");
}

#if !defined(__SANITIZE_ADDRESS__)
// The size of the process's address space, from /proc/self/status.
rlim_t AddressSpaceBytes() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  char line[256];
  unsigned long kib = 0;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmSize: %lu kB", &kib) == 1) break;
  }
  std::fclose(status);
  return static_cast<rlim_t>(kib) * 1024;
}

// Starts with no more than 16 MiB of address space to spare, and ends the
// process with the start's answer.
[[noreturn]] void StartWithLittleMemory() {
  const rlimit limit = {AddressSpaceBytes() + (16u << 20), RLIM_INFINITY};
  setrlimit(RLIMIT_AS, &limit);
  std::_Exit(StartWindowsProgram(&RecordingRun));
}
#endif

// Where the arguments' block cannot be had, the start answers 4 and the run
// is never called (it would answer 1).
TEST_F(WindowsStartTest, NoMemoryForTheArgumentsAnswersUnavailable) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator does not answer a failure with null";
#else
  std::string line = "dravlen.exe";
  for (int i = 0; i < 4 * 1024 * 1024; ++i) line += " a";  // 40 MiB of arguments' block
  standin::SetCommandLine(line);
  EXPECT_EXIT(StartWithLittleMemory(), ::testing::ExitedWithCode(4), "");
#endif
}

}  // namespace
}  // namespace dravlen
