// A stand-in for the volume-driver component, for running dravlen.exe end
// to end. Every process reads the reply it is to give from the scenario file
// named by DRAVLEN_TEST_SCENARIO and appends what the program did with the
// component to the ledger file named by DRAVLEN_TEST_LEDGER.
//
// Scenario lines (key=value; blank lines and lines starting with # are
// skipped; an unknown key or a bad value makes the class unavailable and is
// written to the ledger as an error):
//   class_object=HR     status of DllGetClassObject
//   create=HR           status of IClassFactory::CreateInstance
//   run=none|HR         none: no IRunnableObject; else what its Run returns
//   interface=present|missing
//   initialize=HR       status of Initialize
//   get_status=HR       status of GetMountedContainers (the reply is filled
//                       in all the same)
//   first=KIND          containers reply, see ReplyKind (default array)
//   second=KIND         companion reply (default array, or empty when first
//                       is empty)
//   lbound=N            lower bound of every array handed out
//   dims=1|2            dimensions of the string arrays
//   columns=N           elements of dimension 2 when dims=2; the entries
//                       then fill dimension 1 once per index of dimension 2
//   entry=TEXT          a container, in order; <null> for a null BSTR
//   companion=TEXT      a companion element; by default one "X:" per entry
//   crash=none|initialize|get   access violation on purpose
// HR is a name (S_OK, E_FAIL, ...) or a number (0x80004005, 1). TEXT is
// UTF-8 with \u{HEX} for any UTF-16 code unit or code point, which is how an
// embedded NUL (\u{0}) or a lone surrogate is written; every other
// backslash stands for itself.
//
// The ledger has one line per event. At process exit it gets the balance:
// live objects, blocks of the replies still allocated, and blocks freed
// twice. The task allocator is watched with a malloc spy while a reply is
// built, so every array and string handed out is known; the module pins
// itself so that the spy outlives CoUninitialize. Set OANOCACHE=1 so that
// freed strings reach the allocator instead of the string cache.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// {4B7D02C6-91E3-4F5A-A8D0-3C6E15B27F94}
const CLSID kClsid = {0x4B7D02C6, 0x91E3, 0x4F5A, {0xA8, 0xD0, 0x3C, 0x6E, 0x15, 0xB2, 0x7F, 0x94}};
const wchar_t kClsidText[] = L"{4B7D02C6-91E3-4F5A-A8D0-3C6E15B27F94}";

// {D2A46E81-5C0B-4E37-B9F2-71A8C4E03D56}
const IID kMountQueryIid = {
    0xD2A46E81, 0x5C0B, 0x4E37, {0xB9, 0xF2, 0x71, 0xA8, 0xC4, 0xE0, 0x3D, 0x56}};

// Declared here from the interface contract rather than taken from the
// program, so that a wrong declaration on either side shows up as a fault.
struct IMountQuery : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Initialize() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMountedContainers(VARIANT* containers,
                                                         VARIANT* companion) = 0;
};

HMODULE g_module = nullptr;
LONG g_liveObjects = 0;

// ---------------------------------------------------------------------------
// Ledger

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

// ---------------------------------------------------------------------------
// Scenario

enum class ReplyKind {
  Empty,          // VT_EMPTY
  Array,          // VT_ARRAY | VT_BSTR
  NullArray,      // VT_ARRAY | VT_BSTR with a null parray
  Bstr,           // VT_BSTR holding the first entry
  I4Array,        // VT_ARRAY | VT_I4
  ByrefArray,     // VT_BYREF | VT_ARRAY | VT_BSTR, the array kept by the component
  VariantArray,   // VT_ARRAY | VT_VARIANT, each element a VT_BSTR
  MistypedArray,  // tagged VT_ARRAY | VT_BSTR, but an array of VT_I4
};

struct Entry {
  bool isNull = false;
  std::wstring text;
};

