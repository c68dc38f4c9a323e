// The child's PEB, from NtQueryInformationProcess, leads to its
// RTL_USER_PROCESS_PARAMETERS and the UNICODE_STRING CommandLine in them.
// The launcher and its child are built for the same processor, so the
// layouts of winternl.h are the child's too.
#include "empty_command_line.h"

#include <winternl.h>

#include <cstddef>
#include <vector>

#include "remote_memory.h"
#include "report.h"

namespace launcher {
namespace {

#if defined(_M_X64) || defined(__x86_64__)
static_assert(offsetof(PEB, ProcessParameters) == 0x20, "x86-64 PEB layout");
static_assert(offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine) == 0x70,
              "x86-64 process parameters layout");
#else
static_assert(offsetof(PEB, ProcessParameters) == 0x10, "x86 PEB layout");
static_assert(offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine) == 0x40,
              "x86 process parameters layout");
#endif

ULONG_PTR CommandLineAddress(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic;
  ULONG got = 0;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &got) !=
      0) {
    Fail("cannot find the child's PEB");
  }
  ULONG_PTR parameters = 0;
  if (!ReadRemote(
          process,
          reinterpret_cast<ULONG_PTR>(basic.PebBaseAddress) + offsetof(PEB, ProcessParameters),
          parameters) ||
      parameters == 0) {
    Fail("cannot read the child's process parameters");
  }
  return parameters + offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine);
}

}  // namespace

std::string EmptyCommandLine(HANDLE process) {
  const ULONG_PTR address = CommandLineAddress(process);
  UNICODE_STRING line;
  if (!ReadRemote(process, address, line) || line.Buffer == nullptr) {
    Fail("cannot read the child's command line");
  }
  // The length says where the string ends; the NUL serves whoever reads
  // the buffer as a C string, as GetCommandLineW's callers do.
  const USHORT length = 0;
  const WCHAR nul = L'\0';
  if (!WriteRemote(process, address + offsetof(UNICODE_STRING, Length), &length, sizeof length) ||
      !WriteRemote(process, reinterpret_cast<ULONG_PTR>(line.Buffer), &nul, sizeof nul)) {
    Fail("cannot empty the child's command line");
  }

  // Read back as the child will find it: Length bytes, and a NUL after
  // them for whoever reads the buffer as a C string.
  if (!ReadRemote(process, address, line)) Fail("cannot read the child's command line back");
  std::vector<WCHAR> text(line.Length / sizeof(WCHAR) + 1, L'\0');
  if (!ReadRemote(process, reinterpret_cast<ULONG_PTR>(line.Buffer), text.data(),
                  text.size() * sizeof(WCHAR))) {
    Fail("cannot read the child's command line back");
  }
  if (line.Length == 0 && text[0] != L'\0') return "<length 0 over a string that goes on>";
  text.back() = L'\0';
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "<not convertible>";
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), -1, &utf8[0], size, nullptr, nullptr);
  utf8.resize(utf8.size() - 1);
  return utf8;
}

}  // namespace launcher
