// BSTR allocation: the byte-count prefix, the terminating NUL and the count
// of live strings that tests read.
#include "platform/posix/bstr.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/posix/testing.h"

namespace {

std::atomic<std::size_t> liveStrings{0};

// The byte count sits in the 4 bytes before the characters.
constexpr std::size_t kStringPrefix = sizeof(uint32_t);

unsigned char* StringBlock(BSTR text) {
  return reinterpret_cast<unsigned char*>(text) - kStringPrefix;
}

// A string of `length` characters, zeroed and NUL-terminated.
BSTR AllocateString(UINT length) {
  constexpr std::size_t kMaxLength = (UINT32_MAX - sizeof(OLECHAR)) / sizeof(OLECHAR);
  if (length > kMaxLength) return nullptr;
  const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
  auto* block =
      static_cast<unsigned char*>(std::calloc(1, kStringPrefix + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  const auto prefix = static_cast<uint32_t>(bytes);
  std::memcpy(block, &prefix, kStringPrefix);
  ++liveStrings;
  return reinterpret_cast<BSTR>(block + kStringPrefix);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  BSTR result = AllocateString(length);
  if (result != nullptr && text != nullptr) {
    std::memcpy(result, text, std::size_t{length} * sizeof(OLECHAR));
  }
  return result;
}

void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  std::free(StringBlock(text));
  --liveStrings;
}

UINT SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, StringBlock(text), kStringPrefix);
  return bytes / uint32_t{sizeof(OLECHAR)};
}

namespace standin {
std::size_t LiveStringCount() { return liveStrings.load(); }
}  // namespace standin
