// The volume-driver component as this program sees it: its class, the
// mount-query interface and the class context it is activated in. The
// component itself belongs to the installed product, not to this program.
#ifndef DRAVLEN_QUERY_VOLUME_DRIVER_H_
#define DRAVLEN_QUERY_VOLUME_DRIVER_H_

#include "platform/platform.h"

namespace dravlen {

// {4B7D02C6-91E3-4F5A-A8D0-3C6E15B27F94}
inline constexpr CLSID kVolumeDriverClsid = {
    0x4B7D02C6, 0x91E3, 0x4F5A, {0xA8, 0xD0, 0x3C, 0x6E, 0x15, 0xB2, 0x7F, 0x94}};

// {D2A46E81-5C0B-4E37-B9F2-71A8C4E03D56}
inline constexpr IID kMountQueryIid = {
    0xD2A46E81, 0x5C0B, 0x4E37, {0xB9, 0xF2, 0x71, 0xA8, 0xC4, 0xE0, 0x3D, 0x56}};

// In-process, handler, local and remote servers: wherever the product
// registered the component.
inline constexpr DWORD kVolumeDriverClassContext = 0x17;

// The vtable order is the contract: Initialize, an operation this program
// never calls, then GetMountedContainers.
struct IMountQuery : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Initialize() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved() = 0;
  // Fills `containers` with the mounted containers' paths (an array of BSTR)
  // or leaves it VT_EMPTY when none is mounted; `companion` receives a
  // second array of BSTR whenever `containers` is not empty.
  virtual HRESULT STDMETHODCALLTYPE GetMountedContainers(VARIANT* containers,
                                                         VARIANT* companion) = 0;
};

}  // namespace dravlen

#endif  // DRAVLEN_QUERY_VOLUME_DRIVER_H_
