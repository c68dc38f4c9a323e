// Reads the scenario file, line by line, into the Scenario the other parts
// answer from (the keys are listed in scenario.h). A line that cannot be
// read is kept as an error: the class is then unavailable.
#include <cstdlib>
#include <map>

#include "ledger.h"
#include "scenario.h"

namespace test_volume_driver {
namespace {

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
  } else if (key == "interface_status") {
    ok = ParseStatus(value, scenario.interfaceStatus);
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

}  // namespace

const Scenario& TheScenario() {
  static const Scenario scenario = LoadScenario();
  return scenario;
}

}  // namespace test_volume_driver
