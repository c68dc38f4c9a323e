// Code pages for the Linux build: the ones the machine knows, what GetCPInfo
// says of them, and conversion between them and UTF-16. The system ANSI code
// page follows the process locale named in the environment, as Windows
// defaults it (see testing.h to set it).
#ifndef DRAVLEN_PLATFORM_POSIX_CODE_PAGES_H_
#define DRAVLEN_PLATFORM_POSIX_CODE_PAGES_H_

#include "platform/posix/win_types.h"

#define CP_ACP 0u
#define CP_OEMCP 1u
#define CP_THREAD_ACP 3u
#define CP_UTF8 65001u

#define MB_PRECOMPOSED 0x00000001u
#define MB_ERR_INVALID_CHARS 0x00000008u

#define MAX_LEADBYTES 12
#define MAX_DEFAULTCHAR 2

struct CPINFO {
  UINT MaxCharSize;
  BYTE DefaultChar[MAX_DEFAULTCHAR];
  BYTE LeadByte[MAX_LEADBYTES];
};
typedef CPINFO* LPCPINFO;

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength, LPSTR multi,
                        int multiLength, LPCCH defaultChar, LPBOOL usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multi, int multiLength, LPWSTR wide,
                        int wideLength);
UINT GetACP();
BOOL GetCPInfo(UINT codePage, LPCPINFO info);

#endif  // DRAVLEN_PLATFORM_POSIX_CODE_PAGES_H_