struct Scenario {
  HRESULT classObject = S_OK;
  HRESULT create = S_OK;
  bool runnable = false;
  HRESULT run = S_OK;
  bool interfacePresent = true;
  HRESULT initialize = S_OK;
  HRESULT getStatus = S_OK;
  ReplyKind first = ReplyKind::Array;
  bool secondGiven = false;
  ReplyKind second = ReplyKind::Array;
  LONG lowerBound = 0;
  unsigned dims = 1;
  ULONG columns = 1;
  std::vector<Entry> entries;
  bool companionsGiven = false;
  std::vector<Entry> companions;
  std::string crash = "none";
  std::vector<std::string> errors;
};

bool ParseNumber(const std::string& text, long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 0);
  return end != nullptr && *end == '\0';
}

bool ParseStatus(const std::string& text, HRESULT& status) {
  static const std::map<std::string, HRESULT> kNames = {
      {"S_OK", S_OK},
      {"S_FALSE", S_FALSE},
      {"E_FAIL", E_FAIL},
      {"E_NOINTERFACE", E_NOINTERFACE},
      {"E_OUTOFMEMORY", E_OUTOFMEMORY},
      {"E_UNEXPECTED", E_UNEXPECTED},
      {"E_ACCESSDENIED", E_ACCESSDENIED},
      {"E_INVALIDARG", E_INVALIDARG},
      {"REGDB_E_CLASSNOTREG", REGDB_E_CLASSNOTREG},
      {"CLASS_E_CLASSNOTAVAILABLE", CLASS_E_CLASSNOTAVAILABLE},
      {"CO_E_SERVER_EXEC_FAILURE", CO_E_SERVER_EXEC_FAILURE},
      {"RPC_E_SERVERFAULT", RPC_E_SERVERFAULT},
  };
  const auto named = kNames.find(text);
  if (named != kNames.end()) {
    status = named->second;
    return true;
  }
  long long value = 0;
  if (!ParseNumber(text, value) || value < -0x80000000LL || value > 0xFFFFFFFFLL) return false;
  status = static_cast<HRESULT>(static_cast<unsigned long>(value));
  return true;
}

bool ParseReplyKind(const std::string& text, ReplyKind& kind) {
  static const std::map<std::string, ReplyKind> kNames = {
      {"empty", ReplyKind::Empty},
      {"array", ReplyKind::Array},
      {"null-array", ReplyKind::NullArray},
      {"bstr", ReplyKind::Bstr},
      {"i4-array", ReplyKind::I4Array},
      {"byref-array", ReplyKind::ByrefArray},
      {"variant-array", ReplyKind::VariantArray},
      {"mistyped-array", ReplyKind::MistypedArray},
  };
  const auto named = kNames.find(text);
  if (named == kNames.end()) return false;
  kind = named->second;
  return true;
}

void AppendUtf8(std::wstring& out, const std::string& text) {
  if (text.empty()) return;
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring converted(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &converted[0],
                      length);
  out += converted;
}

bool ParseText(const std::string& text, Entry& entry) {
  if (text == "<null>") {
    entry.isNull = true;
    return true;
  }
  size_t done = 0;
  for (;;) {
    const size_t escape = text.find("\\u{", done);
    AppendUtf8(entry.text, text.substr(done, escape - done));
    if (escape == std::string::npos) return true;
    const size_t close = text.find('}', escape);
    if (close == std::string::npos) return false;
    const std::string digits = text.substr(escape + 3, close - escape - 3);
    char* end = nullptr;
    const unsigned long code = std::strtoul(digits.c_str(), &end, 16);
    if (digits.empty() || *end != '\0' || code > 0x10FFFF) return false;
    if (code >= 0x10000) {
      entry.text.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
      entry.text.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      entry.text.push_back(static_cast<wchar_t>(code));
    }
    done = close + 1;
  }
}

