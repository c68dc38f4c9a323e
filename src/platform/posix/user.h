// The message box for the Linux build: there is no window system to ask, so
// the caption and text go to standard error and the call returns IDOK.
#ifndef DRAVLEN_PLATFORM_POSIX_USER_H_
#define DRAVLEN_PLATFORM_POSIX_USER_H_

#include "platform/posix/win_types.h"

#define MB_OK 0x00000000u
#define MB_ICONINFORMATION 0x00000040u
#define IDOK 1

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#endif  // DRAVLEN_PLATFORM_POSIX_USER_H_
