// OLE Automation subset for the Linux build: BSTR, VARIANT and SAFEARRAY.
//
// A BSTR points just past a 4-byte byte-count prefix and is followed by a
// UTF-16 NUL. A SAFEARRAY created with an element type keeps that type in the
// 4 bytes before the descriptor (FADF_HAVEVARTYPE), as Windows does.
#ifndef DRAVLEN_PLATFORM_POSIX_OLEAUTO_H_
#define DRAVLEN_PLATFORM_POSIX_OLEAUTO_H_

#include "platform/posix/com.h"

typedef WCHAR OLECHAR;
typedef OLECHAR* BSTR;
typedef const OLECHAR* LPCOLESTR;
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

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_RECORD 0x0020
#define FADF_HAVEIID 0x0040
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};

struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];  // cDims entries, the last dimension first
};
typedef SAFEARRAY* LPSAFEARRAY;

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

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

void VariantInit(VARIANTARG* variant);
HRESULT VariantClear(VARIANTARG* variant);

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
HRESULT SafeArrayLock(SAFEARRAY* array);
HRESULT SafeArrayUnlock(SAFEARRAY* array);
// DISP_E_ARRAYISLOCKED while locked; frees BSTR, interface and VARIANT
// elements with the array.
HRESULT SafeArrayDestroy(SAFEARRAY* array);
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lowerBound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* upperBound);
UINT SafeArrayGetDim(SAFEARRAY* array);
// Copies the element in: a BSTR is duplicated (a null one as an empty
// string), an interface is AddRef'd.
HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value);

#endif  // DRAVLEN_PLATFORM_POSIX_OLEAUTO_H_
