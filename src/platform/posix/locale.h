// Locales for the Linux build: the thread locale, which starts as the
// locale named in the environment, and the one locale datum the program
// reads, its ANSI code page.
#ifndef DRAVLEN_PLATFORM_POSIX_LOCALE_H_
#define DRAVLEN_PLATFORM_POSIX_LOCALE_H_

#include "platform/posix/win_types.h"

#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004u

LCID GetThreadLocale();
BOOL SetThreadLocale(LCID locale);
int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int dataLength);

#endif  // DRAVLEN_PLATFORM_POSIX_LOCALE_H_
