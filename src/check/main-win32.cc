// The Windows entry of a GUI-subsystem program: no console, and the only
// window is the usage box.
#include "check/front_end.h"
#include "platform/platform.h"
#include "start/windows_start.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return dravlen::StartWindowsProgram(&dravlen::Run);
}
