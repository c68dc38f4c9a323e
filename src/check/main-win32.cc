// The Windows entry of a GUI-subsystem program: no console, and the only
// window is the usage box.
#include "app/front_end.h"
#include "app/windows_start.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return dravlen::StartWindowsProgram(&dravlen::Run);
}
