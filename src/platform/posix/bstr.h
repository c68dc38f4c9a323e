// BSTR for the Linux build: a UTF-16 string that points just past a 4-byte
// byte-count prefix and is followed by a UTF-16 NUL, as on Windows.
#ifndef DRAVLEN_PLATFORM_POSIX_BSTR_H_
#define DRAVLEN_PLATFORM_POSIX_BSTR_H_

#include "platform/posix/win_types.h"

typedef WCHAR OLECHAR;
typedef OLECHAR* BSTR;
typedef const OLECHAR* LPCOLESTR;

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

#endif  // DRAVLEN_PLATFORM_POSIX_BSTR_H_
