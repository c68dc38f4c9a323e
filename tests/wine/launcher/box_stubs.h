// The message box functions the launcher redirects, and the machine code
// that stands in for them in the child: a stub stores the call's arguments
// in the call block, wakes the launcher and waits for it, then returns IDOK.
// The code is for the launcher's own processor (x86 or x86-64): a launcher
// starts a program built for the same processor.
#ifndef DRAVLEN_TESTS_WINE_LAUNCHER_BOX_STUBS_H_
#define DRAVLEN_TESTS_WINE_LAUNCHER_BOX_STUBS_H_

#include <windows.h>

#include <vector>

namespace launcher {

enum class BoxCall { Plain, Extended, Indirect };

struct BoxFunction {
  const char* name;
  BoxCall call;
  bool wide;
  ULONG32 argumentCount;  // what a 32-bit stub pops on return
};

inline constexpr BoxFunction kBoxFunctions[] = {
    {"MessageBoxA", BoxCall::Plain, false, 4},
    {"MessageBoxW", BoxCall::Plain, true, 4},
    {"MessageBoxExA", BoxCall::Extended, false, 5},
    {"MessageBoxExW", BoxCall::Extended, true, 5},
    {"MessageBoxIndirectA", BoxCall::Indirect, false, 1},
    {"MessageBoxIndirectW", BoxCall::Indirect, true, 1},
    {"MessageBoxTimeoutA", BoxCall::Extended, false, 6},
    {"MessageBoxTimeoutW", BoxCall::Extended, true, 6},
};
inline constexpr size_t kBoxFunctionCount = sizeof kBoxFunctions / sizeof kBoxFunctions[0];

// What a stub records in the child, followed by what it needs to call.
// Pointer-sized fields, so that the layout is the child's: the launcher is
// built for the child's processor. The stubs' code depends on this layout.
struct CallBlock {
  ULONG_PTR function;  // index into kBoxFunctions
  ULONG_PTR arguments[4];
  ULONG_PTR called;  // event handles in the child
  ULONG_PTR done;
  ULONG_PTR signalObjectAndWait;
};

// The stub of kBoxFunctions[function], recording into the call block at
// `block`; a 32-bit stub pops `argumentBytes` on return.
std::vector<BYTE> StubCode(ULONG_PTR block, ULONG32 function, ULONG32 argumentBytes);
// The jump written over the function's entry at `entry`, to `target`.
std::vector<BYTE> JumpCode(ULONG_PTR entry, ULONG_PTR target);

}  // namespace launcher

#endif  // DRAVLEN_TESTS_WINE_LAUNCHER_BOX_STUBS_H_
