// The code pages the stand-in knows, for the files that convert through
// them. Neither the program nor its tests include this header.
#ifndef DRAVLEN_PLATFORM_POSIX_CODE_PAGE_TABLE_H_
#define DRAVLEN_PLATFORM_POSIX_CODE_PAGE_TABLE_H_

#include "platform/posix/code_pages.h"

namespace standin {
namespace internal {

enum class Encoding { kSingleByte, kDoubleByte, kUtf8 };

struct CodePage {
  UINT id;
  Encoding encoding;
  const char* iconvName;
  BYTE leadBytes[MAX_LEADBYTES];  // inclusive ranges as pairs, ended by a zero pair
};

// What stands for a character a code page lacks, unless the caller names one.
constexpr char kDefaultChar = '?';

// The code page `codePage` names now (CP_ACP, CP_OEMCP and CP_THREAD_ACP
// resolved), or null for one the stand-in does not know.
const CodePage* FindCodePage(UINT codePage);

bool IsLeadByte(const CodePage& page, unsigned char byte);

}  // namespace internal
}  // namespace standin

#endif  // DRAVLEN_PLATFORM_POSIX_CODE_PAGE_TABLE_H_
