// A property check that stays on in optimised builds: a failure prints the
// condition and aborts, which libFuzzer reports as a crash with the input.
#ifndef DRAVLEN_FUZZ_FUZZ_CHECK_H_
#define DRAVLEN_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

#endif  // DRAVLEN_FUZZ_FUZZ_CHECK_H_
