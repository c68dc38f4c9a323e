// The calling thread's last-error code, as kept by the Win32 API.
#include "platform/posix/win_types.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }
