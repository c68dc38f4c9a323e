// Each encoding's way with one character: single-byte pages through their
// tables, double-byte pages through iconv (ASCII directly, the lead bytes
// deciding a character's length), UTF-8 by hand.
#include "platform/posix/code_page_codec.h"

#include "platform/posix/utf.h"

namespace standin {
namespace internal {

CodePageConverter::CodePageConverter(const CodePage& page, bool toUnicode) : page_(page) {
  if (page.encoding == Encoding::kSingleByte) table_ = SingleByteTableFor(page);
  if (page.encoding == Encoding::kDoubleByte) {
    iconv_ = toUnicode ? std::make_unique<Iconv>("UTF-32LE", page.iconvName)
                       : std::make_unique<Iconv>(page.iconvName, "UTF-32LE");
  }
}

bool CodePageConverter::ok() const {
  switch (page_.encoding) {
    case Encoding::kSingleByte:
      return table_ != nullptr;
    case Encoding::kDoubleByte:
      return iconv_->ok();
    case Encoding::kUtf8:
      break;
  }
  return true;
}

std::size_t Encoder::Encode(char32_t c, char* out) {
  switch (page_.encoding) {
    case Encoding::kSingleByte: {
      const auto found = table_->fromUnicode.find(c);
      if (found == table_->fromUnicode.end()) return 0;
      out[0] = static_cast<char>(found->second);
      return 1;
    }
    case Encoding::kDoubleByte: {
      if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
      }
      char in[4];
      WriteUtf32Le(c, in);
      std::size_t written = 0;
      if (!iconv_->Convert(in, sizeof in, out, 4, &written) || written > 2) return 0;
      return written;
    }
    case Encoding::kUtf8:
      break;
  }
  return EncodeUtf8(c, out);
}

std::size_t Decoder::Decode(const unsigned char* in, std::size_t available, char32_t* c) {
  switch (page_.encoding) {
    case Encoding::kSingleByte:
      *c = table_->toUnicode[in[0]];
      return *c == kNoCharacter ? 0 : 1;
    case Encoding::kDoubleByte: {
      if (in[0] < 0x80) {
        *c = in[0];
        return 1;
      }
      const std::size_t length = IsLeadByte(page_, in[0]) ? 2 : 1;
      if (available < length) return 0;
      char out[8];
      std::size_t written = 0;
      if (!iconv_->Convert(in, length, out, sizeof out, &written) || written != 4) return 0;
      *c = ReadUtf32Le(out);
      return length;
    }
    case Encoding::kUtf8:
      break;
  }
  return DecodeUtf8(in, available, c);
}

}  // namespace internal
}  // namespace standin
