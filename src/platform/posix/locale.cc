// Locales: the machine's default locale taken from the environment (by
// name, as Windows defaults it), the per-thread locale, and GetLocaleInfoA
// for the ANSI code page with the overrides tests set.
#include "platform/posix/locale.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/posix/internal.h"
#include "platform/posix/testing.h"

namespace {

struct KnownLocale {
  const char* name;  // language_territory, as in a POSIX locale name
  LCID lcid;
  UINT ansiCodePage;
};

const KnownLocale kKnownLocales[] = {
    {"en_US", 0x0409, 1252}, {"de_DE", 0x0407, 1252}, {"ru_RU", 0x0419, 1251},
    {"ja_JP", 0x0411, 932},  {"zh_CN", 0x0804, 936},  {"ko_KR", 0x0412, 949},
    {"zh_TW", 0x0404, 950},
};
// Locales the table does not know are taken as US English.
const KnownLocale& kFallbackLocale = kKnownLocales[0];

constexpr LCTYPE kNoUserOverride = 0x80000000u;

// The locale named by the environment, by name alone: most such locales are
// not installed, and the process's own locale must not change.
const KnownLocale& EnvironmentLocale() {
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') {
      name = value;
      break;
    }
  }
  if (name == nullptr) return kFallbackLocale;
  // "ja_JP.UTF-8@modifier" names the locale "ja_JP".
  const std::size_t length = std::strcspn(name, ".@");
  for (const KnownLocale& locale : kKnownLocales) {
    if (std::strlen(locale.name) == length && std::strncmp(locale.name, name, length) == 0) {
      return locale;
    }
  }
  return kFallbackLocale;
}

const KnownLocale* FindLocale(LCID lcid) {
  for (const KnownLocale& locale : kKnownLocales) {
    if (locale.lcid == lcid) return &locale;
  }
  return nullptr;
}

struct Machine {
  std::mutex mutex;
  bool defaultKnown = false;
  LCID defaultLocale = 0;
  // LOCALE_IDEFAULTANSICODEPAGE text set by tests; no value means "fail".
  std::map<LCID, std::optional<std::string>> ansiCodePageTexts;
};

Machine& TheMachine() {
  static auto* machine = new Machine;
  return *machine;
}

// Each ResetMachine starts a new generation; a thread's SetThreadLocale only
// counts within the generation it was made in.
std::atomic<unsigned> generation{1};

struct ThreadLocale {
  unsigned generation = 0;
  LCID lcid = 0;
};
thread_local ThreadLocale threadLocale;

LCID DefaultLocale() {
  Machine& machine = TheMachine();
  std::lock_guard<std::mutex> lock(machine.mutex);
  if (!machine.defaultKnown) {
    machine.defaultLocale = EnvironmentLocale().lcid;
    machine.defaultKnown = true;
  }
  return machine.defaultLocale;
}

enum class Lookup { kFound, kFails, kUnknown };

// The LOCALE_IDEFAULTANSICODEPAGE text of `lcid`: a test's override first,
// then the table.
Lookup AnsiCodePageText(LCID lcid, std::string* text) {
  {
    Machine& machine = TheMachine();
    std::lock_guard<std::mutex> lock(machine.mutex);
    const auto found = machine.ansiCodePageTexts.find(lcid);
    if (found != machine.ansiCodePageTexts.end()) {
      if (!found->second) return Lookup::kFails;
      *text = *found->second;
      return Lookup::kFound;
    }
  }
  const KnownLocale* locale = FindLocale(lcid);
  if (locale == nullptr) return Lookup::kUnknown;
  *text = std::to_string(locale->ansiCodePage);
  return Lookup::kFound;
}

// The number a LOCALE_IDEFAULTANSICODEPAGE text denotes: its leading decimal
// digits, 0 when there are none or they overflow.
UINT ParseCodePage(const std::string& text) {
  uint64_t value = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9') break;
    value = value * 10 + static_cast<unsigned>(digit - '0');
    if (value > UINT32_MAX) return 0;
  }
  return static_cast<UINT>(value);
}

}  // namespace

using standin::internal::Fail;

LCID GetThreadLocale() {
  if (threadLocale.generation == generation.load()) return threadLocale.lcid;
  return DefaultLocale();
}

BOOL SetThreadLocale(LCID locale) {
  threadLocale.generation = generation.load();
  threadLocale.lcid = locale;
  return TRUE;
}

int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int dataLength) {
  if (dataLength < 0 || (dataLength > 0 && data == nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  std::string text;
  const Lookup lookup = AnsiCodePageText(locale, &text);
  if (lookup == Lookup::kUnknown) return Fail(ERROR_INVALID_PARAMETER);
  if ((type & ~kNoUserOverride) != LOCALE_IDEFAULTANSICODEPAGE) {
    return Fail(ERROR_INVALID_FLAGS);
  }
  if (lookup == Lookup::kFails) return Fail(ERROR_INVALID_PARAMETER);

  const std::size_t needed = text.size() + 1;
  if (needed > INT_MAX) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (dataLength == 0) return static_cast<int>(needed);
  if (needed > static_cast<std::size_t>(dataLength)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(data, text.c_str(), needed);
  return static_cast<int>(needed);
}

namespace standin {

void SetLocaleAnsiCodePageText(LCID locale, const char* text) {
  Machine& machine = TheMachine();
  std::lock_guard<std::mutex> lock(machine.mutex);
  if (text == nullptr) {
    machine.ansiCodePageTexts[locale] = std::nullopt;
  } else {
    machine.ansiCodePageTexts[locale] = std::string(text);
  }
}

UINT AnsiCodePageFromEnvironment() { return EnvironmentLocale().ansiCodePage; }

LCID LocaleFromEnvironment() { return EnvironmentLocale().lcid; }

namespace internal {

void ResetLocales() {
  const LCID fromEnvironment = LocaleFromEnvironment();
  {
    Machine& machine = TheMachine();
    std::lock_guard<std::mutex> lock(machine.mutex);
    machine.defaultLocale = fromEnvironment;
    machine.defaultKnown = true;
    machine.ansiCodePageTexts.clear();
  }
  ++generation;
}

UINT ThreadLocaleAnsiCodePage() {
  std::string text;
  if (AnsiCodePageText(GetThreadLocale(), &text) != Lookup::kFound) return 0;
  return ParseCodePage(text);
}

}  // namespace internal
}  // namespace standin
