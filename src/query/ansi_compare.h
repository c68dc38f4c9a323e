// Case-insensitive comparison of ANSI texts under the rules of the
// comparison code page in force.
#ifndef DRAVLEN_QUERY_ANSI_COMPARE_H_
#define DRAVLEN_QUERY_ANSI_COMPARE_H_

#include <cstdint>

namespace dravlen {

// Returned when a two-byte character cannot be case-mapped.
inline constexpr int32_t kCaseMappingFailed = 2147483647;

// 0 when the texts are equal. Under a single-byte code page only "A" to "Z"
// fold and the result is the difference of the first differing folded bytes;
// under a multibyte one, characters fold by the platform's case mapping and
// the result is 1 or -1, or kCaseMappingFailed. Neither text may be null.
int32_t CompareAnsiNoCase(const char* first, const char* second);

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_ANSI_COMPARE_H_
