// The process's window station: visible by default, or what a test set.
#include "platform/posix/window_station.h"

#include <atomic>
#include <cstring>

#include "platform/posix/internal.h"
#include "platform/posix/testing.h"

namespace {

std::atomic<standin::WindowStation> theStation{standin::WindowStation::Visible};

// Any non-null value serves: the handle is only ever handed back.
HWINSTA ProcessStationHandle() { return reinterpret_cast<HWINSTA>(0x40); }

}  // namespace

HWINSTA GetProcessWindowStation() {
  standin::internal::LogCall("GetProcessWindowStation");
  if (theStation.load() == standin::WindowStation::None) {
    standin::internal::Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return ProcessStationHandle();
}

BOOL GetUserObjectInformationA(HANDLE object, int index, PVOID info, DWORD length,
                               LPDWORD lengthNeeded) {
  using standin::internal::Fail;
  standin::internal::LogCall("GetUserObjectInformationA");
  const standin::WindowStation station = theStation.load();
  if (object != ProcessStationHandle() || station == standin::WindowStation::None) {
    return Fail(ERROR_INVALID_HANDLE);
  }
  if (index != UOI_FLAGS || station == standin::WindowStation::Unreadable) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (lengthNeeded != nullptr) *lengthNeeded = sizeof(USEROBJECTFLAGS);
  if (info == nullptr || length < sizeof(USEROBJECTFLAGS)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  USEROBJECTFLAGS flags = {};
  flags.dwFlags = station == standin::WindowStation::Visible ? WSF_VISIBLE : 0;
  std::memcpy(info, &flags, sizeof flags);
  return TRUE;
}

namespace standin {

void SetWindowStation(WindowStation station) { theStation.store(station); }

namespace internal {

void ResetWindowStation() { SetWindowStation(WindowStation::Visible); }

}  // namespace internal
}  // namespace standin
