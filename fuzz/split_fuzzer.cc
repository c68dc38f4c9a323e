// Command-line splitting over arbitrary bytes. The first input byte picks
// the lead-byte table (one of the double-byte code pages, or none); the
// rest is the line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "start/command_line.h"

namespace {

using dravlen::ByteFlags;

ByteFlags LeadBytesOf(std::size_t choice) {
  ByteFlags flags{};
  if (choice >= dravlen::DoubleByteCodePages.size()) return flags;
  for (const auto& range : dravlen::DoubleByteCodePages[choice].leadByteRanges) {
    if (range.first == 0) continue;
    for (unsigned byte = range.first; byte <= range.last; ++byte) flags[byte] = true;
  }
  return flags;
}

// Quotes, backslashes, blanks and tabs steer the splitting; every other
// byte is copied out exactly once, in order, whatever the lead bytes.
// The texts of the argument vector; its block is exactly as long as the
// walk that measured it said, so a fill that outruns the measure is caught.
std::vector<std::string> Split(const char* line, const ByteFlags& leadBytes) {
  const dravlen::ArgumentVector arguments(line, leadBytes);
  FUZZ_CHECK(arguments.argc() >= 1);
  FUZZ_CHECK(arguments.argv()[arguments.argc()] == nullptr);
  return std::vector<std::string>(arguments.argv(), arguments.argv() + arguments.argc());
}

bool IsPlain(char c) { return c != '"' && c != '\\' && c != ' ' && c != '\t'; }

std::string PlainBytes(const std::string& text) {
  std::string plain;
  for (const char c : text) {
    if (IsPlain(c)) plain.push_back(c);
  }
  return plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const ByteFlags kNoLeadBytes{};
  const ByteFlags leadBytes = LeadBytesOf(data[0] % (dravlen::DoubleByteCodePages.size() + 1));
  const bool hasLeadBytes = leadBytes != kNoLeadBytes;

  // Exactly the line and its terminator, so that reading past it is caught.
  std::vector<char> buffer(size);
  std::copy(data + 1, data + size, buffer.begin());
  const std::string line(buffer.data());

  const std::vector<std::string> arguments = Split(buffer.data(), leadBytes);
  FUZZ_CHECK(!arguments.empty());
  // Quotes in the program's name are dropped; only a trail byte can be one.
  if (!hasLeadBytes) FUZZ_CHECK(arguments[0].find('"') == std::string::npos);

  std::string joined;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    FUZZ_CHECK(arguments[i].find('\0') == std::string::npos);
    // Only quoted stretches make empty arguments, and they take two bytes.
    if (i > 0 && arguments[i].empty()) FUZZ_CHECK(line.find('"') != std::string::npos);
    joined += arguments[i];
  }
  FUZZ_CHECK(joined.size() <= line.size());
  FUZZ_CHECK(PlainBytes(joined) == PlainBytes(line));

  FUZZ_CHECK(Split(buffer.data(), leadBytes) == arguments);

  // Lead bytes are all above 0x80: a line without such bytes splits the
  // same under every table.
  bool ascii = true;
  for (const char c : line) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) FUZZ_CHECK(Split(buffer.data(), kNoLeadBytes) == arguments);
  return 0;
}
