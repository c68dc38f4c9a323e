// UTF-8 sequences to and from code points, with the checks Windows makes on
// malformed ones, and code points to UTF-16 units.
#include "platform/posix/utf.h"

namespace standin {
namespace internal {

std::size_t EncodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

std::size_t DecodeUtf8(const unsigned char* in, std::size_t available, char32_t* c) {
  const unsigned char lead = in[0];
  if (lead < 0x80) {
    *c = lead;
    return 1;
  }
  std::size_t length;
  unsigned char secondMin = 0x80;
  unsigned char secondMax = 0xBF;
  char32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) secondMin = 0xA0;
    if (lead == 0xED) secondMax = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) secondMin = 0x90;
    if (lead == 0xF4) secondMax = 0x8F;
  } else {
    return 0;
  }
  if (available < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char min = i == 1 ? secondMin : 0x80;
    const unsigned char max = i == 1 ? secondMax : 0xBF;
    if (in[i] < min || in[i] > max) return 0;
    value = value << 6 | (in[i] & 0x3F);
  }
  *c = value;
  return length;
}

std::size_t EncodeUtf16(char32_t c, WCHAR* out) {
  if (c < 0x10000) {
    out[0] = static_cast<WCHAR>(c);
    return 1;
  }
  const char32_t offset = c - 0x10000;
  out[0] = static_cast<WCHAR>(0xD800 + (offset >> 10));
  out[1] = static_cast<WCHAR>(0xDC00 + (offset & 0x3FF));
  return 2;
}

}  // namespace internal
}  // namespace standin
