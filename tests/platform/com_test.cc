#include "platform/posix/com.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "platform/posix/testing.h"

namespace {

const CLSID kClass = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
const IID kSomeIid = {0x87654321, 0x3, 0x4, {8, 7, 6, 5, 4, 3, 2, 1}};

// COM state is per thread: each case runs on a fresh one.
void OnNewThread(const std::function<void()>& body) { std::thread(body).join(); }

// A reference-counted object that may also be runnable or a class factory.
struct Fake : IRunnableObject, IClassFactory {
  ULONG refs = 1;
  bool runnable = false;
  bool factory = true;
  HRESULT runResult = S_OK;
  HRESULT createResult = S_OK;
  int runs = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    *object = nullptr;
    if (riid == IID_IUnknown) *object = static_cast<IClassFactory*>(this);
    if (riid == IID_IClassFactory && factory) *object = static_cast<IClassFactory*>(this);
    if (riid == IID_IRunnableObject && runnable) *object = static_cast<IRunnableObject*>(this);
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetRunningClass(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Run(void*) override {
    ++runs;
    return runResult;
  }
  BOOL STDMETHODCALLTYPE IsRunning() override { return runs > 0; }
  HRESULT STDMETHODCALLTYPE LockRunning(BOOL, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** object) override {
    if (FAILED(createResult)) {
      *object = reinterpret_cast<void*>(0x1);  // garbage the caller must not see
      return createResult;
    }
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

TEST(ComInitTest, CountsPerThreadAndRefusesAnotherModel) {
  enum Call { kSta, kMta, kUninit };
  struct Case {
    const char* name;
    std::vector<Call> calls;
    std::vector<HRESULT> results;  // for the init calls, in order
    int count;
  };
  const Case cases[] = {
      {"first then repeated", {kSta, kSta}, {S_OK, S_FALSE}, 2},
      {"multithreaded repeated", {kMta, kMta}, {S_OK, S_FALSE}, 2},
      {"model change", {kSta, kMta}, {S_OK, RPC_E_CHANGED_MODE}, 1},
      {"balanced", {kMta, kSta, kUninit}, {S_OK, RPC_E_CHANGED_MODE}, 0},
      {"unbalanced", {kSta, kUninit, kUninit}, {S_OK}, -1},
      {"again after leaving", {kSta, kUninit, kMta}, {S_OK, S_OK}, 1},
  };
  for (const Case& c : cases) {
    OnNewThread([&c] {
      EXPECT_EQ(standin::ComInitializationCount(), 0);
      std::vector<HRESULT> results;
      for (Call call : c.calls) {
        if (call == kSta) results.push_back(CoInitialize(nullptr));
        if (call == kMta) results.push_back(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        if (call == kUninit) CoUninitialize();
      }
      EXPECT_EQ(results, c.results) << c.name;
      EXPECT_EQ(standin::ComInitializationCount(), c.count) << c.name;
    });
  }
}

TEST(ComActivationTest, FindsRegisteredClassesByContext) {
  Fake fake;
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kClass, static_cast<IClassFactory*>(&fake), CLSCTX_LOCAL_SERVER,
                                  REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  EXPECT_EQ(fake.refs, 2u);
  OnNewThread([&fake] {
    void* object = &fake;
    EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_INPROC_SERVER, kSomeIid, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_INPROC_SERVER, kSomeIid, nullptr),
              E_POINTER);
    struct Case {
      const CLSID* clsid;
      IUnknown* outer;
      DWORD context;
      HRESULT createResult;
      HRESULT expected;
    };
    const Case cases[] = {
        {&kClass, nullptr, CLSCTX_INPROC_SERVER, S_OK, REGDB_E_CLASSNOTREG},
        {&kSomeIid, nullptr, 0x17, S_OK, REGDB_E_CLASSNOTREG},
        {&kClass, static_cast<IClassFactory*>(&fake), 0x17, S_OK, CLASS_E_NOAGGREGATION},
        {&kClass, nullptr, 0x17, E_OUTOFMEMORY, E_OUTOFMEMORY},
        {&kClass, nullptr, 0x17, S_OK, S_OK},
    };
    for (const Case& c : cases) {
      fake.createResult = c.createResult;
      object = &fake;
      EXPECT_EQ(CoCreateInstance(*c.clsid, c.outer, c.context, kSomeIid, &object), c.expected);
      EXPECT_EQ(object, SUCCEEDED(c.expected)
                            ? static_cast<void*>(static_cast<IClassFactory*>(&fake))
                            : nullptr);
    }
    EXPECT_EQ(fake.refs, 3u);  // the table's reference and the created object's
    fake.Release();
    CoUninitialize();
  });
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(fake.refs, 1u);
  EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  OnNewThread([] {
    CoInitialize(nullptr);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kClass, nullptr, 0x17, kSomeIid, &object), REGDB_E_CLASSNOTREG);
    CoUninitialize();
  });
}

TEST(OleRunTest, RunsOnlyRunnableObjects) {
  struct Case {
    bool runnable;
    HRESULT runResult;
    HRESULT expected;
    int runs;
  };
  const Case cases[] = {{false, E_FAIL, S_OK, 0}, {true, S_OK, S_OK, 1}, {true, E_FAIL, E_FAIL, 1}};
  for (const Case& c : cases) {
    Fake fake;
    fake.runnable = c.runnable;
    fake.runResult = c.runResult;
    EXPECT_EQ(OleRun(static_cast<IClassFactory*>(&fake)), c.expected);
    EXPECT_EQ(fake.runs, c.runs);
    EXPECT_EQ(fake.refs, 1u);
  }
  EXPECT_EQ(OleRun(nullptr), E_INVALIDARG);
}

}  // namespace
