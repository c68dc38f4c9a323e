/* The floor under the cost of one run of dravlen.exe: a plain C program
   that does what the utility must do at the least, and nothing else. It
   checks the argument count (a usage box when it is wrong, so it imports
   user32 as the utility does), then makes the same COM conversation with
   the volume-driver component: create, run, ask for the mount-query
   interface, Initialize, GetMountedContainers, release. It compares no
   path and answers 0, or 4 when the component cannot be had. */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <ole2.h>
#include <oleauto.h>
#include <stdlib.h>
#include <windows.h>

static const CLSID kVolumeDriverClsid = {
    0x4B7D02C6, 0x91E3, 0x4F5A, {0xA8, 0xD0, 0x3C, 0x6E, 0x15, 0xB2, 0x7F, 0x94}};
static const IID kMountQueryIid = {
    0xD2A46E81, 0x5C0B, 0x4E37, {0xB9, 0xF2, 0x71, 0xA8, 0xC4, 0xE0, 0x3D, 0x56}};

typedef struct MountQuery MountQuery;
typedef struct MountQueryVtbl {
  HRESULT(STDMETHODCALLTYPE* QueryInterface)(MountQuery*, REFIID, void**);
  ULONG(STDMETHODCALLTYPE* AddRef)(MountQuery*);
  ULONG(STDMETHODCALLTYPE* Release)(MountQuery*);
  HRESULT(STDMETHODCALLTYPE* Initialize)(MountQuery*);
  HRESULT(STDMETHODCALLTYPE* Reserved)(MountQuery*);
  HRESULT(STDMETHODCALLTYPE* GetMountedContainers)(MountQuery*, VARIANT*, VARIANT*);
} MountQueryVtbl;
struct MountQuery {
  const MountQueryVtbl* lpVtbl;
};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  IUnknown* unknown = NULL;
  MountQuery* query = NULL;
  HRESULT status;
  int answer = 4;
  (void)instance, (void)previous, (void)line, (void)show;

  if (__argc != 2) {
    MessageBoxA(NULL, "usage", "floor", MB_OK | MB_ICONINFORMATION);
    return 3;
  }
  CoInitialize(NULL);
  status = CoCreateInstance(&kVolumeDriverClsid, NULL, 0x17, &IID_IUnknown, (void**)&unknown);
  if (SUCCEEDED(status)) {
    status = OleRun(unknown);
    if (SUCCEEDED(status)) {
      status = unknown->lpVtbl->QueryInterface(unknown, &kMountQueryIid, (void**)&query);
    }
    unknown->lpVtbl->Release(unknown);
  }
  if (status == S_OK && query != NULL && query->lpVtbl->Initialize(query) == S_OK) {
    VARIANT containers, companion;
    VariantInit(&containers);
    VariantInit(&companion);
    query->lpVtbl->GetMountedContainers(query, &containers, &companion);
    VariantClear(&containers);
    VariantClear(&companion);
    answer = 0;
  }
  if (query != NULL) query->lpVtbl->Release(query);
  CoUninitialize();
  return answer;
}
