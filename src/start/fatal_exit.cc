#include "start/fatal_exit.h"

#include <csignal>
#include <cstdlib>
#include <exception>

#include "dravlen/result_code.h"

namespace dravlen {
namespace {

void OnAbortSignal(int) { ExitUnavailable(); }

}  // namespace

void ExitUnavailable() { std::_Exit(static_cast<int>(ResultCode::ComponentUnavailable)); }

void InstallFatalExitHandlers() {
  std::set_terminate(&ExitUnavailable);
  std::signal(SIGABRT, &OnAbortSignal);
}

}  // namespace dravlen
