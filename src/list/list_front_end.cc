#include "list/list_front_end.h"

#include <cstdint>
#include <cstring>

#include "dravlen/heap_block.h"
#include "list/failure_text.h"
#include "list/near_miss.h"
#include "list/output.h"
#include "query/ansi_compare.h"
#include "query/com_errors.h"
#include "query/conversion_code_page.h"
#include "query/mounted_containers.h"

namespace dravlen {
namespace {

const char* const kReasonTexts[kNearMissReasons] = {
    "slashes",
    "a trailing backslash or blank",
    "letter case beyond A to Z",
    "characters the ANSI code page lacks (replaced in conversion)",
    "text cut at an embedded NUL",
};

struct Listing {
  Output& out;
  const char* argument;  // null: the list alone
  uint32_t entries = 0;
  uint32_t deciding = 0;  // the first equal entry, counted from 1; 0 for none
  uint32_t nearMisses = 0;
};

// Whether the compared text converts back to all of the reported one, so
// that a console need not show both.
bool ReadsBack(BSTR reported, const AnsiText& compared) {
  const int length = reported != nullptr ? static_cast<int>(SysStringLen(reported)) : 0;
  if (compared.length() == 0) return length == 0;
  const UINT codePage = GetConversionCodePage();
  const int units =
      MultiByteToWideChar(codePage, 0, compared.c_str(), compared.length(), nullptr, 0);
  if (units != length) return false;
  HeapBlock block = AllocateHeapBlock(static_cast<size_t>(units) * sizeof(WCHAR));
  if (!block) return false;
  WCHAR* back = reinterpret_cast<WCHAR*>(block.get());
  MultiByteToWideChar(codePage, 0, compared.c_str(), compared.length(), back, units);
  return std::memcmp(back, reported, static_cast<size_t>(units) * sizeof(WCHAR)) == 0;
}

// Redirected, the text the comparison sees. On a console, the component's
// own text, an embedded NUL written \0, and the compared text beside it
// where the two differ.
void WriteEntry(Output& out, BSTR reported, const AnsiText& compared, const char* quote) {
  const UINT codePage = GetConversionCodePage();
  out.ansi(quote);
  if (!out.isConsole()) {
    out.ansi(compared.c_str(), compared.length(), codePage).ansi(quote);
    return;
  }
  const int length = reported != nullptr ? static_cast<int>(SysStringLen(reported)) : 0;
  for (int start = 0, i = 0; i <= length; ++i) {
    if (i < length && reported[i] != 0) continue;
    out.wide(reported + start, i - start);
    if (i < length) out.ansi("\\0");
    start = i + 1;
  }
  out.ansi(quote);
  if (!ReadsBack(reported, compared)) {
    out.ansi(" (compared as \"").ansi(compared.c_str(), compared.length(), codePage).ansi("\")");
  }
}

bool ShowEntry(void* context, BSTR reported, const AnsiText& compared) {
  Listing& listing = *static_cast<Listing*>(context);
  Output& out = listing.out;
  ++listing.entries;
  if (listing.argument == nullptr) {
    WriteEntry(out, reported, compared, "");
    out.endLine();
    return false;
  }
  const bool equal = CompareAnsiNoCase(compared.c_str(), listing.argument) == 0;
  const unsigned reasons = equal ? 0 : NearMissReasons(reported, listing.argument);
  if (equal && listing.deciding == 0) listing.deciding = listing.entries;
  if (reasons != 0) ++listing.nearMisses;
  out.ansi(equal ? (listing.deciding == listing.entries ? "* " : "= ") : reasons ? "~ " : "  ");
  WriteEntry(out, reported, compared, "\"");
  if (equal) {
    out.ansi(listing.deciding == listing.entries ? " equals the argument: this entry decides"
                                                 : " equals the argument too");
  } else if (reasons != 0) {
    const char* separator = " differs by: ";
    for (int reason = 0; reason < kNearMissReasons; ++reason) {
      if ((reasons & (1u << reason)) == 0) continue;
      out.ansi(separator).ansi(kReasonTexts[reason]);
      separator = ", ";
    }
  }
  out.endLine();
  return false;  // every entry is shown; the status follows the first equal one
}

void WriteVerdict(Output& out, const Listing& listing, ResultCode status) {
  switch (status) {
    case ResultCode::Mounted:
      out.ansi("mounted: entry ").number(listing.deciding).ansi(" equals the argument");
      break;
    case ResultCode::NotMounted:
      if (listing.entries == 0) {
        out.ansi("not mounted: the component reports no container");
      } else {
        out.ansi("not mounted: no entry equals the argument");
        if (listing.nearMisses != 0) {
          out.ansi(", ").number(listing.nearMisses).ansi(" names it in another spelling");
        }
      }
      break;
    default:
      out.ansi("unavailable: the component could not answer");
      break;
  }
  out.ansi("; dravlen.exe answers ").number(static_cast<uint32_t>(status));
  out.endLine();
}

}  // namespace

ResultCode RunList(int argc, const char* const* argv) {
  Output out(STD_OUTPUT_HANDLE);
  Output err(STD_ERROR_HANDLE);
  if (argc > 2) {
    err.ansi("usage: dravlen-list.exe [d:\\path\\container.qmv]");
    err.endLine();
    return ResultCode::InvalidArguments;
  }
  Listing listing{out, argc == 2 ? argv[1] : nullptr};
  QueryReport report;
  Raised raised;
  bool unavailable = false;
  // What dravlen.exe's entry turns into status 4, shown here instead.
  try {
    unavailable =
        VisitMountedContainers(&ShowEntry, &listing, report) == MountVerdict::ComponentUnavailable;
  } catch (const CAtlException& error) {
    raised = {true, error.m_hr, false};
  } catch (const _com_error& error) {
    raised = {true, error.Error(), true};
  } catch (...) {
    raised = {true, E_UNEXPECTED, false};
  }

  // dravlen.exe stops at the first equal entry: what fails after it does
  // not change its answer.
  ResultCode status = ResultCode::NotMounted;
  if (listing.deciding != 0) {
    status = ResultCode::Mounted;
  } else if (unavailable || raised.raised) {
    status = ResultCode::ComponentUnavailable;
  }
  if (unavailable || raised.raised) WriteFailure(err, report, raised);
  if (listing.argument != nullptr) {
    WriteVerdict(out, listing, status);
  } else if (status == ResultCode::NotMounted && listing.entries == 0) {
    err.ansi("no container is mounted");
    err.endLine();
  }
  return status;
}

}  // namespace dravlen
