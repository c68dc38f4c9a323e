// VARIANT: which type tags are valid, clearing (what the value owns is
// released) and the deep copy that storing into an array of VARIANTs makes.
#include "platform/posix/variant.h"

#include "platform/posix/internal.h"

namespace {

// Variant types beyond the ones the program names, by their Windows values.
constexpr VARTYPE kVtVoid = 24;
constexpr VARTYPE kVtSafeArray = 27;
constexpr VARTYPE kVtRecord = 36;
constexpr VARTYPE kVtClsid = 72;
constexpr VARTYPE kVtVector = 0x1000;
constexpr VARTYPE kVtReserved = 0x8000;
constexpr VARTYPE kVtTypeMask = 0x0FFF;

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

}  // namespace

namespace standin {
namespace internal {

HRESULT ClearVariant(VARIANT* variant) {
  if (variant == nullptr) return E_INVALIDARG;
  HRESULT hr = ValidateVartype(variant->vt);
  if (FAILED(hr)) return hr;
  if ((variant->vt & VT_BYREF) == 0) {
    const VARTYPE base = variant->vt & kVtTypeMask;
    if ((variant->vt & VT_ARRAY) != 0 || base == kVtSafeArray) {
      hr = DestroyArray(variant->parray);
    } else if (base == VT_BSTR) {
      SysFreeString(variant->bstrVal);
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

}  // namespace internal
}  // namespace standin

void VariantInit(VARIANTARG* variant) {
  standin::internal::LogCall("VariantInit");
  if (variant != nullptr) variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* variant) {
  standin::internal::LogCall("VariantClear");
  return standin::internal::ClearVariant(variant);
}
