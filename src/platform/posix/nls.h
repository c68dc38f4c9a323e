// The national-language services of the Linux build and the version query
// that goes with them, each in a header of its own: code pages, locales,
// character types, the Windows version.
#ifndef DRAVLEN_PLATFORM_POSIX_NLS_H_
#define DRAVLEN_PLATFORM_POSIX_NLS_H_

#include "platform/posix/character_types.h"
#include "platform/posix/code_pages.h"
#include "platform/posix/locale.h"
#include "platform/posix/version.h"

#endif  // DRAVLEN_PLATFORM_POSIX_NLS_H_
