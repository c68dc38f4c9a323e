// The program's decision: explain its use, or answer the question.
#ifndef DRAVLEN_CHECK_FRONT_END_H_
#define DRAVLEN_CHECK_FRONT_END_H_

#include "dravlen/result_code.h"

namespace dravlen {

// `argc` counts the program's name in argv[0]. Exactly one argument is
// queried as given; any other count shows the usage box. Nothing escapes:
// a failure anywhere in the query answers ComponentUnavailable.
ResultCode Run(int argc, const char* const* argv);

}  // namespace dravlen

#endif  // DRAVLEN_CHECK_FRONT_END_H_
