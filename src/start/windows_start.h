// The start both Windows programs share: no fault dialogs, exit status 4 for
// anything that escapes, the comparison rules set up, and the command line
// split by the program's own rules, all before the program's own run.
#ifndef DRAVLEN_START_WINDOWS_START_H_
#define DRAVLEN_START_WINDOWS_START_H_

#include "dravlen/result_code.h"

namespace dravlen {

// A program's own run: what it does with its arguments. argv[0] is the
// program's name, and a null pointer follows the last argument.
using ProgramRun = ResultCode (*)(int argc, const char* const* argv);

// Starts the program as a Windows entry does and returns its exit status:
// the fault dialogs turned off, a crash answering ComponentUnavailable, the
// comparison rules set up before the process's command line is split (the
// split needs their lead bytes), and then `run` with the arguments. An
// empty command line runs it with the program's own path as the only
// element; without memory for the arguments `run` is not called and the
// answer is ComponentUnavailable.
int StartWindowsProgram(ProgramRun run) noexcept;

}  // namespace dravlen

#endif  // DRAVLEN_START_WINDOWS_START_H_
