// A byte string in an ANSI code page that receives converted list entries.
#ifndef DRAVLEN_ANSI_TEXT_H_
#define DRAVLEN_ANSI_TEXT_H_

#include <cstdint>

#include "dravlen/heap_block.h"

namespace dravlen {

// Always NUL-terminated. Its storage grows when a longer text must be held
// and is otherwise reused, so one object serves a whole walk of a list
// without an allocation per entry.
class AnsiText {
 public:
  AnsiText() = default;
  AnsiText(const AnsiText&) = delete;
  AnsiText& operator=(const AnsiText&) = delete;

  int32_t length() const { return length_; }
  const char* c_str() const { return bytes_ ? bytes_.get() : ""; }

  // Makes the text empty; the storage is kept.
  void clear();
  // Returns storage for `length` bytes and the terminator after them. The
  // content is unspecified until setLength; the text reads as empty until
  // then. Raises E_OUTOFMEMORY when the storage cannot be obtained.
  char* prepare(int32_t length);
  // Takes the first `length` bytes of the prepared storage as the text.
  void setLength(int32_t length);

 private:
  HeapBlock bytes_;
  int32_t capacity_ = 0;  // bytes before the terminator's place
  int32_t length_ = 0;
};

}  // namespace dravlen

#endif  // DRAVLEN_ANSI_TEXT_H_
