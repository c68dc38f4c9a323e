// COM library subset for the Linux build: IUnknown, class registration,
// activation and per-thread initialisation.
//
// Activation consults an in-process class table filled with
// CoRegisterClassObject; there is no registry and no out-of-process server.
#ifndef DRAVLEN_PLATFORM_POSIX_COM_H_
#define DRAVLEN_PLATFORM_POSIX_COM_H_

#include "platform/posix/win_types.h"

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

struct IClassFactory : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

struct IRunnableObject : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetRunningClass(CLSID* clsid) = 0;
  virtual HRESULT STDMETHODCALLTYPE Run(void* bindContext) = 0;
  virtual BOOL STDMETHODCALLTYPE IsRunning() = 0;
  virtual HRESULT STDMETHODCALLTYPE LockRunning(BOOL lock, BOOL lastUnlockCloses) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL contained) = 0;

 protected:
  ~IRunnableObject() = default;
};

extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_IRunnableObject;

enum CLSCTX : DWORD {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10,
};

enum REGCLS : DWORD {
  REGCLS_SINGLEUSE = 0,
  REGCLS_MULTIPLEUSE = 1,
};

enum COINIT : DWORD {
  COINIT_MULTITHREADED = 0x0,
  COINIT_APARTMENTTHREADED = 0x2,
};

// S_OK for the thread's first initialisation, S_FALSE for a repeated one of
// the same model, RPC_E_CHANGED_MODE for a different model (not counted).
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();

// REGDB_E_CLASSNOTREG for a class that is not registered, CO_E_NOTINITIALIZED
// on a thread without COM, CLASS_E_NOAGGREGATION for a non-null outer object.
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid,
                         LPVOID* object);
HRESULT CoRegisterClassObject(REFCLSID clsid, LPUNKNOWN factory, DWORD clsContext, DWORD flags,
                              DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);

// S_OK for an object without IRunnableObject; otherwise IRunnableObject::Run.
HRESULT OleRun(LPUNKNOWN object);

#endif  // DRAVLEN_PLATFORM_POSIX_COM_H_
