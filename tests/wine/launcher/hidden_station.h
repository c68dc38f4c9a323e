// A window station without visible display surfaces, such as a service or
// a remote shell runs in, for the child to be started in.
#ifndef DRAVLEN_TESTS_WINE_LAUNCHER_HIDDEN_STATION_H_
#define DRAVLEN_TESTS_WINE_LAUNCHER_HIDDEN_STATION_H_

#include <string>

namespace launcher {

// Creates the window station `name` with one desktop in it, and returns
// "name\desktop" for STARTUPINFOA.lpDesktop. A station the launcher creates
// is not the interactive one, so it has no visible display surfaces. Both
// live as long as the launcher.
std::string CreateHiddenStation(const std::string& name);

}  // namespace launcher

#endif  // DRAVLEN_TESTS_WINE_LAUNCHER_HIDDEN_STATION_H_
