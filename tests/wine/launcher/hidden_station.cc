#include "hidden_station.h"

#include <windows.h>

#include "report.h"

namespace launcher {

std::string CreateHiddenStation(const std::string& name) {
  const HWINSTA station = CreateWindowStationA(name.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
  if (station == nullptr) Fail("cannot create the window station " + name);
  // A desktop is created in the calling process's station, so the launcher
  // moves into the new one for that and back again.
  const HWINSTA own = GetProcessWindowStation();
  if (own == nullptr || !SetProcessWindowStation(station)) Fail("cannot enter " + name);
  const char kDesktop[] = "desktop";
  const HDESK desktop = CreateDesktopA(kDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (!SetProcessWindowStation(own)) Fail("cannot return to the launcher's window station");
  if (desktop == nullptr) Fail("cannot create a desktop in " + name);
  return name + "\\" + kDesktop;
}

}  // namespace launcher
