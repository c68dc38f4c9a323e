// The entry points test_volume_driver.def exports: process attach and exit
// (where the ledger gets its balance), the class object, the unload query,
// and the class's registration under HKEY_CLASSES_ROOT (what regsvr32 calls).
#include <windows.h>

#include <olectl.h>

#include <string>

#include "ledger.h"
#include "scenario.h"
#include "volume_driver.h"

namespace test_volume_driver {
namespace {

HMODULE g_module = nullptr;

std::wstring ClassKeyPath() { return std::wstring(L"CLSID\\") + kClsidText; }

bool SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    RecordExitBalance(LiveObjects());
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  const Scenario& scenario = TheScenario();
  Record("class-object " + Hex(static_cast<unsigned long>(scenario.classObject)));
  if (!scenario.errors.empty()) return E_UNEXPECTED;
  if (scenario.classObject != S_OK) return scenario.classObject;
  return QueryClassFactory(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return LiveObjects() == 0 && !SpyRegistered() ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
  HKEY server = nullptr;
  const std::wstring keyPath = ClassKeyPath() + L"\\InprocServer32";
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                      &server, nullptr) != ERROR_SUCCESS) {
    return SELFREG_E_CLASS;
  }
  const bool ok =
      SetString(server, nullptr, path) && SetString(server, L"ThreadingModel", L"Apartment");
  RegCloseKey(server);
  return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath().c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

}  // namespace test_volume_driver
