// The process's command line, file name, error mode and exception filter,
// and its end.
#include "platform/posix/process.h"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/posix/internal.h"
#include "platform/posix/testing.h"

namespace {

struct ProcessState {
  std::mutex mutex;
  std::string commandLine;
  std::string fileName;
};

std::string ExecutablePath() {
  char path[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

// Never destroyed, so that a command line handed out stays valid to exit.
ProcessState& State() {
  static ProcessState* state = [] {
    auto* fresh = new ProcessState;
    fresh->fileName = ExecutablePath();
    fresh->commandLine = fresh->fileName;
    return fresh;
  }();
  return *state;
}

std::atomic<UINT> errorMode{0};
std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> exceptionFilter{nullptr};

HANDLE CurrentProcessHandle() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

}  // namespace

LPSTR GetCommandLineA() {
  standin::internal::LogCall("GetCommandLineA");
  ProcessState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return &state.commandLine[0];
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  standin::internal::LogCall("GetModuleFileNameA");
  if (module != nullptr) return static_cast<DWORD>(standin::internal::Fail(ERROR_MOD_NOT_FOUND));
  ProcessState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (size == 0) return static_cast<DWORD>(standin::internal::Fail(ERROR_INSUFFICIENT_BUFFER));
  if (state.fileName.size() >= size) {
    std::memcpy(fileName, state.fileName.data(), size - 1);
    fileName[size - 1] = '\0';
    standin::internal::Fail(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(fileName, state.fileName.c_str(), state.fileName.size() + 1);
  return static_cast<DWORD>(state.fileName.size());
}

UINT SetErrorMode(UINT mode) {
  standin::internal::LogCall("SetErrorMode");
  return errorMode.exchange(mode);
}

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
  standin::internal::LogCall("SetUnhandledExceptionFilter");
  return exceptionFilter.exchange(filter);
}

HANDLE GetCurrentProcess() { return CurrentProcessHandle(); }

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  standin::internal::LogCall("TerminateProcess");
  if (process != CurrentProcessHandle()) return standin::internal::Fail(ERROR_INVALID_HANDLE);
  _exit(static_cast<int>(exitCode));
}

namespace standin {

void SetCommandLine(const std::string& line) {
  ProcessState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.commandLine = line;
}

void SetModuleFileName(const std::string& path) {
  ProcessState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.fileName = path;
}

UINT ErrorMode() { return errorMode.load(); }

LPTOP_LEVEL_EXCEPTION_FILTER InstalledExceptionFilter() { return exceptionFilter.load(); }

namespace internal {

void ResetProcess() {
  const std::string path = ExecutablePath();
  SetModuleFileName(path);
  SetCommandLine(path);
  errorMode.store(0);
  exceptionFilter.store(nullptr);
}

}  // namespace internal
}  // namespace standin
