#include "dravlen/ansi_text.h"

#include <cstddef>
#include <utility>

#include "query/com_errors.h"

namespace dravlen {

void AnsiText::clear() {
  length_ = 0;
  if (bytes_) bytes_[0] = '\0';
}

char* AnsiText::prepare(int32_t length) {
  if (length < 0) throw CAtlException(E_INVALIDARG);
  if (length > capacity_) {
    HeapBlock grown = AllocateHeapBlock(static_cast<std::size_t>(length) + 1);
    if (!grown) throw CAtlException(E_OUTOFMEMORY);
    bytes_ = std::move(grown);
    capacity_ = length;
  }
  length_ = 0;
  bytes_[0] = '\0';
  return bytes_.get();
}

void AnsiText::setLength(int32_t length) {
  if (length < 0 || length > capacity_) throw CAtlException(E_INVALIDARG);
  if (length == 0) return clear();
  length_ = length;
  bytes_[static_cast<size_t>(length)] = '\0';
}

}  // namespace dravlen
