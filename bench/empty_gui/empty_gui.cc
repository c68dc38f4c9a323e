// A GUI-subsystem program that imports the DLLs dravlen.exe imports and
// does nothing: the floor under the cost of starting dravlen.exe. Each DLL
// is imported through a call that never happens, as the command line is
// never null, so no window is shown and COM is never started.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const char* line = GetCommandLineA();  // KERNEL32
  if (line != nullptr) return 0;
  MessageBoxA(nullptr, std::getenv("PATH"), "", MB_OK);  // USER32, msvcrt
  SysFreeString(nullptr);                                // OLEAUT32
  CoUninitialize();                                      // ole32
  return 1;
}
