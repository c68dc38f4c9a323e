#include "platform/posix/message_text.h"

#include <cstring>

#include "platform/posix/internal.h"

namespace {

struct MessageText {
  DWORD id;
  const char* text;
};

constexpr MessageText kMessages[] = {
    {0x8000FFFF, "Catastrophic failure"},
    {0x80004002, "No such interface supported"},
    {0x80004003, "Invalid pointer"},
    {0x80004005, "Unspecified error"},
    {0x80040111, "ClassFactory cannot supply requested class"},
    {0x80040154, "Class not registered"},
    {0x8007000E, "Not enough memory resources are available to complete this operation."},
    {0x80070057, "The parameter is incorrect."},
};

}  // namespace

DWORD FormatMessageA(DWORD flags, const void*, DWORD messageId, DWORD, LPSTR buffer, DWORD size,
                     va_list*) {
  if (flags != (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS) || buffer == nullptr) {
    return static_cast<DWORD>(standin::internal::Fail(ERROR_INVALID_PARAMETER));
  }
  for (const MessageText& message : kMessages) {
    if (message.id != messageId) continue;
    const std::size_t length = std::strlen(message.text) + 2;  // and CR LF
    if (length + 1 > size)
      return static_cast<DWORD>(standin::internal::Fail(ERROR_INSUFFICIENT_BUFFER));
    std::memcpy(buffer, message.text, length - 2);
    std::memcpy(buffer + length - 2, "\r\n", 3);
    return static_cast<DWORD>(length);
  }
  return static_cast<DWORD>(standin::internal::Fail(ERROR_MR_MID_NOT_FOUND));
}
