#include "app/command_line.h"

#include <cstddef>

namespace dravlen {
namespace {

bool IsBlank(unsigned char byte) { return byte == ' ' || byte == '\t'; }

class Splitter {
 public:
  Splitter(const char* line, const ByteFlags& isLeadByte)
      : next_(reinterpret_cast<const unsigned char*>(line)), isLeadByte_(isLeadByte) {}

  std::string programName() {
    std::string name;
    bool quoted = false;
    while (*next_ != '\0' && (quoted || !IsBlank(*next_))) {
      if (*next_ == '"') {
        quoted = !quoted;
        ++next_;
      } else {
        copyCharacter(name);
      }
    }
    return name;
  }

  // False when only blanks and tabs are left.
  bool argument(std::string& argument) {
    while (IsBlank(*next_)) ++next_;
    if (*next_ == '\0') return false;
    argument.clear();
    bool quoted = false;
    for (;;) {
      std::size_t backslashes = 0;
      for (; *next_ == '\\'; ++next_) ++backslashes;
      if (*next_ == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument.push_back('"');
          ++next_;
        } else if (quoted && next_[1] == '"') {
          argument.push_back('"');  // a doubled quote inside a quoted stretch
          next_ += 2;
        } else {
          quoted = !quoted;
          ++next_;
        }
        continue;
      }
      argument.append(backslashes, '\\');
      if (*next_ == '\0' || (!quoted && IsBlank(*next_))) return true;
      copyCharacter(argument);
    }
  }

 private:
  // A lead byte last on the line takes nothing with it.
  void copyCharacter(std::string& out) {
    const unsigned char byte = *next_++;
    out.push_back(static_cast<char>(byte));
    if (isLeadByte_[byte] && *next_ != '\0') out.push_back(static_cast<char>(*next_++));
  }

  const unsigned char* next_;
  const ByteFlags& isLeadByte_;
};

}  // namespace

std::vector<std::string> SplitCommandLine(const char* line, const ByteFlags& isLeadByte) {
  Splitter splitter(line, isLeadByte);
  std::vector<std::string> arguments{splitter.programName()};
  std::string argument;
  while (splitter.argument(argument)) arguments.push_back(argument);
  return arguments;
}

}  // namespace dravlen
