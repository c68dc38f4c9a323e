// The standard handles and writes to them for the Linux build: a handle
// stands for a file descriptor (testing.h makes one), and a descriptor that
// is a terminal counts as a console, whose text is UTF-16 written out as
// UTF-8.
#ifndef DRAVLEN_PLATFORM_POSIX_CONSOLE_H_
#define DRAVLEN_PLATFORM_POSIX_CONSOLE_H_

#include "platform/posix/win_types.h"

typedef const void* LPCVOID;
struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;

#define STD_INPUT_HANDLE static_cast<DWORD>(-10)
#define STD_OUTPUT_HANDLE static_cast<DWORD>(-11)
#define STD_ERROR_HANDLE static_cast<DWORD>(-12)
#define INVALID_HANDLE_VALUE reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1))

// Standard input, output or error: descriptors 0, 1 and 2 until
// SetStdHandle replaces them; INVALID_HANDLE_VALUE for anything else.
HANDLE GetStdHandle(DWORD which);
BOOL SetStdHandle(DWORD which, HANDLE handle);

// Succeeds only for a terminal, like Windows only for a console handle.
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
BOOL WriteConsoleW(HANDLE console, const void* text, DWORD length, LPDWORD written,
                   LPVOID reserved);

// The bytes as they are; `overlapped` must be null.
BOOL WriteFile(HANDLE file, LPCVOID bytes, DWORD length, LPDWORD written, LPOVERLAPPED overlapped);

#endif  // DRAVLEN_PLATFORM_POSIX_CONSOLE_H_
