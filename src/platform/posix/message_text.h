// The system's text for a status code, for the Linux build: a handful of
// the COM and Win32 statuses the program can meet, in the system's English.
#ifndef DRAVLEN_PLATFORM_POSIX_MESSAGE_TEXT_H_
#define DRAVLEN_PLATFORM_POSIX_MESSAGE_TEXT_H_

#include <cstdarg>

#include "platform/posix/win_types.h"

#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u
#define ERROR_MR_MID_NOT_FOUND 317u

// Only FORMAT_MESSAGE_FROM_SYSTEM with FORMAT_MESSAGE_IGNORE_INSERTS and a
// caller's buffer. Writes the text, ended by CR LF as the system's texts
// are, and answers its length without the terminator; 0 when the status
// has no text (ERROR_MR_MID_NOT_FOUND) or the buffer is too small
// (ERROR_INSUFFICIENT_BUFFER).
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     LPSTR buffer, DWORD size, va_list* arguments);

#endif  // DRAVLEN_PLATFORM_POSIX_MESSAGE_TEXT_H_
