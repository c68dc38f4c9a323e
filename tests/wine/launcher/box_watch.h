// Message box capture. The child starts under the launcher as a debugger
// only until user32 is loaded. The launcher then redirects each of user32's
// message box functions to a stub of its own in the child, and detaches
// before any of the program's code runs, so the program runs (and handles
// exceptions and faults) as it would unobserved. A stub stores the call's
// register arguments, wakes the launcher and waits; the launcher reads the
// caption and text from the waiting child, writes them to the report, and
// lets the stub return IDOK, as if the user had pressed OK. No window is
// ever created. Report lines:
//   armed N of 8
//   box N FUNCTION owner=0x.. style=0x.. text-bytes=.. caption-bytes=..
// The exact caption and text of box N are written to REPORT.boxN.caption and
// REPORT.boxN.text (bytes as read; UTF-16LE for the W functions).
#ifndef DRAVLEN_TESTS_WINE_LAUNCHER_BOX_WATCH_H_
#define DRAVLEN_TESTS_WINE_LAUNCHER_BOX_WATCH_H_

#include <windows.h>

#include "report.h"

namespace launcher {

class BoxWatch {
 public:
  // `process` was started with DEBUG_ONLY_THIS_PROCESS.
  BoxWatch(Report& report, HANDLE process);

  // Follows the child's start until user32 is loaded, redirects its message
  // box functions and detaches. False when the child ended before it loaded
  // user32: the programs import it, so none of their own code ran.
  bool arm(DWORD processId, ULONGLONG deadline);
  // Serves the stubs until the child ends and gives its exit status; false
  // when the deadline came first.
  bool watch(ULONGLONG deadline, DWORD& code);

 private:
  // True once user32's functions are redirected.
  bool redirect(ULONG_PTR base);
  void onBox();

  Report& report_;
  HANDLE process_;
  HANDLE called_ = nullptr;
  HANDLE done_ = nullptr;
  ULONG_PTR signalObjectAndWait_ = 0;
  ULONG_PTR block_ = 0;
  unsigned boxes_ = 0;
};

}  // namespace launcher

#endif  // DRAVLEN_TESTS_WINE_LAUNCHER_BOX_WATCH_H_
