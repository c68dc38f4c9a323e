// The calling thread's last-error code, as kept by the Win32 API.
#include "platform/posix/win_types.h"

#include "platform/posix/internal.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

namespace standin {
namespace internal {

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace internal
}  // namespace standin
