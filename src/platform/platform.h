// The one header through which the program reaches the platform: the real
// Windows headers on Windows, the project's own stand-in layer elsewhere.
#ifndef DRAVLEN_PLATFORM_PLATFORM_H_
#define DRAVLEN_PLATFORM_PLATFORM_H_

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>
#else
#include "platform/posix/com.h"
#include "platform/posix/console.h"
#include "platform/posix/message_text.h"
#include "platform/posix/nls.h"
#include "platform/posix/oleauto.h"
#include "platform/posix/process.h"
#include "platform/posix/user.h"
#include "platform/posix/win_types.h"
#include "platform/posix/window_station.h"
#endif

#endif  // DRAVLEN_PLATFORM_PLATFORM_H_
