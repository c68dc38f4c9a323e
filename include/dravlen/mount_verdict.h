// The answer of the mounted-container query.
#ifndef DRAVLEN_MOUNT_VERDICT_H_
#define DRAVLEN_MOUNT_VERDICT_H_

namespace dravlen {

enum class MountVerdict {
  Mounted,
  NotMounted,
  // The volume-driver component could not be activated or initialised, or
  // its reply could not be read.
  ComponentUnavailable,
};

}  // namespace dravlen

#endif  // DRAVLEN_MOUNT_VERDICT_H_
