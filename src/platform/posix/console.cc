#include "platform/posix/console.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/internal.h"
#include "platform/posix/utf.h"

namespace {

// Handles 1 to 3 stand for descriptors 0 to 2; 0 is never a handle.
int Descriptor(HANDLE handle) {
  const auto value = reinterpret_cast<intptr_t>(handle);
  return value >= 1 && value <= 3 ? static_cast<int>(value - 1) : -1;
}

BOOL WriteAll(int fd, const char* bytes, DWORD length, LPDWORD written) {
  DWORD done = 0;
  while (done < length) {
    const ssize_t wrote = write(fd, bytes + done, length - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += static_cast<DWORD>(wrote);
  }
  if (written != nullptr) *written = done;
  return done == length ? TRUE : standin::internal::Fail(ERROR_INVALID_HANDLE);
}

}  // namespace

HANDLE GetStdHandle(DWORD which) {
  if (which != STD_INPUT_HANDLE && which != STD_OUTPUT_HANDLE && which != STD_ERROR_HANDLE) {
    standin::internal::Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(STD_INPUT_HANDLE - which + 1));
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
  const int fd = Descriptor(console);
  if (fd < 0 || isatty(fd) != 1) return standin::internal::Fail(ERROR_INVALID_HANDLE);
  if (mode != nullptr) *mode = 0;
  return TRUE;
}

BOOL WriteConsoleW(HANDLE console, const void* text, DWORD length, LPDWORD written, LPVOID) {
  const int fd = Descriptor(console);
  if (fd < 0 || isatty(fd) != 1) return standin::internal::Fail(ERROR_INVALID_HANDLE);
  const auto* units = static_cast<const WCHAR*>(text);
  std::string bytes;
  for (DWORD i = 0; i < length; ++i) {
    char32_t c = units[i];
    if (standin::internal::IsHighSurrogate(c) && i + 1 < length &&
        standin::internal::IsLowSurrogate(units[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00u);
    } else if (standin::internal::IsSurrogate(c)) {
      c = standin::internal::kReplacementCharacter;
    }
    char encoded[4];
    bytes.append(encoded, standin::internal::EncodeUtf8(c, encoded));
  }
  DWORD wrote = 0;
  const BOOL ok = WriteAll(fd, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote);
  if (written != nullptr) *written = ok ? length : 0;
  return ok;
}

BOOL WriteFile(HANDLE file, LPCVOID bytes, DWORD length, LPDWORD written, LPOVERLAPPED) {
  const int fd = Descriptor(file);
  if (fd < 0) return standin::internal::Fail(ERROR_INVALID_HANDLE);
  return WriteAll(fd, static_cast<const char*>(bytes), length, written);
}
