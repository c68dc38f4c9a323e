// The Windows entry of dravlen-list.exe, a console program: it starts as
// dravlen.exe does, with the same comparison rules and command-line
// splitting, and the C runtime's own argument vector goes unused.
#include "list/list_front_end.h"
#include "start/windows_start.h"

int main() { return dravlen::StartWindowsProgram(&dravlen::RunList); }
