// The class the component serves: its id, its class factory, and the count
// of its objects still alive.
#ifndef DRAVLEN_TESTS_WINE_COMPONENT_VOLUME_DRIVER_H_
#define DRAVLEN_TESTS_WINE_COMPONENT_VOLUME_DRIVER_H_

#include <windows.h>

namespace test_volume_driver {

// {4B7D02C6-91E3-4F5A-A8D0-3C6E15B27F94}
inline const CLSID kClsid = {
    0x4B7D02C6, 0x91E3, 0x4F5A, {0xA8, 0xD0, 0x3C, 0x6E, 0x15, 0xB2, 0x7F, 0x94}};
inline const wchar_t kClsidText[] = L"{4B7D02C6-91E3-4F5A-A8D0-3C6E15B27F94}";

// The static class factory's interface `iid`.
HRESULT QueryClassFactory(REFIID iid, void** object);
LONG LiveObjects();

}  // namespace test_volume_driver

#endif  // DRAVLEN_TESTS_WINE_COMPONENT_VOLUME_DRIVER_H_
