// The COM library subset: per-thread initialisation, an in-process class
// table filled by CoRegisterClassObject, activation through the registered
// class factories, and OleRun.
#include "platform/posix/com.h"

#include <mutex>
#include <vector>

#include "platform/posix/internal.h"
#include "platform/posix/testing.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IRunnableObject = {0x00000126, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {

// How the calling thread entered COM. `count` may drop below zero after an
// unbalanced CoUninitialize so that tests can see it; COM is usable while it
// is positive.
struct ThreadCom {
  int count = 0;
  DWORD model = COINIT_MULTITHREADED;
};
thread_local ThreadCom threadCom;

struct Registration {
  DWORD cookie;
  CLSID clsid;
  IUnknown* object;  // holds one reference
  DWORD context;
};

struct ClassTable {
  std::mutex mutex;
  std::vector<Registration> entries;
  DWORD nextCookie = 1;
};

// Never destroyed: registrations may be revoked by objects torn down at exit.
ClassTable& Classes() {
  static ClassTable* table = new ClassTable;
  return *table;
}

// The registered class object for `clsid` in any of the `context` bits,
// AddRef'd, or null. The first registration wins, as in Windows.
IUnknown* FindClassObject(REFCLSID clsid, DWORD context) {
  ClassTable& table = Classes();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (const Registration& entry : table.entries) {
    if (entry.clsid == clsid && (entry.context & context) != 0) {
      entry.object->AddRef();
      return entry.object;
    }
  }
  return nullptr;
}

HRESULT InitializeThread(LPVOID reserved, DWORD coInit) {
  if (reserved != nullptr) return E_INVALIDARG;
  const DWORD model = coInit & COINIT_APARTMENTTHREADED;
  if (threadCom.count > 0) {
    if (model != threadCom.model) return RPC_E_CHANGED_MODE;
    ++threadCom.count;
    return S_FALSE;
  }
  threadCom.model = model;
  ++threadCom.count;
  return S_OK;
}

}  // namespace

HRESULT CoInitialize(LPVOID reserved) {
  standin::internal::LogCall("CoInitialize");
  return InitializeThread(reserved, COINIT_APARTMENTTHREADED);
}

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit) { return InitializeThread(reserved, coInit); }

void CoUninitialize() {
  standin::internal::LogCall("CoUninitialize");
  --threadCom.count;
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid,
                         LPVOID* object) {
  standin::internal::LogCall("CoCreateInstance");
  standin::internal::RecordCreation(clsContext, riid);
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (threadCom.count <= 0) return CO_E_NOTINITIALIZED;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;

  IUnknown* classObject = FindClassObject(clsid, clsContext);
  if (classObject == nullptr) return REGDB_E_CLASSNOTREG;

  // Like Windows, ask the registered object for its class factory rather than
  // assume that is what was registered.
  void* factoryPointer = nullptr;
  HRESULT hr = classObject->QueryInterface(IID_IClassFactory, &factoryPointer);
  classObject->Release();
  if (FAILED(hr) || factoryPointer == nullptr) return FAILED(hr) ? hr : E_NOINTERFACE;

  auto* factory = static_cast<IClassFactory*>(factoryPointer);
  hr = factory->CreateInstance(nullptr, riid, object);
  factory->Release();
  if (FAILED(hr)) *object = nullptr;
  return hr;
}

HRESULT CoRegisterClassObject(REFCLSID clsid, LPUNKNOWN factory, DWORD clsContext, DWORD /*flags*/,
                              DWORD* cookie) {
  if (factory == nullptr || cookie == nullptr) return E_INVALIDARG;
  factory->AddRef();
  ClassTable& table = Classes();
  std::lock_guard<std::mutex> lock(table.mutex);
  const DWORD assigned = table.nextCookie++;
  table.entries.push_back(Registration{assigned, clsid, factory, clsContext});
  *cookie = assigned;
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
  IUnknown* object = nullptr;
  {
    ClassTable& table = Classes();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (auto it = table.entries.begin(); it != table.entries.end(); ++it) {
      if (it->cookie == cookie) {
        object = it->object;
        table.entries.erase(it);
        break;
      }
    }
  }
  if (object == nullptr) return CO_E_OBJNOTREG;
  // Released outside the lock: the object's destructor may call back in.
  object->Release();
  return S_OK;
}

HRESULT OleRun(LPUNKNOWN object) {
  standin::internal::LogCall("OleRun");
  if (object == nullptr) return E_INVALIDARG;
  void* runnablePointer = nullptr;
  if (FAILED(object->QueryInterface(IID_IRunnableObject, &runnablePointer)) ||
      runnablePointer == nullptr) {
    // An object that cannot be run is taken to be running already.
    return S_OK;
  }
  auto* runnable = static_cast<IRunnableObject*>(runnablePointer);
  const HRESULT hr = runnable->Run(nullptr);
  runnable->Release();
  return hr;
}

namespace standin {
int ComInitializationCount() { return threadCom.count; }
}  // namespace standin
