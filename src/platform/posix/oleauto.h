// The OLE Automation subset for the Linux build, as the Windows header of
// that name gathers it: BSTR, VARIANT and SAFEARRAY, each in a header of its
// own.
#ifndef DRAVLEN_PLATFORM_POSIX_OLEAUTO_H_
#define DRAVLEN_PLATFORM_POSIX_OLEAUTO_H_

#include "platform/posix/bstr.h"
#include "platform/posix/safearray.h"
#include "platform/posix/variant.h"

#endif  // DRAVLEN_PLATFORM_POSIX_OLEAUTO_H_
