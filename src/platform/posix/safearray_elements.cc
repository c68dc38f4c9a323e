// What a SAFEARRAY's elements hold: finding an element by its indices,
// storing one (a BSTR duplicated, an interface AddRef'd, a VARIANT copied),
// copying a whole array and releasing what the elements own.
#include "platform/posix/safearray.h"

#include <cstring>
#include <new>

#include "platform/posix/internal.h"

namespace {

// The number of elements, or false when it does not fit in 32 bits.
bool CellCount(SAFEARRAY* array, ULONG* cells) {
  uint64_t count = array->cDims == 0 ? 0 : 1;
  for (USHORT i = 0; i < array->cDims; ++i) {
    count *= array->rgsabound[i].cElements;
    if (count > UINT32_MAX) return false;
  }
  *cells = static_cast<ULONG>(count);
  return true;
}

void* Cell(SAFEARRAY* array, ULONG cell) {
  return static_cast<unsigned char*>(array->pvData) + std::size_t{cell} * array->cbElements;
}

// The element at `indices` (the first dimension first), or DISP_E_BADINDEX.
HRESULT ElementAt(SAFEARRAY* array, const LONG* indices, void** element) {
  if (array->cDims == 0 || array->pvData == nullptr) return DISP_E_BADINDEX;
  uint64_t cell = 0;
  uint64_t stride = 1;
  for (USHORT dim = 0; dim < array->cDims; ++dim) {
    const SAFEARRAYBOUND& bound = array->rgsabound[array->cDims - 1 - dim];
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
    SysFreeString(*slot);
    *slot = copy;
  } else if (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    auto* slot = static_cast<IUnknown**>(element);
    auto* object = static_cast<IUnknown*>(value);
    if (object != nullptr) object->AddRef();
    if (*slot != nullptr) (*slot)->Release();
    *slot = object;
  } else if (array->fFeatures & FADF_VARIANT) {
    if (value == nullptr) return E_INVALIDARG;
    return standin::internal::CopyVariant(static_cast<VARIANT*>(element),
                                          static_cast<const VARIANT*>(value));
  } else {
    if (value == nullptr) return E_INVALIDARG;
    std::memcpy(element, value, array->cbElements);
  }
  return S_OK;
}

}  // namespace

namespace standin {
namespace internal {

void ClearElements(SAFEARRAY* array) {
  ULONG cells = 0;
  if (array->pvData == nullptr || !CellCount(array, &cells)) return;
  for (ULONG i = 0; i < cells; ++i) {
    void* cell = Cell(array, i);
    if (array->fFeatures & FADF_BSTR) {
      auto* text = static_cast<BSTR*>(cell);
      SysFreeString(*text);
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

HRESULT CopyArray(SAFEARRAY* source, SAFEARRAY** copy) {
  *copy = nullptr;
  VARTYPE vt;
  HRESULT hr = ArrayVartype(source, &vt);
  if (FAILED(hr)) return hr;
  const UINT dims = source->cDims;
  auto* bounds = new (std::nothrow) SAFEARRAYBOUND[dims == 0 ? 1 : dims];
  if (bounds == nullptr) return E_OUTOFMEMORY;
  for (UINT i = 0; i < dims; ++i) bounds[i] = source->rgsabound[dims - 1 - i];
  SAFEARRAY* target = SafeArrayCreate(vt, dims, bounds);
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

}  // namespace internal
}  // namespace standin

HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value) {
  if (array == nullptr || indices == nullptr) return E_INVALIDARG;
  HRESULT hr = standin::internal::LockArray(array);
  if (FAILED(hr)) return hr;
  void* element = nullptr;
  hr = ElementAt(array, indices, &element);
  if (SUCCEEDED(hr)) hr = StoreElement(array, element, value);
  standin::internal::UnlockArray(array);
  return hr;
}
