// Building blocks for replies of a fake volume-driver component.
#ifndef DRAVLEN_TESTS_QUERY_TEST_STRINGS_H_
#define DRAVLEN_TESTS_QUERY_TEST_STRINGS_H_

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace dravlen::testing {

// nullopt stands for a null BSTR element.
using Entry = std::optional<std::u16string>;

// A one-dimensional SAFEARRAY of BSTR with the given lower bound. Strings
// are written straight into the data, so a null one stays null and an
// embedded NUL is kept.
SAFEARRAY* MakeStringArray(const std::vector<Entry>& entries, LONG lowerBound = 0);

// A VARIANT holding `array` (VT_ARRAY | VT_BSTR unless told otherwise).
VARIANT ArrayVariant(SAFEARRAY* array, VARTYPE type = VT_ARRAY | VT_BSTR);

}  // namespace dravlen::testing

#endif  // DRAVLEN_TESTS_QUERY_TEST_STRINGS_H_
