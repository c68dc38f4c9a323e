// Character classification and case mapping of UTF-16 text for the Linux
// build, through the C library's wide-character functions in a UTF-8 locale.
#ifndef DRAVLEN_PLATFORM_POSIX_CHARACTER_TYPES_H_
#define DRAVLEN_PLATFORM_POSIX_CHARACTER_TYPES_H_

#include "platform/posix/win_types.h"

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

BOOL GetStringTypeW(DWORD infoType, LPCWCH text, int length, LPWORD types);
int LCMapStringW(LCID locale, DWORD flags, LPCWSTR source, int sourceLength, LPWSTR dest,
                 int destLength);

#endif  // DRAVLEN_PLATFORM_POSIX_CHARACTER_TYPES_H_
