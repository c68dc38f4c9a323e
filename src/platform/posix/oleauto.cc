// OLE Automation subset: BSTR allocation, VARIANT clearing and SAFEARRAY
// creation, locking, bounds, element storage and destruction.
#include "platform/posix/oleauto.h"

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
constexpr VARTYPE kVtVoid = 24;
constexpr VARTYPE kVtSafeArray = 27;
constexpr VARTYPE kVtRecord = 36;
constexpr VARTYPE kVtClsid = 72;
constexpr VARTYPE kVtVector = 0x1000;
constexpr VARTYPE kVtReserved = 0x8000;
constexpr VARTYPE kVtTypeMask = 0x0FFF;

std::atomic<std::size_t> liveStrings{0};
std::atomic<std::size_t> liveArrays{0};

// ---------------------------------------------------------------------------
// BSTR

// The byte count sits in the 4 bytes before the characters.
constexpr std::size_t kStringPrefix = sizeof(uint32_t);

unsigned char* StringBlock(BSTR text) {
  return reinterpret_cast<unsigned char*>(text) - kStringPrefix;
}

// A string of `length` characters, zeroed and NUL-terminated.
BSTR AllocateString(UINT length) {
  constexpr std::size_t kMaxLength = (UINT32_MAX - sizeof(OLECHAR)) / sizeof(OLECHAR);
  if (length > kMaxLength) return nullptr;
  const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
  auto* block =
      static_cast<unsigned char*>(std::calloc(1, kStringPrefix + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  const auto prefix = static_cast<uint32_t>(bytes);
  std::memcpy(block, &prefix, kStringPrefix);
  ++liveStrings;
  return reinterpret_cast<BSTR>(block + kStringPrefix);
}

void FreeString(BSTR text) {
  if (text == nullptr) return;
  std::free(StringBlock(text));
  --liveStrings;
}

// ---------------------------------------------------------------------------
// SAFEARRAY layout

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

// rgsabound is declared with one entry but holds cDims.
SAFEARRAYBOUND* Bounds(SAFEARRAY* array) { return array->rgsabound; }

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

// The number of elements, or false when it does not fit in 32 bits.
bool CellCount(SAFEARRAY* array, ULONG* cells) {
  uint64_t count = array->cDims == 0 ? 0 : 1;
  for (USHORT i = 0; i < array->cDims; ++i) {
    count *= Bounds(array)[i].cElements;
    if (count > UINT32_MAX) return false;
  }
  *cells = static_cast<ULONG>(count);
  return true;
}

void* Cell(SAFEARRAY* array, ULONG cell) {
  return static_cast<unsigned char*>(array->pvData) + std::size_t{cell} * array->cbElements;
}

HRESULT ClearVariant(VARIANT* variant);
HRESULT CopyVariant(VARIANT* dest, const VARIANT* source);
HRESULT DestroyArray(SAFEARRAY* array);

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
  for (UINT i = 0; i < dims; ++i) Bounds(array)[dims - 1 - i] = bounds[i];

  {
    std::lock_guard<std::mutex> lock(arraysMutex);
    OwnArrays().insert(array);
  }
  ++liveArrays;
  return array;
}

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

HRESULT ArrayBound(SAFEARRAY* array, UINT dim, LONG* lower, LONG* upper) {
  if (array == nullptr) return E_INVALIDARG;
  if (dim == 0 || dim > array->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& bound = Bounds(array)[array->cDims - dim];
  if (lower != nullptr) *lower = bound.lLbound;
  if (upper != nullptr) {
    // In 32 bits, so that an empty dimension ends one below its lower bound.
    const uint32_t last = static_cast<uint32_t>(bound.lLbound) + bound.cElements - 1u;
    *upper = static_cast<LONG>(last);
  }
  return S_OK;
}

// Releases what the elements own; the storage itself stays.
void ClearElements(SAFEARRAY* array) {
  ULONG cells = 0;
  if (array->pvData == nullptr || !CellCount(array, &cells)) return;
  for (ULONG i = 0; i < cells; ++i) {
    void* cell = Cell(array, i);
    if (array->fFeatures & FADF_BSTR) {
      auto* text = static_cast<BSTR*>(cell);
      FreeString(*text);
      *text = nullptr;
    } else if (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
      auto* object = static_cast<IUnknown**>(cell);
      if (*object != nullptr) (*object)->Release();
      *object = nullptr;
    } else if (array->fFeatures & FADF_VARIANT) {
      ClearVariant(static_cast<VARIANT*>(cell));
    }
  }
}

HRESULT DestroyArray(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  if (__atomic_load_n(&array->cLocks, __ATOMIC_ACQUIRE) > 0) return DISP_E_ARRAYISLOCKED;
  ClearElements(array);
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

// The element at `indices` (the first dimension first), or DISP_E_BADINDEX.
HRESULT ElementAt(SAFEARRAY* array, const LONG* indices, void** element) {
  if (array->cDims == 0 || array->pvData == nullptr) return DISP_E_BADINDEX;
  uint64_t cell = 0;
  uint64_t stride = 1;
  for (USHORT dim = 0; dim < array->cDims; ++dim) {
    const SAFEARRAYBOUND& bound = Bounds(array)[array->cDims - 1 - dim];
    const int64_t offset = int64_t{indices[dim]} - bound.lLbound;
    if (offset < 0 || offset >= int64_t{bound.cElements}) return DISP_E_BADINDEX;
    cell += static_cast<uint64_t>(offset) * stride;
    stride *= bound.cElements;
  }
  *element = Cell(array, static_cast<ULONG>(cell));
  return S_OK;
}

HRESULT StoreElement(SAFEARRAY* array, void* element, void* value) {
  if (array->fFeatures & FADF_BSTR) {
    auto* slot = static_cast<BSTR*>(element);
    const auto text = static_cast<BSTR>(value);
    // A null BSTR is stored as an empty string, as Windows does.
    BSTR copy = SysAllocStringLen(text, SysStringLen(text));
    if (copy == nullptr) return E_OUTOFMEMORY;
    FreeString(*slot);
    *slot = copy;
  } else if (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    auto* slot = static_cast<IUnknown**>(element);
    auto* object = static_cast<IUnknown*>(value);
    if (object != nullptr) object->AddRef();
    if (*slot != nullptr) (*slot)->Release();
    *slot = object;
  } else if (array->fFeatures & FADF_VARIANT) {
    if (value == nullptr) return E_INVALIDARG;
    return CopyVariant(static_cast<VARIANT*>(element), static_cast<const VARIANT*>(value));
  } else {
    if (value == nullptr) return E_INVALIDARG;
    std::memcpy(element, value, array->cbElements);
  }
  return S_OK;
}

// A new array with the same type, shape and (copied) elements.
HRESULT CopyArray(SAFEARRAY* source, SAFEARRAY** copy) {
  *copy = nullptr;
  VARTYPE vt;
  HRESULT hr = ArrayVartype(source, &vt);
  if (FAILED(hr)) return hr;
  const UINT dims = source->cDims;
  auto* bounds = new (std::nothrow) SAFEARRAYBOUND[dims == 0 ? 1 : dims];
  if (bounds == nullptr) return E_OUTOFMEMORY;
  for (UINT i = 0; i < dims; ++i) bounds[i] = Bounds(source)[dims - 1 - i];
  SAFEARRAY* target = CreateArray(vt, dims, bounds);
  delete[] bounds;
  if (target == nullptr) return E_OUTOFMEMORY;

  ULONG cells = 0;
  if (source->pvData != nullptr && CellCount(source, &cells)) {
    for (ULONG i = 0; i < cells && SUCCEEDED(hr); ++i) {
      void* from = Cell(source, i);
      void* value = from;
      if (source->fFeatures & FADF_BSTR) {
        value = *static_cast<BSTR*>(from);
        // Keep null elements null rather than turning them into empty strings.
        if (value == nullptr) continue;
      } else if (source->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        value = *static_cast<IUnknown**>(from);
      }
      hr = StoreElement(target, Cell(target, i), value);
    }
  }
  if (FAILED(hr)) {
    DestroyArray(target);
    return hr;
  }
  *copy = target;
  return S_OK;
}

// The types a VARIANT may hold, by the rules Windows applies.
HRESULT ValidateVartype(VARTYPE vt) {
  const VARTYPE extra = vt & static_cast<VARTYPE>(~kVtTypeMask);
  const VARTYPE base = vt & kVtTypeMask;
  if ((extra & (kVtVector | kVtReserved)) != 0) return DISP_E_BADVARTYPE;
  if (base < kVtVoid || base == kVtRecord || base == kVtClsid) {
    if ((extra & (VT_BYREF | VT_ARRAY)) != 0 && base <= VT_NULL) return DISP_E_BADVARTYPE;
    if (base != 15) return S_OK;
  }
  return DISP_E_BADVARTYPE;
}

HRESULT ClearVariant(VARIANT* variant) {
  if (variant == nullptr) return E_INVALIDARG;
  HRESULT hr = ValidateVartype(variant->vt);
  if (FAILED(hr)) return hr;
  if ((variant->vt & VT_BYREF) == 0) {
    const VARTYPE base = variant->vt & kVtTypeMask;
    if ((variant->vt & VT_ARRAY) != 0 || base == kVtSafeArray) {
      hr = DestroyArray(variant->parray);
    } else if (base == VT_BSTR) {
      FreeString(variant->bstrVal);
    } else if (base == VT_UNKNOWN || base == VT_DISPATCH) {
      if (variant->punkVal != nullptr) variant->punkVal->Release();
    }
  }
  // Windows empties the variant even when a locked array could not go.
  variant->vt = VT_EMPTY;
  return hr;
}

HRESULT CopyVariant(VARIANT* dest, const VARIANT* source) {
  HRESULT hr = ValidateVartype(source->vt);
  if (FAILED(hr)) return hr;
  if (dest == source) return S_OK;
  hr = ClearVariant(dest);
  if (FAILED(hr)) return hr;
  VARIANT copy = *source;
  if ((source->vt & VT_BYREF) == 0) {
    const VARTYPE base = source->vt & kVtTypeMask;
    if ((source->vt & VT_ARRAY) != 0) {
      if (source->parray != nullptr) {
        hr = CopyArray(source->parray, &copy.parray);
        if (FAILED(hr)) return hr;
      }
    } else if (base == VT_BSTR) {
      if (source->bstrVal != nullptr) {
        copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
      }
    } else if (base == VT_UNKNOWN || base == VT_DISPATCH) {
      if (source->punkVal != nullptr) source->punkVal->AddRef();
    }
  }
  *dest = copy;
  return S_OK;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  BSTR result = AllocateString(length);
  if (result != nullptr && text != nullptr) {
    std::memcpy(result, text, std::size_t{length} * sizeof(OLECHAR));
  }
  return result;
}

void SysFreeString(BSTR text) { FreeString(text); }

UINT SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, StringBlock(text), kStringPrefix);
  return bytes / uint32_t{sizeof(OLECHAR)};
}

void VariantInit(VARIANTARG* variant) {
  standin::internal::LogCall("VariantInit");
  if (variant != nullptr) variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* variant) {
  standin::internal::LogCall("VariantClear");
  return ClearVariant(variant);
}

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds) {
  return CreateArray(vt, dims, bounds);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
  const SAFEARRAYBOUND bound = {elements, lowerBound};
  return CreateArray(vt, 1, &bound);
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
  standin::internal::LogCall("SafeArrayGetVartype");
  return ArrayVartype(array, vt);
}

HRESULT SafeArrayLock(SAFEARRAY* array) {
  standin::internal::LogCall("SafeArrayLock");
  return LockArray(array);
}

HRESULT SafeArrayUnlock(SAFEARRAY* array) {
  standin::internal::LogCall("SafeArrayUnlock");
  return UnlockArray(array);
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  standin::internal::LogCall("SafeArrayDestroy");
  return DestroyArray(array);
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

HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value) {
  if (array == nullptr || indices == nullptr) return E_INVALIDARG;
  HRESULT hr = LockArray(array);
  if (FAILED(hr)) return hr;
  void* element = nullptr;
  hr = ElementAt(array, indices, &element);
  if (SUCCEEDED(hr)) hr = StoreElement(array, element, value);
  UnlockArray(array);
  return hr;
}

namespace standin {
std::size_t LiveStringCount() { return liveStrings.load(); }
std::size_t LiveArrayCount() { return liveArrays.load(); }
}  // namespace standin
