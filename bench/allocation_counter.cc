// Replaces the C library's allocation entry points with counting ones that
// hand over to its own implementation. Defined in the executable, they take
// the place of the library's for every shared object too, so operator new
// is counted as well.
#include "allocation_counter.h"

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<uint64_t> g_allocations{0};

void Count() { g_allocations.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

extern "C" {

void* malloc(std::size_t size) noexcept {
  Count();
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept {
  Count();
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) noexcept {
  Count();
  return __libc_realloc(block, size);
}

void free(void* block) noexcept { __libc_free(block); }

}  // extern "C"

namespace dravlen::bench {

uint64_t AllocationCount() { return g_allocations.load(std::memory_order_relaxed); }

}  // namespace dravlen::bench
