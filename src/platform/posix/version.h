// The Windows version the Linux build reports: NT 10.0 unless a test sets
// another (see testing.h).
#ifndef DRAVLEN_PLATFORM_POSIX_VERSION_H_
#define DRAVLEN_PLATFORM_POSIX_VERSION_H_

#include "platform/posix/win_types.h"

#define VER_PLATFORM_WIN32s 0u
#define VER_PLATFORM_WIN32_WINDOWS 1u
#define VER_PLATFORM_WIN32_NT 2u

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
typedef OSVERSIONINFOA* LPOSVERSIONINFOA;

BOOL GetVersionExA(LPOSVERSIONINFOA info);

#endif  // DRAVLEN_PLATFORM_POSIX_VERSION_H_
