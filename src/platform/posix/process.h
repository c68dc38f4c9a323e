// The process itself for the Linux build: its command line and file name,
// its error mode and unhandled-exception filter, and its end. Tests set the
// command line and the file name with the controls of testing.h; a new
// process has its own executable's path as both.
#ifndef DRAVLEN_PLATFORM_POSIX_PROCESS_H_
#define DRAVLEN_PLATFORM_POSIX_PROCESS_H_

#include "platform/posix/win_types.h"

#define MAX_PATH 260

#define SEM_FAILCRITICALERRORS 0x0001u
#define SEM_NOGPFAULTERRORBOX 0x0002u
#define SEM_NOOPENFILEERRORBOX 0x8000u

#define EXCEPTION_EXECUTE_HANDLER 1
#define EXCEPTION_CONTINUE_SEARCH 0

#define ERROR_MOD_NOT_FOUND 126u

typedef HINSTANCE HMODULE;

struct EXCEPTION_RECORD;
struct CONTEXT;
struct EXCEPTION_POINTERS {
  EXCEPTION_RECORD* ExceptionRecord;
  CONTEXT* ContextRecord;
};
typedef LONG(WINAPI* LPTOP_LEVEL_EXCEPTION_FILTER)(EXCEPTION_POINTERS* exceptionInfo);

// The process's command line, as the program was started; never null.
LPSTR GetCommandLineA();

// Only the process's own executable (a null module) is known. The length
// copied, without the terminator; a buffer too small gets the name cut to
// size - 1 characters and a terminator, answers `size` and sets
// ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// Both answer the previous setting. Nothing on Linux raises the dialogs or
// calls the filter: tests read what was installed.
UINT SetErrorMode(UINT mode);
LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// The pseudo handle (-1) that stands for the calling process.
HANDLE GetCurrentProcess();

// Ends the calling process at once with `exitCode`, running no exit
// processing; any other process's handle fails with ERROR_INVALID_HANDLE.
BOOL TerminateProcess(HANDLE process, UINT exitCode);

#endif  // DRAVLEN_PLATFORM_POSIX_PROCESS_H_
