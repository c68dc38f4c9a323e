// The ledger file and the malloc spy that tells whether every block of a
// reply was freed exactly once. Set OANOCACHE=1 so that freed strings reach
// the allocator instead of the string cache.
#include "ledger.h"

#include <ole2.h>

#include <cstdio>
#include <map>

namespace test_volume_driver {

std::wstring EnvironmentVariable(const wchar_t* name) {
  wchar_t buffer[4096];
  const DWORD length = GetEnvironmentVariableW(name, buffer, ARRAYSIZE(buffer));
  if (length == 0 || length >= ARRAYSIZE(buffer)) return std::wstring();
  return std::wstring(buffer, length);
}

void Record(const std::string& line) {
  static const std::wstring path = EnvironmentVariable(L"DRAVLEN_TEST_LEDGER");
  if (path.empty()) return;
  const HANDLE file =
      CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", value);
  return text;
}

namespace {

// Notes the blocks allocated while watching and counts how often each is
// freed afterwards.
class AllocationSpy : public IMallocSpy {
 public:
  void watch(bool on) { watching_ = on; }

  size_t handedOut() const { return freeCounts_.size(); }
  size_t stillAllocated() const {
    size_t count = 0;
    for (const auto& block : freeCounts_) count += block.second == 0 ? 1 : 0;
    return count;
  }
  size_t freedTwice() const {
    size_t count = 0;
    for (const auto& block : freeCounts_) count += block.second > 1 ? 1 : 0;
    return count;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy)) {
      *object = static_cast<IMallocSpy*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Static lifetime: lives as long as the pinned module.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
  void* STDMETHODCALLTYPE PostAlloc(void* actual) override {
    if (watching_ && actual != nullptr) freeCounts_[actual] = 0;
    return actual;
  }
  void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override {
    const auto block = freeCounts_.find(request);
    if (block != freeCounts_.end()) ++block->second;
    return request;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest,
                                      BOOL) override {
    *newRequest = request;
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
  void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}

 private:
  bool watching_ = false;
  std::map<void*, unsigned> freeCounts_;
};

AllocationSpy g_spy;
bool g_spyRegistered = false;

}  // namespace

void RegisterSpy() {
  if (g_spyRegistered) return;
  // The module must stay loaded while the spy is registered, and the
  // program may free the reply after COM has unloaded the component.
  HMODULE pinned = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&RegisterSpy), &pinned);
  const HRESULT hr = CoRegisterMallocSpy(&g_spy);
  g_spyRegistered = SUCCEEDED(hr);
  if (!g_spyRegistered) Record("error CoRegisterMallocSpy " + Hex(static_cast<unsigned long>(hr)));
}

bool SpyRegistered() { return g_spyRegistered; }

void WatchAllocations(bool on) { g_spy.watch(on); }

void RecordExitBalance(LONG liveObjects) {
  std::string line = "exit live-objects=" + std::to_string(liveObjects);
  if (g_spyRegistered) {
    // Reached at process exit only: the module pinned itself with the spy.
    line += " blocks-handed-out=" + std::to_string(g_spy.handedOut()) +
            " blocks-not-freed=" + std::to_string(g_spy.stillAllocated()) +
            " blocks-freed-twice=" + std::to_string(g_spy.freedTwice());
  }
  Record(line);
}

}  // namespace test_volume_driver
