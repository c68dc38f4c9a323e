// Basic Win32 types, status codes and macros for the Linux build, with the
// thread's last-error code and the one interlocked exchange the program uses.
//
// Sizes follow 32/64-bit Windows, not the Linux ABI: LONG and ULONG are
// 32 bits wide, WCHAR is a 16-bit UTF-16 code unit.
#ifndef DRAVLEN_PLATFORM_POSIX_WIN_TYPES_H_
#define DRAVLEN_PLATFORM_POSIX_WIN_TYPES_H_

#include <cstddef>
#include <cstdint>

#define WINAPI
#define STDMETHODCALLTYPE
#define STDAPI extern "C" HRESULT

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned short USHORT;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef char16_t WCHAR;
typedef int32_t HRESULT;
typedef DWORD LCID;
typedef DWORD LCTYPE;
typedef void* LPVOID;
typedef void* PVOID;
typedef void* HANDLE;
typedef DWORD* LPDWORD;
typedef intptr_t LONG_PTR;

typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef const CHAR* LPCCH;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* LPCWCH;
typedef BOOL* LPBOOL;
typedef WORD* LPWORD;

struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

// HRESULT values are written as their 32-bit patterns, as the SDK does.
#define MAKE_STANDIN_HRESULT(bits) static_cast<HRESULT>(static_cast<uint32_t>(bits))
#define S_OK MAKE_STANDIN_HRESULT(0x00000000)
#define S_FALSE MAKE_STANDIN_HRESULT(0x00000001)
#define E_NOTIMPL MAKE_STANDIN_HRESULT(0x80004001)
#define E_NOINTERFACE MAKE_STANDIN_HRESULT(0x80004002)
#define E_POINTER MAKE_STANDIN_HRESULT(0x80004003)
#define E_FAIL MAKE_STANDIN_HRESULT(0x80004005)
#define E_UNEXPECTED MAKE_STANDIN_HRESULT(0x8000FFFF)
#define E_OUTOFMEMORY MAKE_STANDIN_HRESULT(0x8007000E)
#define E_INVALIDARG MAKE_STANDIN_HRESULT(0x80070057)
#define DISP_E_BADVARTYPE MAKE_STANDIN_HRESULT(0x80020008)
#define DISP_E_ARRAYISLOCKED MAKE_STANDIN_HRESULT(0x8002000D)
#define DISP_E_BADINDEX MAKE_STANDIN_HRESULT(0x8002000B)
#define CLASS_E_NOAGGREGATION MAKE_STANDIN_HRESULT(0x80040110)
#define CLASS_E_CLASSNOTAVAILABLE MAKE_STANDIN_HRESULT(0x80040111)
#define REGDB_E_CLASSNOTREG MAKE_STANDIN_HRESULT(0x80040154)
#define CO_E_NOTINITIALIZED MAKE_STANDIN_HRESULT(0x800401F0)
#define CO_E_OBJNOTREG MAKE_STANDIN_HRESULT(0x800401FB)
#define RPC_E_CHANGED_MODE MAKE_STANDIN_HRESULT(0x80010106)

// Win32 error codes reported through GetLastError.
#define ERROR_SUCCESS 0u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_FLAGS 1004u
#define ERROR_NO_UNICODE_TRANSLATION 1113u

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
typedef const GUID& REFGUID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

DWORD GetLastError();
void SetLastError(DWORD error);

inline void* InterlockedExchangePointer(void* volatile* target, void* value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

#endif  // DRAVLEN_PLATFORM_POSIX_WIN_TYPES_H_
