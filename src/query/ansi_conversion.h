// Turns a path reported as UTF-16 into ANSI text.
#ifndef DRAVLEN_QUERY_ANSI_CONVERSION_H_
#define DRAVLEN_QUERY_ANSI_CONVERSION_H_

#include "dravlen/ansi_text.h"
#include "platform/platform.h"

namespace dravlen {

// Replaces `text` with `wide`, up to its first NUL, in the conversion code
// page. Characters the code page lacks take the platform's best-fit or
// default character. A null or empty string, or one the platform cannot
// convert, gives the empty text. Raises E_OUTOFMEMORY when the text cannot
// grow.
void ConvertToAnsiText(AnsiText& text, const WCHAR* wide);

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_ANSI_CONVERSION_H_
