// Locales: the machine's default locale taken from the environment, the
// per-thread locale, GetLocaleInfoA for the ANSI code page, character
// classification and case mapping, and the reported Windows version.
#include <locale.h>
#include <wctype.h>

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
#include "platform/posix/nls.h"
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

constexpr DWORD kDefaultPlatform = VER_PLATFORM_WIN32_NT;
constexpr DWORD kDefaultMajorVersion = 10;
constexpr DWORD kWindows10Build = 19045;

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
  DWORD platformId = kDefaultPlatform;
  DWORD majorVersion = kDefaultMajorVersion;
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

// Classification and case mapping in a UTF-8 locale object, created once
// and never installed as the process locale.
locale_t UnicodeLocale() {
  static const locale_t locale = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      const locale_t created = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
      if (created != static_cast<locale_t>(nullptr)) return created;
    }
    return newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
  }();
  return locale;
}

WORD CharacterType1(WCHAR unit, locale_t locale) {
  // A surrogate half is no character of its own.
  if (unit >= 0xD800 && unit <= 0xDFFF) return 0;
  const auto c = static_cast<wint_t>(unit);
  unsigned type = 0;
  if (iswupper_l(c, locale)) type |= C1_UPPER;
  if (iswlower_l(c, locale)) type |= C1_LOWER;
  if (iswdigit_l(c, locale)) type |= C1_DIGIT;
  if (iswspace_l(c, locale)) type |= C1_SPACE;
  if (iswpunct_l(c, locale)) type |= C1_PUNCT;
  if (iswcntrl_l(c, locale)) type |= C1_CNTRL;
  if (iswblank_l(c, locale)) type |= C1_BLANK;
  if (iswxdigit_l(c, locale)) type |= C1_XDIGIT;
  if (iswalpha_l(c, locale)) type |= C1_ALPHA;
  if (type != 0 || iswprint_l(c, locale) || iswgraph_l(c, locale)) type |= C1_DEFINED;
  return static_cast<WORD>(type);
}

WCHAR MapCase(WCHAR unit, bool upper, locale_t locale) {
  if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
  const auto c = static_cast<wint_t>(unit);
  const wint_t mapped = upper ? towupper_l(c, locale) : towlower_l(c, locale);
  // A code unit maps to a code unit; anything wider is left as it was.
  return mapped <= 0xFFFF ? static_cast<WCHAR>(mapped) : unit;
}

std::size_t WideLength(LPCWSTR text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
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

BOOL GetStringTypeW(DWORD infoType, LPCWCH text, int length, LPWORD types) {
  if (infoType != CT_CTYPE1) return Fail(ERROR_INVALID_FLAGS);
  if (text == nullptr || types == nullptr || length == 0 || length < -1) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const std::size_t count = length == -1 ? WideLength(text) + 1 : static_cast<std::size_t>(length);
  const locale_t locale = UnicodeLocale();
  for (std::size_t i = 0; i < count; ++i) types[i] = CharacterType1(text[i], locale);
  return TRUE;
}

int LCMapStringW(LCID /*locale*/, DWORD flags, LPCWSTR source, int sourceLength, LPWSTR dest,
                 int destLength) {
  if (source == nullptr || sourceLength == 0 || sourceLength < -1 || destLength < 0 ||
      (destLength > 0 && dest == nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (flags != LCMAP_LOWERCASE && flags != LCMAP_UPPERCASE) return Fail(ERROR_INVALID_FLAGS);

  const std::size_t count =
      sourceLength == -1 ? WideLength(source) + 1 : static_cast<std::size_t>(sourceLength);
  if (count > INT_MAX) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (destLength == 0) return static_cast<int>(count);
  if (count > static_cast<std::size_t>(destLength)) return Fail(ERROR_INSUFFICIENT_BUFFER);

  // Unit by unit, so `dest` may be `source`.
  const bool upper = flags == LCMAP_UPPERCASE;
  const locale_t locale = UnicodeLocale();
  for (std::size_t i = 0; i < count; ++i) dest[i] = MapCase(source[i], upper, locale);
  return static_cast<int>(count);
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  Machine& machine = TheMachine();
  std::lock_guard<std::mutex> lock(machine.mutex);
  info->dwPlatformId = machine.platformId;
  info->dwMajorVersion = machine.majorVersion;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = machine.platformId == VER_PLATFORM_WIN32_NT && machine.majorVersion == 10
                            ? kWindows10Build
                            : 0;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}

namespace standin {

void SetVersion(DWORD platformId, DWORD majorVersion) {
  Machine& machine = TheMachine();
  std::lock_guard<std::mutex> lock(machine.mutex);
  machine.platformId = platformId;
  machine.majorVersion = majorVersion;
}

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
    machine.platformId = kDefaultPlatform;
    machine.majorVersion = kDefaultMajorVersion;
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
