#include "list/failure_text.h"

#include <cstdint>

namespace dravlen {
namespace {

// Windows' texts for the statuses activation meets most, for a system that
// has none for them: Wine's message table holds no text for COM's own.
struct StatusText {
  HRESULT status;
  const char* text;
};
const StatusText kActivationTexts[] = {
    {REGDB_E_CLASSNOTREG, "Class not registered"},
    {CLASS_E_CLASSNOTAVAILABLE, "ClassFactory cannot supply requested class"},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_UNEXPECTED, "Catastrophic failure"},
};

// The status in hexadecimal, and the system's text for it.
void WriteStatus(Output& out, HRESULT status) {
  out.hex(static_cast<uint32_t>(status), 8);
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(status), 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                        text[length - 1] == ' ' || text[length - 1] == '\t')) {
    --length;
  }
  if (length > 0) {
    out.ansi(" ").ansi(text, static_cast<int32_t>(length));
    return;
  }
  for (const StatusText& known : kActivationTexts) {
    if (known.status == status) out.ansi(" ").ansi(known.text);
  }
}

void WriteResultType(Output& out, const QueryReport& report, HRESULT status) {
  out.ansi(report.step == QueryStep::FirstResult ? "the first result" : "the second result");
  const bool hasArray = (report.resultType & VT_ARRAY) && !(report.resultType & VT_BYREF);
  if (status != E_INVALIDARG) {
    out.ansi(" could not be read: ");
    WriteStatus(out, status);
  } else if (hasArray && report.elementType == VT_EMPTY) {
    out.ansi(" holds no array (type ").hex(report.resultType, 4).ansi(")");
  } else {
    const VARTYPE type =
        hasArray ? static_cast<VARTYPE>(VT_ARRAY | report.elementType) : report.resultType;
    out.ansi(" is not an array of strings (type ").hex(type, 4).ansi(")");
  }
}

}  // namespace

void WriteFailure(Output& out, const QueryReport& report, const Raised& raised) {
  static const char* const kSteps[] = {"CoCreateInstance", "OleRun", "QueryInterface",
                                       "Initialize"};
  if (raised.missingInterface) {
    out.ansi("QueryInterface answered S_OK but gave no interface: ");
    WriteStatus(out, raised.status);
  } else if (report.step == QueryStep::FirstResult || report.step == QueryStep::SecondResult) {
    WriteResultType(out, report, raised.status);
  } else if (report.step == QueryStep::Entry) {
    out.ansi("reading the container list at index ");
    if (report.index < 0) out.ansi("-");
    out.number(report.index < 0 ? 0u - static_cast<uint32_t>(report.index)
                                : static_cast<uint32_t>(report.index));
    out.ansi(": ");
    WriteStatus(out, raised.status);
  } else if (!raised.raised) {
    out.ansi(kSteps[static_cast<int>(report.step)]);
    if (SUCCEEDED(report.status)) {
      out.ansi(" answered ").hex(static_cast<uint32_t>(report.status), 8).ansi(", not S_OK");
    } else {
      out.ansi(": ");
      WriteStatus(out, report.status);
    }
  } else {
    out.ansi(kSteps[static_cast<int>(report.step)]).ansi(": ");
    WriteStatus(out, raised.status);
  }
  out.endLine();
}

}  // namespace dravlen
