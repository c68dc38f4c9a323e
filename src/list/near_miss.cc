#include "list/near_miss.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dravlen/heap_block.h"
#include "query/ansi_compare.h"
#include "query/comparison_code_page.h"
#include "query/conversion_code_page.h"

namespace dravlen {
namespace {

constexpr unsigned kOtherPath = ~0u;

// Room for the bytes one character of the entry converts to.
constexpr int kCharacterBytes = 8;

// One character as the comparison walks it: one byte, or a lead byte and
// its trail byte.
struct Unit {
  char bytes[3];  // NUL-terminated
  bool replaced;  // stands for a character the conversion code page lacks
};

class Units {
 public:
  // Not ok() when the block cannot be had, or its size not be counted.
  explicit Units(uint64_t capacity)
      : block_(capacity <= SIZE_MAX / sizeof(Unit)
                   ? AllocateHeapBlock(static_cast<std::size_t>(capacity) * sizeof(Unit))
                   : HeapBlock()),
        units_(reinterpret_cast<Unit*>(block_.get())),
        capacity_(block_ ? static_cast<std::size_t>(capacity) : 0) {}

  bool ok() const { return units_ != nullptr; }
  const Unit* data() const { return units_; }
  std::size_t size() const { return size_; }

  // Splits `bytes` into characters by the comparison's lead bytes.
  void add(const char* bytes, int count, bool replaced) {
    const ByteFlags& isLeadByte = ComparisonCodePageInForce().isLeadByte;
    for (int i = 0; i < count && size_ < capacity_; ++size_) {
      Unit& unit = units_[size_];
      const int length = isLeadByte[static_cast<unsigned char>(bytes[i])] && i + 1 < count ? 2 : 1;
      std::memcpy(unit.bytes, bytes + i, static_cast<std::size_t>(length));
      unit.bytes[length] = '\0';
      unit.replaced = replaced;
      i += length;
    }
  }

 private:
  HeapBlock block_;
  Unit* units_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

bool IsSlash(const Unit& unit) {
  return unit.bytes[1] == '\0' && (unit.bytes[0] == '\\' || unit.bytes[0] == '/');
}

bool IsTrailing(const Unit& unit) {
  return IsSlash(unit) || (unit.bytes[0] == ' ' && unit.bytes[1] == '\0');
}

// A single byte in the case the code page's own tables give, letters
// beyond "A" to "Z" included.
bool FoldEqual(const Unit& a, const Unit& b) {
  if (a.bytes[1] != '\0' || b.bytes[1] != '\0') return false;
  const ComparisonCodePage& rules = ComparisonCodePageInForce();
  auto fold = [&rules](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return rules.isUpperCase[byte] ? rules.lowerCaseOf[byte] : byte;
  };
  return fold(a.bytes[0]) == fold(b.bytes[0]);
}

// The differences of two texts of characters, or kOtherPath.
unsigned Differences(const Unit* entry, std::size_t entryLength, const Units& argument) {
  const Unit* other = argument.data();
  std::size_t otherLength = argument.size();
  unsigned reasons = 0;
  // Trailing separators and blanks first: the texts must agree before them.
  std::size_t entryEnd = entryLength;
  std::size_t otherEnd = otherLength;
  while (entryEnd > 0 && IsTrailing(entry[entryEnd - 1])) --entryEnd;
  while (otherEnd > 0 && IsTrailing(other[otherEnd - 1])) --otherEnd;
  if (entryEnd != otherEnd) return kOtherPath;
  if (entryLength - entryEnd != otherLength - otherEnd) {
    reasons |= kTrailing;
  } else {
    for (std::size_t i = entryEnd; i < entryLength; ++i) {
      if (entry[i].bytes[0] != other[i].bytes[0]) {
        reasons |= IsSlash(entry[i]) && IsSlash(other[i]) ? kSlashes : kTrailing;
      }
    }
  }
  for (std::size_t i = 0; i < entryEnd; ++i) {
    if (CompareAnsiNoCase(entry[i].bytes, other[i].bytes) == 0) continue;
    if (IsSlash(entry[i]) && IsSlash(other[i])) {
      reasons |= kSlashes;
    } else if (FoldEqual(entry[i], other[i])) {
      reasons |= kLetterCase;
    } else if (entry[i].replaced) {
      reasons |= kLackedCharacters;
    } else {
      return kOtherPath;
    }
  }
  return reasons;
}

}  // namespace

unsigned NearMissReasons(BSTR reported, const char* argument) {
  const UINT length = reported != nullptr ? SysStringLen(reported) : 0;
  // Each of a character's bytes can be a character of its own: the
  // comparison's lead bytes are the system's, the conversion is the
  // thread's code page.
  Units entry(uint64_t{length} * kCharacterBytes + 1);
  Units other(std::strlen(argument) + 1);
  if (!entry.ok() || !other.ok()) return 0;
  other.add(argument, static_cast<int>(std::strlen(argument)), false);

  // Each character converted alone, as the whole text is, and converted
  // back: one that does not come back was replaced.
  const UINT codePage = GetConversionCodePage();
  std::size_t cut = 0;
  bool hasNul = false;
  for (UINT i = 0; i < length;) {
    if (reported[i] == 0) {
      if (!hasNul) cut = entry.size();
      hasNul = true;
      ++i;
      continue;
    }
    const int count = reported[i] >= 0xD800 && reported[i] <= 0xDBFF && i + 1 < length &&
                              reported[i + 1] >= 0xDC00 && reported[i + 1] <= 0xDFFF
                          ? 2
                          : 1;
    char bytes[kCharacterBytes];
    WCHAR back[4];
    const int converted = WideCharToMultiByte(codePage, 0, reported + i, count, bytes, sizeof bytes,
                                              nullptr, nullptr);
    const int restored =
        converted > 0 ? MultiByteToWideChar(codePage, 0, bytes, converted, back, 4) : 0;
    const bool replaced =
        restored != count ||
        std::memcmp(back, reported + i, sizeof(WCHAR) * static_cast<std::size_t>(count)) != 0;
    entry.add(bytes, converted, replaced);
    i += static_cast<UINT>(count);
  }

  const unsigned compared = Differences(entry.data(), hasNul ? cut : entry.size(), other);
  if (compared != kOtherPath && compared != 0) return compared;
  if (!hasNul) return 0;
  const unsigned whole = Differences(entry.data(), entry.size(), other);
  return whole == kOtherPath ? 0 : whole | kCutAtNul;
}

}  // namespace dravlen
