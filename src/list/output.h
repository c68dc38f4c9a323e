// Standard output or standard error of dravlen-list.exe. Redirected to a
// file or a pipe it takes the bytes as they are, ANSI text exactly as the
// comparison sees it, with CR LF line ends; on a console every text goes
// through WriteConsoleW, so that the component's own UTF-16 shows whatever
// the console's code page.
#ifndef DRAVLEN_LIST_OUTPUT_H_
#define DRAVLEN_LIST_OUTPUT_H_

#include <cstdint>

#include "platform/platform.h"

namespace dravlen {

class Output {
 public:
  // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
  explicit Output(DWORD which);

  bool isConsole() const { return console_; }

  // ANSI text of the given code page; on a console, decoded from it.
  Output& ansi(const char* text, int32_t length, UINT codePage = CP_ACP);
  Output& ansi(const char* text);
  // UTF-16 text, for a console only; nothing where the output is redirected.
  Output& wide(const WCHAR* text, int32_t length);
  // `value` as "0x" and `digits` hexadecimal digits in capitals.
  Output& hex(uint32_t value, int digits);
  Output& number(uint32_t value);
  void endLine() { ansi("\r\n", 2); }

 private:
  HANDLE handle_;
  bool console_;
};

}  // namespace dravlen

#endif  // DRAVLEN_LIST_OUTPUT_H_
