#include "platform/posix/console.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/posix/code_pages.h"
#include "platform/posix/internal.h"
#include "platform/posix/testing.h"

namespace {

// A handle is its descriptor plus 1: 0 is never a handle.
int Descriptor(HANDLE handle) {
  const auto value = reinterpret_cast<intptr_t>(handle);
  return value >= 1 && value <= INT32_MAX ? static_cast<int>(value - 1) : -1;
}

HANDLE g_standardHandles[3] = {standin::HandleOfDescriptor(0), standin::HandleOfDescriptor(1),
                               standin::HandleOfDescriptor(2)};

// 0 to 2 for standard input, output and error; -1 for anything else.
int StandardIndex(DWORD which) {
  return which == STD_INPUT_HANDLE || which == STD_OUTPUT_HANDLE || which == STD_ERROR_HANDLE
             ? static_cast<int>(STD_INPUT_HANDLE - which)
             : -1;
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

HANDLE standin::HandleOfDescriptor(int fd) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

HANDLE GetStdHandle(DWORD which) {
  const int index = StandardIndex(which);
  if (index < 0) {
    standin::internal::Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return g_standardHandles[index];
}

BOOL SetStdHandle(DWORD which, HANDLE handle) {
  const int index = StandardIndex(which);
  if (index < 0) return standin::internal::Fail(ERROR_INVALID_PARAMETER);
  g_standardHandles[index] = handle;
  return TRUE;
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
  // The terminal takes UTF-8; lone surrogates become U+FFFD, as they do in
  // any conversion to UTF-8.
  const auto* units = static_cast<const WCHAR*>(text);
  const int size = static_cast<int>(length);
  std::string bytes;
  if (length > 0) {
    bytes.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, units, size, nullptr, 0, nullptr, nullptr)));
    WideCharToMultiByte(CP_UTF8, 0, units, size, &bytes[0], static_cast<int>(bytes.size()), nullptr,
                        nullptr);
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
