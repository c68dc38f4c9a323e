// SAFEARRAY descriptors: creation with the hidden element type and the
// features Windows marks, the lock count, bounds and destruction. What the
// elements hold (storing, copying, releasing) is in safearray_elements.cc.
#include "platform/posix/safearray.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/posix/internal.h"
#include "platform/posix/testing.h"

namespace {

// Variant types beyond the ones the program names, by their Windows values.
constexpr VARTYPE kVtR4 = 4;
constexpr VARTYPE kVtR8 = 5;
constexpr VARTYPE kVtCy = 6;
constexpr VARTYPE kVtDate = 7;
constexpr VARTYPE kVtDecimal = 14;
constexpr VARTYPE kVtI1 = 16;
constexpr VARTYPE kVtUi2 = 18;
constexpr VARTYPE kVtUi4 = 19;
constexpr VARTYPE kVtI8 = 20;
constexpr VARTYPE kVtUi8 = 21;
constexpr VARTYPE kVtInt = 22;
constexpr VARTYPE kVtUint = 23;

std::atomic<std::size_t> liveArrays{0};

// Windows reserves 16 bytes before the descriptor for an interface ID; an
// array with FADF_HAVEVARTYPE keeps its element type in the last 4 of them.
constexpr std::size_t kHiddenBytes = 16;
constexpr std::size_t kHiddenVartypeOffset = 4;

// Descriptors this layer allocated. Tests may lock, measure and type a
// descriptor they built themselves, but its memory is not ours to free.
std::mutex arraysMutex;
std::unordered_set<const SAFEARRAY*>& OwnArrays() {
  static auto* arrays = new std::unordered_set<const SAFEARRAY*>;
  return *arrays;
}

DWORD HiddenVartype(const SAFEARRAY* array) {
  DWORD vt;
  std::memcpy(&vt, reinterpret_cast<const unsigned char*>(array) - kHiddenVartypeOffset, sizeof vt);
  return vt;
}

// Element size for the types an array may hold, 0 for the others.
ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case kVtI1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case kVtUi2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case kVtUi4:
    case kVtInt:
    case kVtUint:
    case VT_ERROR:
    case kVtR4:
      return 4;
    case kVtR8:
    case kVtCy:
    case kVtDate:
    case kVtI8:
    case kVtUi8:
      return 8;
    case kVtDecimal:
      return 16;
    case VT_BSTR:
      return sizeof(BSTR);
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(IUnknown*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

// The features Windows marks on an array of `vt`.
USHORT FeaturesFor(VARTYPE vt) {
  unsigned features = FADF_HAVEVARTYPE;
  if (vt == VT_BSTR) features |= FADF_BSTR;
  if (vt == VT_UNKNOWN) features |= FADF_UNKNOWN;
  if (vt == VT_DISPATCH) features |= FADF_DISPATCH;
  if (vt == VT_VARIANT) features |= FADF_VARIANT;
  return static_cast<USHORT>(features);
}

SAFEARRAY* CreateArray(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds) {
  const ULONG elementSize = ElementSize(vt);
  if (elementSize == 0 || dims == 0 || dims > 0xFFFF || bounds == nullptr) return nullptr;

  uint64_t cells = 1;
  for (UINT i = 0; i < dims; ++i) {
    cells *= bounds[i].cElements;
    if (cells * elementSize > UINT32_MAX) return nullptr;
  }
  const std::size_t dataBytes = static_cast<std::size_t>(cells) * elementSize;

  const std::size_t descriptorBytes =
      sizeof(SAFEARRAY) + (std::size_t{dims} - 1) * sizeof(SAFEARRAYBOUND);
  auto* block = static_cast<unsigned char*>(std::calloc(1, kHiddenBytes + descriptorBytes));
  if (block == nullptr) return nullptr;
  void* data = std::calloc(1, dataBytes == 0 ? 1 : dataBytes);
  if (data == nullptr) {
    std::free(block);
    return nullptr;
  }

  auto* array = new (block + kHiddenBytes) SAFEARRAY;
  const DWORD hiddenVt = vt;
  std::memcpy(block + kHiddenBytes - kHiddenVartypeOffset, &hiddenVt, sizeof hiddenVt);
  array->cDims = static_cast<USHORT>(dims);
  array->fFeatures = FeaturesFor(vt);
  array->cbElements = elementSize;
  array->cLocks = 0;
  array->pvData = data;
  // Windows keeps the last dimension first.
  for (UINT i = 0; i < dims; ++i) array->rgsabound[dims - 1 - i] = bounds[i];

  {
    std::lock_guard<std::mutex> lock(arraysMutex);
    OwnArrays().insert(array);
  }
  ++liveArrays;
  return array;
}

HRESULT ArrayBound(SAFEARRAY* array, UINT dim, LONG* lower, LONG* upper) {
  if (array == nullptr) return E_INVALIDARG;
  if (standin::internal::BoundReadFails(array)) return E_UNEXPECTED;
  if (dim == 0 || dim > array->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& bound = array->rgsabound[array->cDims - dim];
  if (lower != nullptr) *lower = bound.lLbound;
  if (upper != nullptr) {
    // In 32 bits, so that an empty dimension ends one below its lower bound.
    const uint32_t last = static_cast<uint32_t>(bound.lLbound) + bound.cElements - 1u;
    *upper = static_cast<LONG>(last);
  }
  return S_OK;
}

}  // namespace

namespace standin {
namespace internal {

HRESULT ArrayVartype(SAFEARRAY* array, VARTYPE* vt) {
  if (array == nullptr || vt == nullptr) return E_INVALIDARG;
  if (array->fFeatures & FADF_HAVEVARTYPE) {
    *vt = static_cast<VARTYPE>(HiddenVartype(array));
  } else if (array->fFeatures & FADF_BSTR) {
    *vt = VT_BSTR;
  } else if (array->fFeatures & FADF_UNKNOWN) {
    *vt = VT_UNKNOWN;
  } else if (array->fFeatures & FADF_DISPATCH) {
    *vt = VT_DISPATCH;
  } else if (array->fFeatures & FADF_VARIANT) {
    *vt = VT_VARIANT;
  } else {
    return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

HRESULT LockArray(SAFEARRAY* array) {
  if (array == nullptr) return E_INVALIDARG;
  ULONG locks = __atomic_load_n(&array->cLocks, __ATOMIC_RELAXED);
  do {
    if (locks >= 0xFFFF) return E_UNEXPECTED;
  } while (!__atomic_compare_exchange_n(&array->cLocks, &locks, locks + 1, false, __ATOMIC_ACQ_REL,
                                        __ATOMIC_RELAXED));
  return S_OK;
}

HRESULT UnlockArray(SAFEARRAY* array) {
  if (array == nullptr) return E_INVALIDARG;
  ULONG locks = __atomic_load_n(&array->cLocks, __ATOMIC_RELAXED);
  do {
    if (locks == 0) return E_UNEXPECTED;
  } while (!__atomic_compare_exchange_n(&array->cLocks, &locks, locks - 1, false, __ATOMIC_ACQ_REL,
                                        __ATOMIC_RELAXED));
  return S_OK;
}

HRESULT DestroyArray(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  if (__atomic_load_n(&array->cLocks, __ATOMIC_ACQUIRE) > 0) return DISP_E_ARRAYISLOCKED;
  ClearElements(array);
  ForgetBrokenArray(array);
  bool own;
  {
    std::lock_guard<std::mutex> lock(arraysMutex);
    own = OwnArrays().erase(array) != 0;
  }
  if (!own) return S_OK;
  std::free(array->pvData);
  array->~SAFEARRAY();
  std::free(reinterpret_cast<unsigned char*>(array) - kHiddenBytes);
  --liveArrays;
  return S_OK;
}

}  // namespace internal

std::size_t LiveArrayCount() { return liveArrays.load(); }

}  // namespace standin

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds) {
  return CreateArray(vt, dims, bounds);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
  const SAFEARRAYBOUND bound = {elements, lowerBound};
  return CreateArray(vt, 1, &bound);
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
  standin::internal::LogCall("SafeArrayGetVartype");
  return standin::internal::ArrayVartype(array, vt);
}

HRESULT SafeArrayLock(SAFEARRAY* array) {
  standin::internal::LogCall("SafeArrayLock");
  return standin::internal::LockArray(array);
}

HRESULT SafeArrayUnlock(SAFEARRAY* array) {
  standin::internal::LogCall("SafeArrayUnlock");
  return standin::internal::UnlockArray(array);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  standin::internal::LogCall("SafeArrayDestroy");
  return standin::internal::DestroyArray(array);
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lowerBound) {
  if (lowerBound == nullptr) return E_INVALIDARG;
  return ArrayBound(array, dim, lowerBound, nullptr);
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* upperBound) {
  if (upperBound == nullptr) return E_INVALIDARG;
  return ArrayBound(array, dim, nullptr, upperBound);
}

UINT SafeArrayGetDim(SAFEARRAY* array) { return array == nullptr ? 0 : array->cDims; }
