#include "query/ansi_conversion.h"

#include "query/conversion_code_page.h"

namespace dravlen {

void ConvertToAnsiText(AnsiText& text, const WCHAR* wide) {
  if (wide == nullptr) return text.clear();

  // Measure, then convert. Both passes take the string through its NUL, so
  // the answer counts the terminator and nothing after an embedded NUL.
  const int size =
      WideCharToMultiByte(GetConversionCodePage(), 0, wide, -1, nullptr, 0, nullptr, nullptr);
  const int length = size - 1;
  if (length <= 0) return text.clear();

  char* bytes = text.prepare(length);
  // The terminator is converted into its own place, so a successful pass
  // answers exactly `size`; anything else leaves bytes unwritten.
  const int written =
      WideCharToMultiByte(GetConversionCodePage(), 0, wide, -1, bytes, size, nullptr, nullptr);
  if (written != size) return text.clear();
  text.setLength(length);
}

}  // namespace dravlen
