// Byte storage from the C library's allocator.
#ifndef DRAVLEN_HEAP_BLOCK_H_
#define DRAVLEN_HEAP_BLOCK_H_

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace dravlen {

struct FreeHeapBlock {
  void operator()(char* block) const { std::free(block); }
};

// The program's heap storage is a few blocks of bytes whose owners report a
// failed allocation in the program's own terms (E_OUTOFMEMORY, status 4).
// malloc answers a failure with a null pointer, as they need; operator new
// would raise std::bad_alloc and take its throwing path into the image.
using HeapBlock = std::unique_ptr<char[], FreeHeapBlock>;

// `bytes` of uninitialised storage, aligned for any type; null when the heap
// cannot provide them.
inline HeapBlock AllocateHeapBlock(std::size_t bytes) {
  return HeapBlock(static_cast<char*>(std::malloc(bytes)));
}

}  // namespace dravlen

#endif  // DRAVLEN_HEAP_BLOCK_H_
