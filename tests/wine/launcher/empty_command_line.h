// An empty command line for the child. Wine hands a child started with an
// empty lpCommandLine its program's path instead, so the launcher starts it
// suspended and empties the command line in its process parameters before
// any of its code runs: the system builds what GetCommandLineA and
// GetCommandLineW answer from that string when the process initialises.
#ifndef DRAVLEN_TESTS_WINE_LAUNCHER_EMPTY_COMMAND_LINE_H_
#define DRAVLEN_TESTS_WINE_LAUNCHER_EMPTY_COMMAND_LINE_H_

#include <windows.h>

#include <string>

namespace launcher {

// Empties the command line of `process`, created suspended, and returns it
// as read back afterwards, in UTF-8: empty unless the change did not hold.
std::string EmptyCommandLine(HANDLE process);

}  // namespace launcher

#endif  // DRAVLEN_TESTS_WINE_LAUNCHER_EMPTY_COMMAND_LINE_H_
