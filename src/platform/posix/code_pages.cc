// Code pages: which ones this machine knows, what GetCPInfo says of them,
// and conversion between them and UTF-16. Single-byte pages convert through
// tables built once from the C library's iconv, double-byte pages through
// iconv a character at a time, UTF-8 by hand.
#include "platform/posix/nls.h"

#include <iconv.h>

#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/posix/internal.h"
#include "platform/posix/testing.h"

namespace {

enum class Encoding { kSingleByte, kDoubleByte, kUtf8 };

struct CodePage {
  UINT id;
  Encoding encoding;
  const char* iconvName;
  BYTE leadBytes[MAX_LEADBYTES];  // inclusive ranges as pairs, ended by a zero pair
};

const CodePage kCodePages[] = {
    {437, Encoding::kSingleByte, "CP437", {}},
    {850, Encoding::kSingleByte, "CP850", {}},
    {932, Encoding::kDoubleByte, "CP932", {0x81, 0x9F, 0xE0, 0xFC}},
    {936, Encoding::kDoubleByte, "CP936", {0x81, 0xFE}},
    {949, Encoding::kDoubleByte, "CP949", {0x81, 0xFE}},
    {950, Encoding::kDoubleByte, "CP950", {0x81, 0xFE}},
    {1250, Encoding::kSingleByte, "CP1250", {}},
    {1251, Encoding::kSingleByte, "CP1251", {}},
    {1252, Encoding::kSingleByte, "CP1252", {}},
    {1253, Encoding::kSingleByte, "CP1253", {}},
    {1254, Encoding::kSingleByte, "CP1254", {}},
    {1361, Encoding::kDoubleByte, "CP1361", {0x81, 0xD3, 0xD8, 0xDE, 0xE0, 0xF9}},
    {CP_UTF8, Encoding::kUtf8, "UTF-8", {}},
};

constexpr UINT kOemCodePage = 437;
constexpr char kDefaultChar = '?';
constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kNoCharacter = 0xFFFFFFFF;

const CodePage* FindCodePage(UINT id) {
  for (const CodePage& page : kCodePages) {
    if (page.id == id) return &page;
  }
  return nullptr;
}

UINT ResolveCodePage(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
      return GetACP();
    case CP_OEMCP:
      return kOemCodePage;
    case CP_THREAD_ACP: {
      const UINT threadCodePage = standin::internal::ThreadLocaleAnsiCodePage();
      return threadCodePage != 0 ? threadCodePage : GetACP();
    }
    default:
      return codePage;
  }
}

bool IsLeadByte(const CodePage& page, unsigned char byte) {
  for (int i = 0; i + 1 < MAX_LEADBYTES && page.leadBytes[i] != 0; i += 2) {
    if (byte >= page.leadBytes[i] && byte <= page.leadBytes[i + 1]) return true;
  }
  return false;
}

// The system ANSI code page: from the environment on first use and on
// ResetMachine, or whatever a test set.
struct SystemCodePage {
  std::mutex mutex;
  bool known = false;
  UINT value = 0;
};

SystemCodePage& System() {
  static auto* system = new SystemCodePage;
  return *system;
}

// ---------------------------------------------------------------------------
// iconv

