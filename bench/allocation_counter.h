// Counts the process's heap allocations, so that a benchmark can show how
// many a piece of work makes.
#ifndef DRAVLEN_BENCH_ALLOCATION_COUNTER_H_
#define DRAVLEN_BENCH_ALLOCATION_COUNTER_H_

#include <cstdint>

namespace dravlen::bench {

// Calls of malloc, calloc and realloc so far, from any code in the process:
// operator new, the C library and the stand-in layer included.
uint64_t AllocationCount();

}  // namespace dravlen::bench

#endif  // DRAVLEN_BENCH_ALLOCATION_COUNTER_H_
