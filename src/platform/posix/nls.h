// Locale and version services for the Linux build, with the code pages
// (code_pages.h).
//
// Classification and case mapping go through the C library's wide-character
// functions in a UTF-8 locale. The thread locale follows the process locale
// named in the environment, as Windows defaults it (see testing.h to set it).
#ifndef DRAVLEN_PLATFORM_POSIX_NLS_H_
#define DRAVLEN_PLATFORM_POSIX_NLS_H_

#include "platform/posix/code_pages.h"
#include "platform/posix/win_types.h"

#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004u

#define CT_CTYPE1 0x00000001u
#define C1_UPPER 0x0001
#define C1_LOWER 0x0002
#define C1_DIGIT 0x0004
#define C1_SPACE 0x0008
#define C1_PUNCT 0x0010
#define C1_CNTRL 0x0020
#define C1_BLANK 0x0040
#define C1_XDIGIT 0x0080
#define C1_ALPHA 0x0100
#define C1_DEFINED 0x0200

#define LCMAP_LOWERCASE 0x00000100u
#define LCMAP_UPPERCASE 0x00000200u

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

LCID GetThreadLocale();
BOOL SetThreadLocale(LCID locale);
int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int dataLength);
BOOL GetStringTypeW(DWORD infoType, LPCWCH text, int length, LPWORD types);
int LCMapStringW(LCID locale, DWORD flags, LPCWSTR source, int sourceLength, LPWSTR dest,
                 int destLength);
BOOL GetVersionExA(LPOSVERSIONINFOA info);

inline void* InterlockedExchangePointer(void* volatile* target, void* value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

#endif  // DRAVLEN_PLATFORM_POSIX_NLS_H_
