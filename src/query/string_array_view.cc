#include "query/string_array_view.h"

#include <cstdint>

#include "query/com_errors.h"

namespace dravlen {
namespace {

LONG Bound(HRESULT(WINAPI* get)(SAFEARRAY*, UINT, LONG*), SAFEARRAY* array) {
  LONG bound = 0;
  ThrowIfFailed(get(array, 1, &bound));
  return bound;
}

// Elements of all dimensions together: a descriptor can claim a first
// dimension longer than the data it points to.
uint64_t ElementCount(const SAFEARRAY& array) {
  uint64_t count = array.cDims == 0 ? 0 : 1;
  for (USHORT dim = 0; dim < array.cDims; ++dim) count *= array.rgsabound[dim].cElements;
  return count;
}

}  // namespace

void StringArrayView::attach(SAFEARRAY* array, VARTYPE* elementType) {
  if (array == nullptr) throw CAtlException(E_INVALIDARG);
  VARTYPE type = VT_EMPTY;
  ThrowIfFailed(SafeArrayGetVartype(array, &type));
  if (elementType != nullptr) *elementType = type;
  if (type != VT_BSTR) throw CAtlException(E_INVALIDARG);
  if (array == array_) return;  // destroying it first would leave the view dangling
  if (array_ != nullptr) {
    ThrowIfFailed(SafeArrayUnlock(array_));
    ThrowIfFailed(SafeArrayDestroy(array_));
  }
  array_ = array;
  SafeArrayLock(array_);
}

LONG StringArrayView::lowerBound() const { return Bound(&SafeArrayGetLBound, array_); }

LONG StringArrayView::upperBound() const { return Bound(&SafeArrayGetUBound, array_); }

BSTR StringArrayView::at(LONG index) const {
  if (array_ == nullptr) throw CAtlException(E_FAIL);
  const LONG lower = lowerBound();
  const LONG upper = upperBound();
  if (index < lower || index > upper) throw CAtlException(E_INVALIDARG);
  const auto offset = static_cast<uint64_t>(static_cast<int64_t>(index) - lower);
  if (array_->pvData == nullptr || offset >= ElementCount(*array_)) {
    throw CAtlException(E_UNEXPECTED);
  }
  return static_cast<BSTR*>(array_->pvData)[offset];
}

void StringArrayView::release() {
  if (array_ == nullptr) return;
  SAFEARRAY* array = array_;
  array_ = nullptr;
  if (SUCCEEDED(SafeArrayUnlock(array))) SafeArrayDestroy(array);
}

}  // namespace dravlen
