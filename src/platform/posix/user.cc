// MessageBoxA without a window system: the caption and text go to standard
// error and the user is taken to have pressed OK.
#include "platform/posix/user.h"

#include <cstdio>

#include "platform/posix/internal.h"

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  standin::internal::LogCall("MessageBoxA");
  standin::internal::RecordMessageBox(owner != nullptr, text, caption, type);
  // Windows titles a box without a caption "Error".
  std::fprintf(stderr, "%s\n%s\n", caption != nullptr ? caption : "Error",
               text != nullptr ? text : "");
  std::fflush(stderr);
  return IDOK;
}
