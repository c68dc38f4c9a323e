// The code pages this machine knows (their encoding, iconv name and lead
// bytes), what CP_ACP, CP_OEMCP and CP_THREAD_ACP stand for, the system ANSI
// code page and what GetCPInfo says of each page.
#include "platform/posix/code_page_table.h"

#include <cstring>
#include <mutex>

#include "platform/posix/internal.h"
#include "platform/posix/testing.h"

using standin::internal::CodePage;
using standin::internal::Encoding;
using standin::internal::Fail;

namespace {

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

}  // namespace

namespace standin {
namespace internal {

const CodePage* FindCodePage(UINT codePage) {
  const UINT id = ResolveCodePage(codePage);
  for (const CodePage& page : kCodePages) {
    if (page.id == id) return &page;
  }
  return nullptr;
}

bool IsLeadByte(const CodePage& page, unsigned char byte) {
  for (int i = 0; i + 1 < MAX_LEADBYTES && page.leadBytes[i] != 0; i += 2) {
    if (byte >= page.leadBytes[i] && byte <= page.leadBytes[i + 1]) return true;
  }
  return false;
}

void ResetCodePages() { SetSystemAnsiCodePage(AnsiCodePageFromEnvironment()); }

}  // namespace internal

void SetSystemAnsiCodePage(UINT codePage) {
  SystemCodePage& system = System();
  std::lock_guard<std::mutex> lock(system.mutex);
  system.value = codePage;
  system.known = true;
}

}  // namespace standin

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
  const CodePage* page = standin::internal::FindCodePage(codePage);
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
  info->DefaultChar[0] = standin::internal::kDefaultChar;
  info->DefaultChar[1] = 0;
  std::memcpy(info->LeadByte, page->leadBytes, MAX_LEADBYTES);
  return TRUE;
}
