// The volume-driver object and its class factory. Each method answers as the
// scenario says and writes to the ledger what it was asked and every breach
// of the interface's contract: a call after the last Release, Reserved
// called, GetMountedContainers before a successful Initialize or given a
// VARIANT that is null or not VT_EMPTY.
#include "volume_driver.h"

#include <ole2.h>
#include <oleauto.h>

#include <cstdlib>
#include <string>

#include "ledger.h"
#include "reply.h"
#include "scenario.h"

namespace test_volume_driver {
namespace {

// {D2A46E81-5C0B-4E37-B9F2-71A8C4E03D56}
const IID kMountQueryIid = {
    0xD2A46E81, 0x5C0B, 0x4E37, {0xB9, 0xF2, 0x71, 0xA8, 0xC4, 0xE0, 0x3D, 0x56}};

// Declared here from the interface contract rather than taken from the
// program, so that a wrong declaration on either side shows up as a fault.
struct IMountQuery : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Initialize() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMountedContainers(VARIANT* containers,
                                                         VARIANT* companion) = 0;
};

LONG g_liveObjects = 0;

[[noreturn]] void CrashOnPurpose() {
  Record("crash");
  *static_cast<volatile int*>(nullptr) = 0;
  std::abort();
}

class VolumeDriver : public IMountQuery, public IRunnableObject {
 public:
  VolumeDriver() { InterlockedIncrement(&g_liveObjects); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    checkAlive("QueryInterface");
    const Scenario& scenario = TheScenario();
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *object = static_cast<IMountQuery*>(this);
    } else if (IsEqualIID(iid, kMountQueryIid)) {
      Record(scenario.interfacePresent ? "query mount-query" : "query mount-query refused");
      if (scenario.interfacePresent) *object = static_cast<IMountQuery*>(this);
    } else if (IsEqualIID(iid, IID_IRunnableObject) && scenario.runnable) {
      *object = static_cast<IRunnableObject*>(this);
    }
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return IsEqualIID(iid, kMountQueryIid) ? scenario.interfaceStatus : S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    checkAlive("AddRef");
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    checkAlive("Release");
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      // Kept allocated, so that a call after the last release is noticed
      // rather than landing in freed memory.
      Record("destroyed");
      InterlockedDecrement(&g_liveObjects);
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE Initialize() override {
    checkAlive("Initialize");
    const Scenario& scenario = TheScenario();
    Record("initialize " + Hex(static_cast<unsigned long>(scenario.initialize)));
    if (scenario.crash == "initialize") CrashOnPurpose();
    initialized_ = scenario.initialize == S_OK;
    return scenario.initialize;
  }
  HRESULT STDMETHODCALLTYPE Reserved() override {
    checkAlive("Reserved");
    Record("violation Reserved called");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetMountedContainers(VARIANT* containers, VARIANT* companion) override {
    checkAlive("GetMountedContainers");
    const Scenario& scenario = TheScenario();
    Record("get " + Hex(static_cast<unsigned long>(scenario.getStatus)));
    if (!initialized_) Record("violation GetMountedContainers without a successful Initialize");
    if (containers == nullptr || companion == nullptr) {
      Record("violation GetMountedContainers given a null VARIANT");
      return E_POINTER;
    }
    if (V_VT(containers) != VT_EMPTY || V_VT(companion) != VT_EMPTY) {
      Record("violation GetMountedContainers given a VARIANT that is not VT_EMPTY");
    }
    if (scenario.crash == "get") CrashOnPurpose();
    RegisterSpy();
    WatchAllocations(true);
    FillReply(containers, scenario.first, scenario.entries);
    FillReply(companion, scenario.second, scenario.companions);
    WatchAllocations(false);
    return scenario.getStatus;
  }

  HRESULT STDMETHODCALLTYPE GetRunningClass(CLSID* clsid) override {
    checkAlive("GetRunningClass");
    if (clsid == nullptr) return E_POINTER;
    *clsid = kClsid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Run(LPBINDCTX) override {
    checkAlive("Run");
    const Scenario& scenario = TheScenario();
    Record("run " + Hex(static_cast<unsigned long>(scenario.run)));
    return scenario.run;
  }
  BOOL STDMETHODCALLTYPE IsRunning() override { return TRUE; }
  HRESULT STDMETHODCALLTYPE LockRunning(BOOL, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL) override { return S_OK; }

 private:
  void checkAlive(const char* method) {
    if (references_ <= 0) Record(std::string("violation ") + method + " after the last Release");
  }

  LONG references_ = 1;
  bool initialized_ = false;
};

class ClassFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // One static factory: COM's references to it need no counting.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    const Scenario& scenario = TheScenario();
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    Record("create " + Hex(static_cast<unsigned long>(scenario.create)));
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (scenario.create != S_OK) return scenario.create;
    VolumeDriver* driver = new VolumeDriver();
    const HRESULT hr = driver->QueryInterface(iid, object);
    driver->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

ClassFactory g_factory;

}  // namespace

HRESULT QueryClassFactory(REFIID iid, void** object) {
  return g_factory.QueryInterface(iid, object);
}

LONG LiveObjects() { return g_liveObjects; }

}  // namespace test_volume_driver
