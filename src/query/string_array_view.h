// A read-only view of a SAFEARRAY of BSTR, walked along its first dimension.
#ifndef DRAVLEN_QUERY_STRING_ARRAY_VIEW_H_
#define DRAVLEN_QUERY_STRING_ARRAY_VIEW_H_

#include "platform/platform.h"

namespace dravlen {

// Owns the array from attach to release: it keeps the array locked while it
// holds it, and releasing the view unlocks and destroys it, strings and all.
// Failures raise CAtlException with the platform's status.
class StringArrayView {
 public:
  StringArrayView() = default;
  ~StringArrayView() { release(); }
  StringArrayView(const StringArrayView&) = delete;
  StringArrayView& operator=(const StringArrayView&) = delete;

  // E_INVALIDARG for a null array or one whose elements are not BSTR. An
  // array held before is unlocked and destroyed first. `elementType`, when
  // given, receives the element type the array reports, even when it is
  // refused for it.
  void attach(SAFEARRAY* array, VARTYPE* elementType = nullptr);
  LONG lowerBound() const;
  LONG upperBound() const;
  // The string at `index` of the first dimension: E_FAIL on an empty view,
  // E_INVALIDARG outside the bounds.
  BSTR at(LONG index) const;
  void release();

 private:
  SAFEARRAY* array_ = nullptr;
};

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_STRING_ARRAY_VIEW_H_
