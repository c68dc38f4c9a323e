// An IUnknown that only counts its references, for the tests that check
// what the stand-in AddRefs and releases.
#ifndef DRAVLEN_TESTS_PLATFORM_COUNTED_OBJECT_H_
#define DRAVLEN_TESTS_PLATFORM_COUNTED_OBJECT_H_

#include "platform/posix/com.h"

struct CountedObject : IUnknown {
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

#endif  // DRAVLEN_TESTS_PLATFORM_COUNTED_OBJECT_H_
