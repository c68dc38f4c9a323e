// The Windows version GetVersionExA reports: NT 10.0 (build 19045) by
// default, or what a test set.
#include "platform/posix/version.h"

#include <cstring>
#include <mutex>

#include "platform/posix/internal.h"
#include "platform/posix/testing.h"

namespace {

constexpr DWORD kDefaultPlatform = VER_PLATFORM_WIN32_NT;
constexpr DWORD kDefaultMajorVersion = 10;
constexpr DWORD kWindows10Build = 19045;

struct Version {
  std::mutex mutex;
  DWORD platformId = kDefaultPlatform;
  DWORD majorVersion = kDefaultMajorVersion;
};

Version& TheVersion() {
  static auto* version = new Version;
  return *version;
}

}  // namespace

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  using standin::internal::Fail;
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  Version& version = TheVersion();
  std::lock_guard<std::mutex> lock(version.mutex);
  info->dwPlatformId = version.platformId;
  info->dwMajorVersion = version.majorVersion;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = version.platformId == VER_PLATFORM_WIN32_NT && version.majorVersion == 10
                            ? kWindows10Build
                            : 0;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}

namespace standin {

void SetVersion(DWORD platformId, DWORD majorVersion) {
  Version& version = TheVersion();
  std::lock_guard<std::mutex> lock(version.mutex);
  version.platformId = platformId;
  version.majorVersion = majorVersion;
}

namespace internal {

void ResetVersion() { SetVersion(kDefaultPlatform, kDefaultMajorVersion); }

}  // namespace internal
}  // namespace standin
