#include "start/fatal_exit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <exception>

namespace dravlen {
namespace {

// What gets past the entry's catch ends the process through std::terminate
// or abort; either must still answer 4 (abort itself answers 3 on Windows).
TEST(FatalExitDeathTest, BackstopsAnswerUnavailable) {
  EXPECT_EXIT(
      {
        InstallFatalExitHandlers();
        std::terminate();
      },
      ::testing::ExitedWithCode(4), "");
  EXPECT_EXIT(
      {
        InstallFatalExitHandlers();
        std::abort();
      },
      ::testing::ExitedWithCode(4), "");
}

}  // namespace
}  // namespace dravlen
