#include "list/output.h"

#include <cstring>

#include "dravlen/heap_block.h"

namespace dravlen {

Output::Output(DWORD which) : handle_(GetStdHandle(which)), console_(false) {
  DWORD mode = 0;
  console_ = GetConsoleMode(handle_, &mode) != FALSE;
}

Output& Output::ansi(const char* text, int32_t length, UINT codePage) {
  if (length <= 0) return *this;
  if (!console_) {
    DWORD written = 0;
    WriteFile(handle_, text, static_cast<DWORD>(length), &written, nullptr);
    return *this;
  }
  const int units = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
  if (units <= 0) return *this;
  HeapBlock block = AllocateHeapBlock(static_cast<size_t>(units) * sizeof(WCHAR));
  if (!block) return *this;
  WCHAR* wideText = reinterpret_cast<WCHAR*>(block.get());
  MultiByteToWideChar(codePage, 0, text, length, wideText, units);
  return wide(wideText, units);
}

Output& Output::ansi(const char* text) {
  return ansi(text, static_cast<int32_t>(std::strlen(text)));
}

Output& Output::wide(const WCHAR* text, int32_t length) {
  if (!console_ || length <= 0) return *this;
  DWORD written = 0;
  WriteConsoleW(handle_, text, static_cast<DWORD>(length), &written, nullptr);
  return *this;
}

Output& Output::hex(uint32_t value, int digits) {
  char text[10] = {'0', 'x'};
  for (int i = digits; i > 0; --i, value >>= 4) text[1 + i] = "0123456789ABCDEF"[value & 0xF];
  return ansi(text, digits + 2);
}

Output& Output::number(uint32_t value) {
  char text[10];
  int start = sizeof text;
  do {
    text[--start] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return ansi(text + start, static_cast<int32_t>(sizeof text) - start);
}

}  // namespace dravlen
