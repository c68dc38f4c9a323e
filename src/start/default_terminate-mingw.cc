// The C++ runtime's default terminate handler, replaced in the statically
// linked mingw-w64 builds. The runtime's own writes the pending exception's
// demangled type name to standard error, which a GUI program does not have,
// and brings the name demangler and the C library's printf formatting into
// the image, some 75 KiB. It is in force only until the entry installs the
// program's own handler, and it ends the process the same way.
#include <exception>

#include "start/fatal_exit.h"

// The runtime's name for it: the linker takes this definition and leaves
// the runtime's out.
void __gnu_cxx::__verbose_terminate_handler() { dravlen::ExitUnavailable(); }
