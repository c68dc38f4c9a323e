// WideCharToMultiByte and MultiByteToWideChar: whole strings between a code
// page and UTF-16, with their size queries, replacement of what the target
// lacks, strict decoding and short buffers, as Windows answers them.
#include <climits>
#include <cstring>

#include "platform/posix/code_page_codec.h"
#include "platform/posix/code_pages.h"
#include "platform/posix/internal.h"
#include "platform/posix/utf.h"

using standin::internal::CodePage;
using standin::internal::Decoder;
using standin::internal::Encoder;
using standin::internal::EncodeUtf16;
using standin::internal::EncodeUtf8;
using standin::internal::Encoding;
using standin::internal::Fail;
using standin::internal::FindCodePage;
using standin::internal::IsHighSurrogate;
using standin::internal::IsLeadByte;
using standin::internal::IsLowSurrogate;
using standin::internal::IsSurrogate;
using standin::internal::kDefaultChar;
using standin::internal::kReplacementCharacter;

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWCH wide, int wideLength, LPSTR multi,
                        int multiLength, LPCCH defaultChar, LPBOOL usedDefaultChar) {
  if (wide == nullptr || wideLength == 0 || wideLength < -1 || multiLength < 0 ||
      (multiLength > 0 && multi == nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const CodePage* page = FindCodePage(codePage);
  if (page == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  // UTF-8 can write every character, so Windows refuses a default for it.
  if (page->encoding == Encoding::kUtf8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  Encoder encoder(*page);
  if (!encoder.ok()) return Fail(ERROR_INVALID_PARAMETER);

  std::size_t length = static_cast<std::size_t>(wideLength);
  if (wideLength == -1) {
    length = 0;
    while (wide[length] != 0) ++length;
    ++length;
  }

  // What stands for a character the code page lacks: the caller's default
  // (two bytes when it is a double-byte character) or the code page's.
  char fallback[2] = {kDefaultChar, 0};
  std::size_t fallbackLength = 1;
  if (defaultChar != nullptr) {
    fallback[0] = defaultChar[0];
    if (page->encoding == Encoding::kDoubleByte && defaultChar[0] != 0 &&
        IsLeadByte(*page, static_cast<unsigned char>(defaultChar[0])) && defaultChar[1] != 0) {
      fallback[1] = defaultChar[1];
      fallbackLength = 2;
    }
  }

  bool usedDefault = false;
  std::size_t written = 0;
  for (std::size_t i = 0; i < length;) {
    char32_t c = wide[i++];
    bool loneSurrogate = false;
    if (IsHighSurrogate(c) && i < length && IsLowSurrogate(wide[i])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i++] - 0xDC00u);
    } else if (IsSurrogate(c)) {
      loneSurrogate = true;
    }

    char bytes[4];
    const char* out = bytes;
    std::size_t count = loneSurrogate ? 0 : encoder.Encode(c, bytes);
    if (count == 0) {
      if (page->encoding == Encoding::kUtf8) {
        count = EncodeUtf8(kReplacementCharacter, bytes);
      } else {
        out = fallback;
        count = fallbackLength;
        usedDefault = true;
      }
    }

    if (multiLength > 0) {
      // Whole characters only: what fits is written, then the call fails.
      if (written + count > static_cast<std::size_t>(multiLength)) {
        if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
      }
      std::memcpy(multi + written, out, count);
    }
    written += count;
    if (written > INT_MAX) return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault;
  return static_cast<int>(written);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multi, int multiLength, LPWSTR wide,
                        int wideLength) {
  if (multi == nullptr || multiLength == 0 || multiLength < -1 || wideLength < 0 ||
      (wideLength > 0 && wide == nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const CodePage* page = FindCodePage(codePage);
  if (page == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (codePage == CP_UTF8 && (flags & ~MB_ERR_INVALID_CHARS) != 0) {
    return Fail(ERROR_INVALID_FLAGS);
  }
  Decoder decoder(*page);
  if (!decoder.ok()) return Fail(ERROR_INVALID_PARAMETER);

  const std::size_t length =
      multiLength == -1 ? std::strlen(multi) + 1 : static_cast<std::size_t>(multiLength);
  const auto* bytes = reinterpret_cast<const unsigned char*>(multi);
  const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  const char32_t replacement = page->encoding == Encoding::kUtf8 ? kReplacementCharacter : '?';

  std::size_t written = 0;
  bool overflow = false;
  for (std::size_t i = 0; i < length;) {
    char32_t c = 0;
    std::size_t taken = decoder.Decode(bytes + i, length - i, &c);
    if (taken == 0) {
      if (strict) return Fail(ERROR_NO_UNICODE_TRANSLATION);
      // One replacement per bad byte, then carry on with the next byte.
      c = replacement;
      taken = 1;
    }
    i += taken;

    WCHAR units[2];
    const std::size_t count = EncodeUtf16(c, units);
    if (wideLength > 0 && !overflow) {
      if (written + count > static_cast<std::size_t>(wideLength)) {
        // Keep what fits; a strict caller still learns of a bad sequence later on.
        overflow = true;
        if (!strict) break;
      } else {
        std::memcpy(wide + written, units, count * sizeof(WCHAR));
      }
    }
    written += count;
    if (written > INT_MAX) return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  if (overflow) return Fail(ERROR_INSUFFICIENT_BUFFER);
  return static_cast<int>(written);
}
