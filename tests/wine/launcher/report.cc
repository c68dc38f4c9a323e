// The report file, started empty and appended to line by line, and the
// launcher's exit on its own failures (the report's "exit" line tells them
// apart from the child's status 250).
#include "report.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace launcher {

void Fail(const std::string& message) {
  std::fprintf(stderr, "launch: %s (error %lu)\n", message.c_str(), GetLastError());
  std::exit(kLauncherFailure);
}

namespace {

void WriteWholeFile(const std::string& path, const std::string& content, bool append) {
  const HANDLE file =
      CreateFileA(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                  append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot write " + path);
  DWORD written = 0;
  if (!content.empty() &&
      (!WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
       written != content.size())) {
    Fail("cannot write " + path);
  }
  CloseHandle(file);
}

}  // namespace

Report::Report(std::string path) : path_(std::move(path)) {
  if (!path_.empty()) WriteWholeFile(path_, std::string(), false);
}

void Report::line(const std::string& text) {
  if (!path_.empty()) WriteWholeFile(path_, text + "\n", true);
}

void Report::attachment(const std::string& suffix, const std::string& bytes) {
  if (!path_.empty()) WriteWholeFile(path_ + suffix, bytes, false);
}

}  // namespace launcher
