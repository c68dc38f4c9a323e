// The process exit status: the program's whole answer to a batch script,
// which reads it as its error level.
#ifndef DRAVLEN_RESULT_CODE_H_
#define DRAVLEN_RESULT_CODE_H_

namespace dravlen {

// 2 is never produced: scripts test "if errorlevel N", which means N or more.
enum class ResultCode : int {
  NotMounted = 0,
  Mounted = 1,
  InvalidArguments = 3,
  ComponentUnavailable = 4,
};

}  // namespace dravlen

#endif  // DRAVLEN_RESULT_CODE_H_
