// The launcher's options, and the child's command line they give.
#ifndef DRAVLEN_TESTS_WINE_LAUNCHER_OPTIONS_H_
#define DRAVLEN_TESTS_WINE_LAUNCHER_OPTIONS_H_

#include <windows.h>

#include <string>

namespace launcher {

struct Options {
  std::string reportPath;   // empty: no report
  std::string commandLine;  // the exact bytes, without a NUL
  DWORD timeoutMs = 60000;
  std::string station;  // empty: the launcher's own
  std::string program;
};

// Fails with the usage when the options are wrong or incomplete.
Options ReadOptions(int argc, char** argv);

}  // namespace launcher

#endif  // DRAVLEN_TESTS_WINE_LAUNCHER_OPTIONS_H_
