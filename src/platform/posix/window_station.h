// The process's window station for the Linux build: whether a window shown
// by the process could be seen. Tests choose the station with
// standin::SetWindowStation; a new process is in a visible one.
#ifndef DRAVLEN_PLATFORM_POSIX_WINDOW_STATION_H_
#define DRAVLEN_PLATFORM_POSIX_WINDOW_STATION_H_

#include "platform/posix/win_types.h"

struct HWINSTA__;
typedef HWINSTA__* HWINSTA;

#define UOI_FLAGS 1
#define WSF_VISIBLE 0x0001u

struct USEROBJECTFLAGS {
  BOOL fInherit;
  BOOL fReserved;
  DWORD dwFlags;
};

// Null, with the last error set, when the process has no window station.
HWINSTA GetProcessWindowStation();

// Only UOI_FLAGS of the process's own station is known. A buffer smaller
// than the information fails with ERROR_INSUFFICIENT_BUFFER and reports the
// size needed.
BOOL GetUserObjectInformationA(HANDLE object, int index, PVOID info, DWORD length,
                               LPDWORD lengthNeeded);

#endif  // DRAVLEN_PLATFORM_POSIX_WINDOW_STATION_H_
