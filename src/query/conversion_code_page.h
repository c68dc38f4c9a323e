// The code page in which reported paths are converted to ANSI text.
#ifndef DRAVLEN_QUERY_CONVERSION_CODE_PAGE_H_
#define DRAVLEN_QUERY_CONVERSION_CODE_PAGE_H_

#include <cstdint>

namespace dravlen {

// CP_THREAD_ACP on Windows NT 5 and later, where the platform follows the
// calling thread's locale by itself; elsewhere the default ANSI code page of
// the thread's locale, looked up on every call. The first call decides the
// method for the rest of the process.
uint32_t GetConversionCodePage();

// Forgets the method, so that the next call decides again. For tests.
void ResetConversionCodePageMethod();

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_CONVERSION_CODE_PAGE_H_
