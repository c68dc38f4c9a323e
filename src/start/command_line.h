// Splits the process's ANSI command line into arguments, by the program's
// own rules, so that they do not depend on the C runtime it is built with.
#ifndef DRAVLEN_START_COMMAND_LINE_H_
#define DRAVLEN_START_COMMAND_LINE_H_

#include "dravlen/heap_block.h"
#include "query/comparison_code_page.h"

namespace dravlen {

// The arguments as a C program's entry receives them: argc() texts, and a
// null pointer after the last. The line is walked twice, as the C runtime
// walks it: once to measure, once to fill one block of exactly that size
// with the pointers and then the texts, so that nothing grows while the
// line is split.
//
// Element 0 is the program's name: it ends at the first blank or tab
// outside double quotes, and its quotes are dropped. Arguments follow the
// usual backslash and double-quote rules. A lead byte takes the next byte
// with it, so a trail byte is never read as a quote, blank or backslash.
class ArgumentVector {
 public:
  ArgumentVector(const char* line, const ByteFlags& isLeadByte);
  ArgumentVector(const ArgumentVector&) = delete;
  ArgumentVector& operator=(const ArgumentVector&) = delete;

  // At least 1, for the program's name; 0 when the block could not be
  // obtained, and argv() is then null.
  int argc() const { return argc_; }
  const char* const* argv() const { return argv_; }

 private:
  HeapBlock block_;
  const char** argv_ = nullptr;  // the start of block_
  int argc_ = 0;
};

}  // namespace dravlen

#endif  // DRAVLEN_START_COMMAND_LINE_H_
