// Last-resort exits for failures that get past the entry's catch.
#ifndef DRAVLEN_START_FATAL_EXIT_H_
#define DRAVLEN_START_FATAL_EXIT_H_

namespace dravlen {

// Makes std::terminate and abort end the process with ComponentUnavailable
// at once: the runtime's own abort would answer 3, "invalid arguments", and
// may show a dialog that blocks an unattended script.
void InstallFatalExitHandlers();

// Ends the process with ComponentUnavailable at once, running no exit
// processing: what those handlers do.
[[noreturn]] void ExitUnavailable();

}  // namespace dravlen

#endif  // DRAVLEN_START_FATAL_EXIT_H_
