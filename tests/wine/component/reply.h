// The reply to GetMountedContainers: the VARIANTs, arrays and strings the
// scenario asks for, allocated as the program would get them from a driver.
#ifndef DRAVLEN_TESTS_WINE_COMPONENT_REPLY_H_
#define DRAVLEN_TESTS_WINE_COMPONENT_REPLY_H_

#include <windows.h>

#include <oleauto.h>

#include <vector>

#include "scenario.h"

namespace test_volume_driver {

// Fills the VT_EMPTY `reply` as `kind` says, from `entries`.
void FillReply(VARIANT* reply, ReplyKind kind, const std::vector<Entry>& entries);

}  // namespace test_volume_driver

#endif  // DRAVLEN_TESTS_WINE_COMPONENT_REPLY_H_
