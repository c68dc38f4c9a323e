// An owned iconv conversion and the UTF-32LE units the stand-in exchanges
// with it. Neither the program nor its tests include this header.
#ifndef DRAVLEN_PLATFORM_POSIX_ICONV_HANDLE_H_
#define DRAVLEN_PLATFORM_POSIX_ICONV_HANDLE_H_

#include <iconv.h>

#include <cstddef>

namespace standin {
namespace internal {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(handle_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in` into `out`; false unless every byte converted.
  bool Convert(const void* in, std::size_t inLength, char* out, std::size_t outCapacity,
               std::size_t* written) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char* inCursor = const_cast<char*>(static_cast<const char*>(in));
    std::size_t inLeft = inLength;
    char* outCursor = out;
    std::size_t outLeft = outCapacity;
    const std::size_t failed = static_cast<std::size_t>(-1);
    if (iconv(handle_, &inCursor, &inLeft, &outCursor, &outLeft) == failed || inLeft != 0) {
      return false;
    }
    if (iconv(handle_, nullptr, nullptr, &outCursor, &outLeft) == failed) return false;
    *written = outCapacity - outLeft;
    return true;
  }

 private:
  iconv_t handle_;
};

inline char32_t ReadUtf32Le(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return static_cast<char32_t>(b[0]) | static_cast<char32_t>(b[1]) << 8 |
         static_cast<char32_t>(b[2]) << 16 | static_cast<char32_t>(b[3]) << 24;
}

inline void WriteUtf32Le(char32_t c, char* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((c >> (8 * i)) & 0xFF);
}

}  // namespace internal
}  // namespace standin

#endif  // DRAVLEN_PLATFORM_POSIX_ICONV_HANDLE_H_