void ParseLine(Scenario& scenario, const std::string& line) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) {
    scenario.errors.push_back("no '=' in: " + line);
    return;
  }
  const std::string key = line.substr(0, equals);
  const std::string value = line.substr(equals + 1);
  bool ok = true;
  long long number = 0;
  if (key == "class_object") {
    ok = ParseStatus(value, scenario.classObject);
  } else if (key == "create") {
    ok = ParseStatus(value, scenario.create);
  } else if (key == "run") {
    scenario.runnable = value != "none";
    ok = !scenario.runnable || ParseStatus(value, scenario.run);
  } else if (key == "interface") {
    ok = value == "present" || value == "missing";
    scenario.interfacePresent = value == "present";
  } else if (key == "initialize") {
    ok = ParseStatus(value, scenario.initialize);
  } else if (key == "get_status") {
    ok = ParseStatus(value, scenario.getStatus);
  } else if (key == "first") {
    ok = ParseReplyKind(value, scenario.first);
  } else if (key == "second") {
    scenario.secondGiven = true;
    ok = ParseReplyKind(value, scenario.second);
  } else if (key == "lbound") {
    ok = ParseNumber(value, number) && number >= -0x80000000LL && number <= 0x7FFFFFFFLL;
    scenario.lowerBound = static_cast<LONG>(number);
  } else if (key == "dims") {
    ok = ParseNumber(value, number) && (number == 1 || number == 2);
    scenario.dims = static_cast<unsigned>(number);
  } else if (key == "columns") {
    ok = ParseNumber(value, number) && number >= 1 && number <= 16;
    scenario.columns = static_cast<ULONG>(number);
  } else if (key == "entry" || key == "companion") {
    Entry entry;
    ok = ParseText(value, entry);
    if (key == "entry") {
      scenario.entries.push_back(entry);
    } else {
      scenario.companionsGiven = true;
      scenario.companions.push_back(entry);
    }
  } else if (key == "crash") {
    ok = value == "none" || value == "initialize" || value == "get";
    scenario.crash = value;
  } else {
    scenario.errors.push_back("unknown key: " + key);
    return;
  }
  if (!ok) scenario.errors.push_back("bad value: " + line);
}

Scenario LoadScenario() {
  Scenario scenario;
  const std::wstring path = EnvironmentVariable(L"DRAVLEN_TEST_SCENARIO");
  if (!path.empty()) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      scenario.errors.push_back("cannot open the scenario file");
      return scenario;
    }
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got != 0) {
      content.append(buffer, got);
    }
    CloseHandle(file);
    size_t start = 0;
    while (start < content.size()) {
      size_t end = content.find('\n', start);
      if (end == std::string::npos) end = content.size();
      std::string line = content.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] != '#') ParseLine(scenario, line);
      start = end + 1;
    }
  }
  if (!scenario.secondGiven) {
    scenario.second = scenario.first == ReplyKind::Empty ? ReplyKind::Empty : ReplyKind::Array;
  }
  if (!scenario.companionsGiven) {
    scenario.companions.assign(scenario.entries.size(), Entry{false, L"X:"});
  }
  if (scenario.dims == 2 && (scenario.entries.size() % scenario.columns != 0 ||
                             scenario.companions.size() % scenario.columns != 0)) {
    scenario.errors.push_back("dims=2 needs a whole number of entries per column");
  }
  for (const std::string& error : scenario.errors) Record("error " + error);
  return scenario;
}

const Scenario& TheScenario() {
  static const Scenario scenario = LoadScenario();
  return scenario;
}

[[noreturn]] void CrashOnPurpose() {
  Record("crash");
  *static_cast<volatile int*>(nullptr) = 0;
  std::abort();
}

// ---------------------------------------------------------------------------
// Allocation watch: a malloc spy that notes the blocks allocated while a reply
// is built and counts how often each is freed afterwards.

