// VARIANT for the Linux build: the type tag, the value union and the two
// calls the program makes on it.
#ifndef DRAVLEN_PLATFORM_POSIX_VARIANT_H_
#define DRAVLEN_PLATFORM_POSIX_VARIANT_H_

#include "platform/posix/bstr.h"
#include "platform/posix/com.h"

struct SAFEARRAY;

typedef unsigned short VARTYPE;
typedef short VARIANT_BOOL;

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_UI1 = 17,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
};

// A record held by value; named outside VARIANT because a type declared
// inside an anonymous union is not standard C++.
struct VARIANT_BRECORD {
  void* pvRecord;
  void* pRecInfo;
};

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONG lVal;
    short iVal;
    BYTE bVal;
    VARIANT_BOOL boolVal;
    HRESULT scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    SAFEARRAY* parray;
    SAFEARRAY** pparray;
    VARIANT* pvarVal;
    void* byref;
    VARIANT_BRECORD brecVal;
  };
};
typedef VARIANT VARIANTARG;

void VariantInit(VARIANTARG* variant);
HRESULT VariantClear(VARIANTARG* variant);

#endif  // DRAVLEN_PLATFORM_POSIX_VARIANT_H_
