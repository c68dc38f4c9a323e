// UTF-8 and UTF-16, encoded and decoded by hand. Neither the program nor its
// tests include this header.
#ifndef DRAVLEN_PLATFORM_POSIX_UTF_H_
#define DRAVLEN_PLATFORM_POSIX_UTF_H_

#include <cstddef>

#include "platform/posix/win_types.h"

namespace standin {
namespace internal {

constexpr char32_t kReplacementCharacter = 0xFFFD;

inline bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
inline bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Writes `c` as 1 to 4 bytes and returns their number.
std::size_t EncodeUtf8(char32_t c, char* out);

// One well-formed UTF-8 sequence: its length, or 0 for an invalid or
// incomplete one (overlong forms, surrogates and values past U+10FFFF
// included).
std::size_t DecodeUtf8(const unsigned char* in, std::size_t available, char32_t* c);

// Writes `c` as 1 or 2 code units and returns their number.
std::size_t EncodeUtf16(char32_t c, WCHAR* out);

}  // namespace internal
}  // namespace standin

#endif  // DRAVLEN_PLATFORM_POSIX_UTF_H_