class AllocationSpy : public IMallocSpy {
 public:
  // The blocks allocated from now on belong to the reply.
  void startWatching() { watching_ = true; }
  void stopWatching() { watching_ = false; }

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

// ---------------------------------------------------------------------------
// Replies

BSTR MakeString(const Entry& entry) {
  if (entry.isNull) return nullptr;
  return SysAllocStringLen(entry.text.data(), static_cast<UINT>(entry.text.size()));
}

SAFEARRAY* MakeArray(VARTYPE type, const std::vector<Entry>& entries) {
  const Scenario& scenario = TheScenario();
  // Bounds in the order of the dimensions. Dimension 1 varies fastest in
  // memory, so with two dimensions the entries fill dimension 1 for the
  // first index of dimension 2, then for the next.
  const UINT dims = type == VT_I4 ? 1 : scenario.dims;
  const ULONG count = static_cast<ULONG>(entries.size());
  SAFEARRAYBOUND bounds[2] = {};
  bounds[0].lLbound = scenario.lowerBound;
  bounds[0].cElements = dims == 2 ? count / scenario.columns : count;
  bounds[1].lLbound = scenario.lowerBound;
  bounds[1].cElements = scenario.columns;
  SAFEARRAY* array = SafeArrayCreate(type, dims, bounds);
  if (array == nullptr) {
    Record("error SafeArrayCreate");
    return nullptr;
  }
  // Elements are written straight into the data: SafeArrayPutElement would
  // turn a null string into an empty one.
  void* data = nullptr;
  SafeArrayAccessData(array, &data);
  for (size_t i = 0; i < entries.size(); ++i) {
    switch (type) {
      case VT_BSTR:
        static_cast<BSTR*>(data)[i] = MakeString(entries[i]);
        break;
      case VT_VARIANT: {
        VARIANT& element = static_cast<VARIANT*>(data)[i];
        V_VT(&element) = VT_BSTR;
        V_BSTR(&element) = MakeString(entries[i]);
        break;
      }
      case VT_I4:
        static_cast<LONG*>(data)[i] = static_cast<LONG>(i);
        break;
      default:
        break;
    }
  }
  SafeArrayUnaccessData(array);
  return array;
}

void FillReply(VARIANT* reply, ReplyKind kind, const std::vector<Entry>& entries) {
  switch (kind) {
    case ReplyKind::Empty:
      break;
    case ReplyKind::Array:
      V_VT(reply) = VT_ARRAY | VT_BSTR;
      V_ARRAY(reply) = MakeArray(VT_BSTR, entries);
      break;
    case ReplyKind::NullArray:
      V_VT(reply) = VT_ARRAY | VT_BSTR;
      V_ARRAY(reply) = nullptr;
      break;
    case ReplyKind::Bstr:
      V_VT(reply) = VT_BSTR;
      V_BSTR(reply) = entries.empty() ? SysAllocString(L"") : MakeString(entries.front());
      break;
    case ReplyKind::I4Array:
      V_VT(reply) = VT_ARRAY | VT_I4;
      V_ARRAY(reply) = MakeArray(VT_I4, entries);
      break;
    case ReplyKind::ByrefArray: {
      // The referenced array stays the component's: it is never freed.
      static SAFEARRAY* kept[2] = {};
      SAFEARRAY** slot = kept[0] == nullptr ? &kept[0] : &kept[1];
      g_spy.stopWatching();
      *slot = MakeArray(VT_BSTR, entries);
      g_spy.startWatching();
      V_VT(reply) = VT_BYREF | VT_ARRAY | VT_BSTR;
      V_ARRAYREF(reply) = slot;
      break;
    }
    case ReplyKind::VariantArray:
      V_VT(reply) = VT_ARRAY | VT_VARIANT;
      V_ARRAY(reply) = MakeArray(VT_VARIANT, entries);
      break;
    case ReplyKind::MistypedArray:
      V_VT(reply) = VT_ARRAY | VT_BSTR;
      V_ARRAY(reply) = MakeArray(VT_I4, entries);
      break;
  }
}

// ---------------------------------------------------------------------------
// The component object

class VolumeDriver : public IMountQuery, public IRunnableObject {
 public:
  VolumeDriver() { InterlockedIncrement(&g_liveObjects); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    checkAlive("QueryInterface");
    const Scenario& scenario = TheScenario();
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *object = static_cast<IMountQuery*>(this);
    } else if (IsEqualIID(iid, kMountQueryIid)) {
      Record(scenario.interfacePresent ? "query mount-query" : "query mount-query refused");
      if (scenario.interfacePresent) *object = static_cast<IMountQuery*>(this);
    } else if (IsEqualIID(iid, IID_IRunnableObject) && scenario.runnable) {
      *object = static_cast<IRunnableObject*>(this);
    }
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    checkAlive("AddRef");
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    checkAlive("Release");
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      // Kept allocated, so that a call after the last release is noticed
      // rather than landing in freed memory.
      Record("destroyed");
      InterlockedDecrement(&g_liveObjects);
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE Initialize() override {
    checkAlive("Initialize");
    const Scenario& scenario = TheScenario();
    Record("initialize " + Hex(static_cast<unsigned long>(scenario.initialize)));
    if (scenario.crash == "initialize") CrashOnPurpose();
    initialized_ = scenario.initialize == S_OK;
    return scenario.initialize;
  }
  HRESULT STDMETHODCALLTYPE Reserved() override {
    checkAlive("Reserved");
    Record("violation Reserved called");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetMountedContainers(VARIANT* containers, VARIANT* companion) override {
    checkAlive("GetMountedContainers");
    const Scenario& scenario = TheScenario();
    Record("get " + Hex(static_cast<unsigned long>(scenario.getStatus)));
    if (!initialized_) Record("violation GetMountedContainers without a successful Initialize");
    if (containers == nullptr || companion == nullptr) {
      Record("violation GetMountedContainers given a null VARIANT");
      return E_POINTER;
    }
    if (V_VT(containers) != VT_EMPTY || V_VT(companion) != VT_EMPTY) {
      Record("violation GetMountedContainers given a VARIANT that is not VT_EMPTY");
    }
    if (scenario.crash == "get") CrashOnPurpose();
    RegisterSpy();
    g_spy.startWatching();
    FillReply(containers, scenario.first, scenario.entries);
    FillReply(companion, scenario.second, scenario.companions);
    g_spy.stopWatching();
    return scenario.getStatus;
  }

  HRESULT STDMETHODCALLTYPE GetRunningClass(CLSID* clsid) override {
    checkAlive("GetRunningClass");
    if (clsid == nullptr) return E_POINTER;
    *clsid = kClsid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Run(LPBINDCTX) override {
    checkAlive("Run");
    const Scenario& scenario = TheScenario();
    Record("run " + Hex(static_cast<unsigned long>(scenario.run)));
    return scenario.run;
  }
  BOOL STDMETHODCALLTYPE IsRunning() override { return TRUE; }
  HRESULT STDMETHODCALLTYPE LockRunning(BOOL, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL) override { return S_OK; }

 private:
  void checkAlive(const char* method) {
    if (references_ <= 0) Record(std::string("violation ") + method + " after the last Release");
  }

  LONG references_ = 1;
  bool initialized_ = false;
};

class ClassFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // One static factory: COM's references to it need no counting.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    const Scenario& scenario = TheScenario();
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    Record("create " + Hex(static_cast<unsigned long>(scenario.create)));
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (scenario.create != S_OK) return scenario.create;
    VolumeDriver* driver = new VolumeDriver();
    const HRESULT hr = driver->QueryInterface(iid, object);
    driver->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

ClassFactory g_factory;

// ---------------------------------------------------------------------------
// Registration

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
  } else if (reason == DLL_PROCESS_DETACH && g_spyRegistered) {
    // Reached at process exit only: the module pinned itself with the spy.
    Record("exit live-objects=" + std::to_string(g_liveObjects) +
           " blocks-handed-out=" + std::to_string(g_spy.handedOut()) +
           " blocks-not-freed=" + std::to_string(g_spy.stillAllocated()) +
           " blocks-freed-twice=" + std::to_string(g_spy.freedTwice()));
  } else if (reason == DLL_PROCESS_DETACH) {
    Record("exit live-objects=" + std::to_string(g_liveObjects));
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
  return g_factory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return g_liveObjects == 0 && !g_spyRegistered ? S_OK : S_FALSE;
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
