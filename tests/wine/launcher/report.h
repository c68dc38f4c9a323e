// What the launcher writes: its report file (with one attachment per box),
// and its own failures, on standard error with status 250.
#ifndef DRAVLEN_TESTS_WINE_LAUNCHER_REPORT_H_
#define DRAVLEN_TESTS_WINE_LAUNCHER_REPORT_H_

#include <string>

namespace launcher {

inline constexpr int kLauncherFailure = 250;

[[noreturn]] void Fail(const std::string& message);

// Without a path, a report that writes nothing.
class Report {
 public:
  explicit Report(std::string path);
  void line(const std::string& text);
  // Written to the file named by the report's path followed by `suffix`.
  void attachment(const std::string& suffix, const std::string& bytes);

 private:
  std::string path_;
};

}  // namespace launcher

#endif  // DRAVLEN_TESTS_WINE_LAUNCHER_REPORT_H_
