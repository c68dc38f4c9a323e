#include "check/usage.h"

#include "platform/platform.h"

namespace dravlen {

const char kUsageCaption[] = "Quillmere Dravlen Utility";

// Line feeds only: the text is shown in a message box, never written to a
// console or file.
const char kUsageText[] =
    "This utility is used for command line tools (batch scripts) to determine: container.qmv is "
    "mounted or not.\n"
    "Format: dravlen.exe d:\\path\\container.qmv\n"
    "\n"
    "Returned codes (errorlevels):\n"
    "0 - container is not mounted\n"
    "1 - container is mounted\n"
    "3 - invalid arguments\n"
    "4 - cannot load tolvane.dll (it is needed to reinstall the software)\n";

namespace {

// Only a station that says it has no visible display surfaces counts as
// unseen; when that cannot be read, the box is shown as it always was.
bool NobodyCanSeeAWindow() {
  const HWINSTA station = GetProcessWindowStation();
  if (station == nullptr) return false;
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  if (!GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return false;
  return (flags.dwFlags & WSF_VISIBLE) == 0;
}

}  // namespace

void ShowUsage() {
  if (NobodyCanSeeAWindow()) return;
  MessageBoxA(nullptr, kUsageText, kUsageCaption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace dravlen
