// SAFEARRAY for the Linux build. An array created with an element type
// keeps that type in the 4 bytes before the descriptor (FADF_HAVEVARTYPE),
// as Windows does.
#ifndef DRAVLEN_PLATFORM_POSIX_SAFEARRAY_H_
#define DRAVLEN_PLATFORM_POSIX_SAFEARRAY_H_

#include "platform/posix/variant.h"

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

#endif  // DRAVLEN_PLATFORM_POSIX_SAFEARRAY_H_
