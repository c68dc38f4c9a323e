// Owners of the COM resources the query acquires, each releasing its
// resource with the platform's own cleanup function.
#ifndef DRAVLEN_QUERY_COM_RESOURCES_H_
#define DRAVLEN_QUERY_COM_RESOURCES_H_

#include "platform/platform.h"
#include "query/com_errors.h"

namespace dravlen {

// Balances a CoInitialize call, but only one that succeeded: a failed call
// (another apartment model already in force) leaves nothing to undo.
class unique_couninitialize_call {
 public:
  explicit unique_couninitialize_call(HRESULT initialized) : armed_(SUCCEEDED(initialized)) {}
  ~unique_couninitialize_call() {
    if (armed_) CoUninitialize();
  }
  unique_couninitialize_call(const unique_couninitialize_call&) = delete;
  unique_couninitialize_call& operator=(const unique_couninitialize_call&) = delete;

 private:
  bool armed_;
};

// An interface reference. A call through a missing one raises _com_error
// with E_POINTER instead of crashing.
template <typename T>
class com_ptr {
 public:
  com_ptr() = default;
  ~com_ptr() { reset(); }
  com_ptr(const com_ptr&) = delete;
  com_ptr& operator=(const com_ptr&) = delete;

  T* get() const { return pointer_; }
  T* operator->() const {
    if (pointer_ == nullptr) throw _com_error(E_POINTER);
    return pointer_;
  }
  // For functions that hand out a reference through a void**.
  void** put_void() {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  void reset() {
    if (T* pointer = pointer_) {
      pointer_ = nullptr;
      pointer->Release();
    }
  }

 private:
  T* pointer_ = nullptr;
};

// An array not yet handed to a view: destroyed if nothing takes it.
class unique_safearray {
 public:
  explicit unique_safearray(SAFEARRAY* array) : array_(array) {}
  ~unique_safearray() {
    if (array_ != nullptr) SafeArrayDestroy(array_);
  }
  unique_safearray(const unique_safearray&) = delete;
  unique_safearray& operator=(const unique_safearray&) = delete;

  SAFEARRAY* get() const { return array_; }
  void release() { array_ = nullptr; }

 private:
  SAFEARRAY* array_;
};

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_COM_RESOURCES_H_
