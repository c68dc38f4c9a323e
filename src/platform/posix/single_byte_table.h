// The two tables through which a single-byte code page converts. Neither
// the program nor its tests include this header.
#ifndef DRAVLEN_PLATFORM_POSIX_SINGLE_BYTE_TABLE_H_
#define DRAVLEN_PLATFORM_POSIX_SINGLE_BYTE_TABLE_H_

#include <unordered_map>

#include "platform/posix/code_page_table.h"

namespace standin {
namespace internal {

// Where a byte means nothing in a code page.
constexpr char32_t kNoCharacter = 0xFFFFFFFF;

struct SingleByteTable {
  char32_t toUnicode[256];  // kNoCharacter where the byte means nothing
  std::unordered_map<char32_t, unsigned char> fromUnicode;
};

// The page's tables, built from iconv on first use and kept for the life of
// the process; null when iconv does not know the page.
const SingleByteTable* SingleByteTableFor(const CodePage& page);

}  // namespace internal
}  // namespace standin

#endif  // DRAVLEN_PLATFORM_POSIX_SINGLE_BYTE_TABLE_H_
