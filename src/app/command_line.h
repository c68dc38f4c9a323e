// Splits the process's ANSI command line into arguments, by the program's
// own rules, so that they do not depend on the C runtime it is built with.
#ifndef DRAVLEN_APP_COMMAND_LINE_H_
#define DRAVLEN_APP_COMMAND_LINE_H_

#include <string>
#include <vector>

#include "query/comparison_code_page.h"

namespace dravlen {

// Element 0 is the program's name: it ends at the first blank or tab
// outside double quotes, and its quotes are dropped. Arguments follow the
// usual backslash and double-quote rules. A lead byte takes the next byte
// with it, so a trail byte is never read as a quote, blank or backslash.
std::vector<std::string> SplitCommandLine(const char* line, const ByteFlags& isLeadByte);

}  // namespace dravlen

#endif  // DRAVLEN_APP_COMMAND_LINE_H_
