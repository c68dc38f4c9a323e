// One character at a time between a code page and Unicode, for the
// conversions. Neither the program nor its tests include this header.
#ifndef DRAVLEN_PLATFORM_POSIX_CODE_PAGE_CODEC_H_
#define DRAVLEN_PLATFORM_POSIX_CODE_PAGE_CODEC_H_

#include <cstddef>
#include <memory>

#include "platform/posix/code_page_table.h"
#include "platform/posix/iconv_handle.h"
#include "platform/posix/single_byte_table.h"

namespace standin {
namespace internal {

// What Encoder and Decoder share: the code page's table, or an iconv
// handle for a double-byte page; UTF-8 needs neither.
class CodePageConverter {
 public:
  bool ok() const;

 protected:
  // `toUnicode`: the direction of the iconv handle for a double-byte page.
  CodePageConverter(const CodePage& page, bool toUnicode);

  const CodePage& page_;
  const SingleByteTable* table_ = nullptr;
  std::unique_ptr<Iconv> iconv_;
};

// Unicode code points to one code page's bytes.
class Encoder : public CodePageConverter {
 public:
  explicit Encoder(const CodePage& page) : CodePageConverter(page, false) {}

  // Writes the bytes for `c` (at most 4) and returns their number, or 0 when
  // the code page has no such character.
  std::size_t Encode(char32_t c, char* out);
};

// One code page's bytes to Unicode code points.
class Decoder : public CodePageConverter {
 public:
  explicit Decoder(const CodePage& page) : CodePageConverter(page, true) {}

  // Decodes the character starting at `in` and returns the bytes it took, or
  // 0 for a byte that starts no valid character here.
  std::size_t Decode(const unsigned char* in, std::size_t available, char32_t* c);
};

}  // namespace internal
}  // namespace standin

#endif  // DRAVLEN_PLATFORM_POSIX_CODE_PAGE_CODEC_H_
