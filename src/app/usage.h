// The usage message: the program's only window.
#ifndef DRAVLEN_APP_USAGE_H_
#define DRAVLEN_APP_USAGE_H_

namespace dravlen {

extern const char kUsageCaption[];
extern const char kUsageText[];

// Shows the usage text in a message box with an OK button and the
// information icon, and returns once the user has dismissed it.
void ShowUsage();

}  // namespace dravlen

#endif  // DRAVLEN_APP_USAGE_H_
