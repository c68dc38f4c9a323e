#include "platform/posix/version.h"

#include <gtest/gtest.h>

#include "platform/posix/testing.h"

namespace {

// Each test starts from and leaves behind the default version.
class VersionTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ResetMachine(); }
  void TearDown() override { standin::ResetMachine(); }
};

TEST_F(VersionTest, IsConfigurable) {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(info.dwMajorVersion, 10u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  standin::SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4);
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
  EXPECT_EQ(info.dwMajorVersion, 4u);
  info.dwOSVersionInfoSize = sizeof info + 8;
  SetLastError(0);
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace
