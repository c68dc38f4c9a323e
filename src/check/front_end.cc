#include "check/front_end.h"

#include "check/usage.h"
#include "query/query_mounted.h"

namespace dravlen {
namespace {

ResultCode ToResultCode(MountVerdict verdict) {
  switch (verdict) {
    case MountVerdict::Mounted:
      return ResultCode::Mounted;
    case MountVerdict::NotMounted:
      return ResultCode::NotMounted;
    case MountVerdict::ComponentUnavailable:
      break;
  }
  return ResultCode::ComponentUnavailable;
}

}  // namespace

ResultCode Run(int argc, const char* const* argv) {
  if (argc != 2) {
    ShowUsage();
    return ResultCode::InvalidArguments;
  }
  // The one place that catches: an unreadable reply, exhausted memory or a
  // missing interface all mean the component could not answer. Letting them
  // escape would end in abort, whose status 3 claims a usage error.
  try {
    return ToResultCode(QueryMounted(argv[1]));
  } catch (...) {
    return ResultCode::ComponentUnavailable;
  }
}

}  // namespace dravlen
