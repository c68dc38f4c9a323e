// dravlen-list.exe: what the component reports, and why dravlen.exe answers
// what it does.
#ifndef DRAVLEN_LIST_LIST_FRONT_END_H_
#define DRAVLEN_LIST_LIST_FRONT_END_H_

#include "dravlen/result_code.h"

namespace dravlen {

// `argc` counts the program's name in argv[0].
// - No argument: each entry of the list, one a line, as the comparison
//   sees it; 0 when the list was read, 4 when it could not be.
// - One argument: the same entries, the first equal one marked and, beside
//   each other that names the same path in another spelling, how it
//   differs; then the verdict. The status is dravlen.exe's answer for that
//   argument: 1, 0 or 4.
// - More: a usage line on standard error and 3.
// Why the component could not answer goes to standard error.
ResultCode RunList(int argc, const char* const* argv);

}  // namespace dravlen

#endif  // DRAVLEN_LIST_LIST_FRONT_END_H_
