// The usage message: the program's only window.
#ifndef DRAVLEN_CHECK_USAGE_H_
#define DRAVLEN_CHECK_USAGE_H_

namespace dravlen {

extern const char kUsageCaption[];
extern const char kUsageText[];

// Shows the usage text in a message box with an OK button and the
// information icon, and returns once the user has dismissed it. Where no
// one can see a box (a window station without visible display surfaces:
// a service, a scheduled task run with nobody logged on, a remote shell)
// it returns at once and shows nothing, since such a box could never be
// dismissed.
void ShowUsage();

}  // namespace dravlen

#endif  // DRAVLEN_CHECK_USAGE_H_
