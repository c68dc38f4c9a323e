#include "start/command_line.h"

#include <cstddef>

namespace dravlen {
namespace {

bool IsBlank(unsigned char byte) { return byte == ' ' || byte == '\t'; }

// One walk of the line. Without storage it only counts the arguments and
// the bytes their texts take with their terminators; given storage of
// those sizes it also fills it. Both walks take the same steps, and each
// step counts exactly what it stores, so the counts of the first fit the
// second.
class Splitter {
 public:
  Splitter(const char* line, const ByteFlags& isLeadByte, const char** argv, char* texts)
      : next_(reinterpret_cast<const unsigned char*>(line)),
        isLeadByte_(isLeadByte),
        argv_(argv),
        texts_(texts) {}

  void split() {
    programName();
    while (argument()) {
    }
  }

  std::size_t arguments() const { return arguments_; }
  std::size_t bytes() const { return bytes_; }

 private:
  void programName() {
    begin();
    bool quoted = false;
    while (*next_ != '\0' && (quoted || !IsBlank(*next_))) {
      if (*next_ == '"') {
        quoted = !quoted;
        ++next_;
      } else {
        copyCharacter();
      }
    }
    put('\0');
  }

  // False when only blanks and tabs are left.
  bool argument() {
    while (IsBlank(*next_)) ++next_;
    if (*next_ == '\0') return false;
    begin();
    bool quoted = false;
    for (;;) {
      std::size_t backslashes = 0;
      for (; *next_ == '\\'; ++next_) ++backslashes;
      if (*next_ == '"') {
        put('\\', backslashes / 2);
        if (backslashes % 2 == 1) {
          put('"');
          ++next_;
        } else if (quoted && next_[1] == '"') {
          put('"');  // a doubled quote inside a quoted stretch
          next_ += 2;
        } else {
          quoted = !quoted;
          ++next_;
        }
        continue;
      }
      put('\\', backslashes);
      if (*next_ == '\0' || (!quoted && IsBlank(*next_))) {
        put('\0');
        return true;
      }
      copyCharacter();
    }
  }

  // A lead byte last on the line takes nothing with it.
  void copyCharacter() {
    const unsigned char byte = *next_++;
    put(byte);
    if (isLeadByte_[byte] && *next_ != '\0') put(*next_++);
  }

  // The next argument's text starts at the next byte.
  void begin() {
    if (argv_ != nullptr) argv_[arguments_] = texts_ + bytes_;
    ++arguments_;
  }

  void put(unsigned char byte, std::size_t count = 1) {
    for (; count > 0; --count) {
      if (texts_ != nullptr) texts_[bytes_] = static_cast<char>(byte);
      ++bytes_;
    }
  }

  const unsigned char* next_;
  const ByteFlags& isLeadByte_;
  const char** const argv_;
  char* const texts_;
  std::size_t arguments_ = 0;
  std::size_t bytes_ = 0;
};

}  // namespace

ArgumentVector::ArgumentVector(const char* line, const ByteFlags& isLeadByte) {
  Splitter measure(line, isLeadByte, nullptr, nullptr);
  measure.split();
  // The pointers first, where the heap aligns the block for them; then the
  // texts, so that the block ends with the last terminator and a fill that
  // outran its measure would run off the end.
  const std::size_t pointerBytes = (measure.arguments() + 1) * sizeof(const char*);
  block_ = AllocateHeapBlock(pointerBytes + measure.bytes());
  if (!block_) return;
  argv_ = reinterpret_cast<const char**>(block_.get());
  Splitter fill(line, isLeadByte, argv_, block_.get() + pointerBytes);
  fill.split();
  argv_[measure.arguments()] = nullptr;
  argc_ = static_cast<int>(measure.arguments());
}

}  // namespace dravlen
