#include "query/fake_volume_driver.h"

#include <string>

#include "platform/posix/testing.h"
#include "query/volume_driver.h"

namespace dravlen::testing {
namespace {

int g_liveObjects = 0;

class FakeVolumeDriver final : public IMountQuery, public IRunnableObject {
 public:
  explicit FakeVolumeDriver(const FakeBehaviour& behaviour) : behaviour_(behaviour) {
    ++g_liveObjects;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    *object = nullptr;
    if (riid == IID_IUnknown) {
      *object = static_cast<IMountQuery*>(this);
    } else if (riid == kMountQueryIid) {
      standin::RecordCall("QueryInterface IMountQuery");
      if (!behaviour_.hasMountQuery) return E_NOINTERFACE;
      if (behaviour_.nullMountQuery) return S_OK;
      *object = static_cast<IMountQuery*>(this);
      AddRef();
      return behaviour_.mountQueryStatus;
    } else if (riid == IID_IRunnableObject && behaviour_.runnable) {
      *object = static_cast<IRunnableObject*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      standin::RecordCall("Destroy");
      --g_liveObjects;
      delete this;
    }
    return left;
  }

  HRESULT STDMETHODCALLTYPE Initialize() override {
    standin::RecordCall("Initialize");
    return behaviour_.initializeStatus;
  }
  HRESULT STDMETHODCALLTYPE Reserved() override {
    standin::RecordCall("Reserved");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetMountedContainers(VARIANT* containers, VARIANT* companion) override {
    standin::RecordCall("GetMountedContainers");
    if (behaviour_.reply) behaviour_.reply(containers, companion);
    return behaviour_.getStatus;
  }

  HRESULT STDMETHODCALLTYPE GetRunningClass(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Run(void*) override {
    standin::RecordCall("Run");
    return behaviour_.runStatus;
  }
  BOOL STDMETHODCALLTYPE IsRunning() override { return TRUE; }
  HRESULT STDMETHODCALLTYPE LockRunning(BOOL, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL) override { return S_OK; }

 private:
  ~FakeVolumeDriver() = default;

  FakeBehaviour behaviour_;
  ULONG references_ = 1;
};

class FakeFactory final : public IClassFactory {
 public:
  explicit FakeFactory(FakeBehaviour behaviour) : behaviour_(std::move(behaviour)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (FAILED(behaviour_.createStatus)) return behaviour_.createStatus;
    auto* driver = new FakeVolumeDriver(behaviour_);
    const HRESULT hr = driver->QueryInterface(riid, object);
    static_cast<IMountQuery*>(driver)->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  ~FakeFactory() = default;

  FakeBehaviour behaviour_;
  ULONG references_ = 1;
};

}  // namespace

FakeVolumeDriverRegistration::FakeVolumeDriverRegistration(FakeBehaviour behaviour) {
  const DWORD context = behaviour.registeredContext;
  auto* factory = new FakeFactory(std::move(behaviour));
  CoRegisterClassObject(kVolumeDriverClsid, factory, context, REGCLS_MULTIPLEUSE, &cookie_);
  factory->Release();  // the class table holds its own reference
}

FakeVolumeDriverRegistration::~FakeVolumeDriverRegistration() { CoRevokeClassObject(cookie_); }

int FakeVolumeDriverRegistration::liveObjects() { return g_liveObjects; }

}  // namespace dravlen::testing
