#include "query/test_strings.h"

#include <cstring>

namespace dravlen::testing {

SAFEARRAY* MakeStringArray(const std::vector<Entry>& entries, LONG lowerBound) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, lowerBound, static_cast<ULONG>(entries.size()));
  auto* data = static_cast<BSTR*>(array->pvData);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i])
      data[i] = SysAllocStringLen(entries[i]->data(), static_cast<UINT>(entries[i]->size()));
  }
  return array;
}

VARIANT ArrayVariant(SAFEARRAY* array, VARTYPE type) {
  VARIANT variant;
  std::memset(&variant, 0, sizeof variant);
  variant.vt = type;
  variant.parray = array;
  return variant;
}

}  // namespace dravlen::testing