class Iconv {
 public:
  Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(handle_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in` into `out`; false unless every byte converted.
  bool Convert(const void* in, std::size_t inLength, char* out, std::size_t outCapacity,
               std::size_t* written) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char* inCursor = const_cast<char*>(static_cast<const char*>(in));
    std::size_t inLeft = inLength;
    char* outCursor = out;
    std::size_t outLeft = outCapacity;
    const std::size_t failed = static_cast<std::size_t>(-1);
    if (iconv(handle_, &inCursor, &inLeft, &outCursor, &outLeft) == failed || inLeft != 0) {
      return false;
    }
    if (iconv(handle_, nullptr, nullptr, &outCursor, &outLeft) == failed) return false;
    *written = outCapacity - outLeft;
    return true;
  }

 private:
  iconv_t handle_;
};

char32_t ReadUtf32Le(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return static_cast<char32_t>(b[0]) | static_cast<char32_t>(b[1]) << 8 |
         static_cast<char32_t>(b[2]) << 16 | static_cast<char32_t>(b[3]) << 24;
}

void WriteUtf32Le(char32_t c, char* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((c >> (8 * i)) & 0xFF);
}

// ---------------------------------------------------------------------------
// Single-byte code pages

struct SingleByteTable {
  char32_t toUnicode[256];  // kNoCharacter where the byte means nothing
  std::unordered_map<char32_t, unsigned char> fromUnicode;
};

std::unique_ptr<SingleByteTable> BuildSingleByteTable(const CodePage& page) {
  Iconv decoder("UTF-32LE", page.iconvName);
  if (!decoder.ok()) return nullptr;
  auto table = std::make_unique<SingleByteTable>();
  for (unsigned byte = 0; byte < 256; ++byte) {
    const char in = static_cast<char>(byte);
    char out[8];
    std::size_t written = 0;
    if (decoder.Convert(&in, 1, out, sizeof out, &written) && written == 4) {
      table->toUnicode[byte] = ReadUtf32Le(out);
    } else if (byte >= 0x80 && byte <= 0x9F) {
      // Windows gives the unassigned bytes of this row the C1 control of the
      // same value, so that every byte survives a round trip.
      table->toUnicode[byte] = byte;
    } else {
      table->toUnicode[byte] = kNoCharacter;
    }
  }
  for (unsigned byte = 0; byte < 256; ++byte) {
    if (table->toUnicode[byte] != kNoCharacter) {
      table->fromUnicode.emplace(table->toUnicode[byte], static_cast<unsigned char>(byte));
    }
  }
  return table;
}

// Built on first use and kept for the life of the process.
const SingleByteTable* SingleByteTableFor(const CodePage& page) {
  static std::mutex mutex;
  static auto* tables = new std::map<UINT, std::unique_ptr<SingleByteTable>>;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = tables->find(page.id);
  if (found == tables->end()) found = tables->emplace(page.id, BuildSingleByteTable(page)).first;
  return found->second.get();
}

// ---------------------------------------------------------------------------
// UTF-8 and UTF-16

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

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

// One well-formed UTF-8 sequence: its length, or 0 for an invalid or
// incomplete one (overlong forms, surrogates and values past U+10FFFF
// included).
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

// ---------------------------------------------------------------------------
// Per-code-page character conversion

// What Encoder and Decoder share: the code page's table, or an iconv
// handle for a double-byte page; UTF-8 needs neither.
class CodePageConverter {
 public:
  bool ok() const {
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

 protected:
  // `toUnicode`: the direction of the iconv handle for a double-byte page.
  CodePageConverter(const CodePage& page, bool toUnicode) : page_(page) {
    if (page.encoding == Encoding::kSingleByte) table_ = SingleByteTableFor(page);
    if (page.encoding == Encoding::kDoubleByte) {
      iconv_ = toUnicode ? std::make_unique<Iconv>("UTF-32LE", page.iconvName)
                         : std::make_unique<Iconv>(page.iconvName, "UTF-32LE");
    }
  }

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
  std::size_t Encode(char32_t c, char* out) {
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
};

// One code page's bytes to Unicode code points.
class Decoder : public CodePageConverter {
 public:
  explicit Decoder(const CodePage& page) : CodePageConverter(page, true) {}

  // Decodes the character starting at `in` and returns the bytes it took, or
  // 0 for a byte that starts no valid character here.
  std::size_t Decode(const unsigned char* in, std::size_t available, char32_t* c) {
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
};

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

UINT GetACP() {
  SystemCodePage& system = System();
  std::lock_guard<std::mutex> lock(system.mutex);
  if (!system.known) {
    system.value = standin::AnsiCodePageFromEnvironment();
    system.known = true;
  }
  return system.value;
}

BOOL GetCPInfo(UINT codePage, LPCPINFO info) {
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const CodePage* page = FindCodePage(ResolveCodePage(codePage));
  if (page == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  switch (page->encoding) {
    case Encoding::kSingleByte:
      info->MaxCharSize = 1;
      break;
    case Encoding::kDoubleByte:
      info->MaxCharSize = 2;
      break;
    case Encoding::kUtf8:
      info->MaxCharSize = 4;
      break;
  }
  info->DefaultChar[0] = kDefaultChar;
  info->DefaultChar[1] = 0;
  std::memcpy(info->LeadByte, page->leadBytes, MAX_LEADBYTES);
  return TRUE;
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWCH wide, int wideLength, LPSTR multi,
                        int multiLength, LPCCH defaultChar, LPBOOL usedDefaultChar) {
  if (wide == nullptr || wideLength == 0 || wideLength < -1 || multiLength < 0 ||
      (multiLength > 0 && multi == nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const CodePage* page = FindCodePage(ResolveCodePage(codePage));
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
  const CodePage* page = FindCodePage(ResolveCodePage(codePage));
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

namespace standin {

void SetSystemAnsiCodePage(UINT codePage) {
  SystemCodePage& system = System();
  std::lock_guard<std::mutex> lock(system.mutex);
  system.value = codePage;
  system.known = true;
}

namespace internal {

void ResetCodePages() {
  const UINT fromEnvironment = AnsiCodePageFromEnvironment();
  SystemCodePage& system = System();
  std::lock_guard<std::mutex> lock(system.mutex);
  system.value = fromEnvironment;
  system.known = true;
}

}  // namespace internal
}  // namespace standin
