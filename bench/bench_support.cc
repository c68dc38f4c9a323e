#include "bench_support.h"

#include <array>

#include "platform/posix/testing.h"
#include "query/comparison_code_page.h"
#include "query/conversion_code_page.h"

namespace dravlen::bench {
namespace {

// xorshift64*: the same numbers on every platform and library.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(0x9E3779B97F4A7C15ull ^ seed) {}

  std::size_t Below(std::size_t bound) {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<std::size_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32) % bound;
  }

  template <typename T, std::size_t N>
  const T& Pick(const std::array<T, N>& choices) {
    return choices[Below(N)];
  }

 private:
  uint64_t state_;
};

const std::array<std::u16string, 5> kRoots = {
    u"C:\\",
    u"D:\\",
    u"E:\\Backup\\",
    u"C:\\Users\\alice\\Documents\\",
    u"\\\\fileserver\\projects\\",
};
const std::array<std::u16string, 16> kLatinFolders = {
    u"Users",      u"alice",         u"Documents",    u"Projects", u"Archive",  u"Finance 2023",
    u"Backups",    u"Private",       u"Work",         u"Photos",   u"Research", u"Tax Returns",
    u"Q3 Reports", u"Customer Data", u"Program Data", u"Source",
};
// Some kanji and kana end in a byte that reads as "\" in 932.
const std::array<std::u16string, 11> kJapaneseFolders = {
    u"ドキュメント", u"保存データ", u"暗号化",   u"ソフト開発",   u"表計算", u"写真",
    u"個人用",       u"仕事",       u"会議資料", u"バックアップ", u"経理",
};
const std::array<std::u16string, 5> kLatinStems = {u"secrets", u"vault", u"archive", u"work",
                                                   u"private"};
const std::array<std::u16string, 3> kJapaneseStems = {u"機密", u"金庫", u"保管庫"};
const std::array<std::u16string, 3> kExtensions = {u".vol", u".img", u".bin"};

// Bytes of the ANSI form: the Japanese characters used here take two.
std::size_t AnsiLength(const std::u16string& text) {
  std::size_t length = 0;
  for (const char16_t c : text) length += c < 0x80 ? 1 : 2;
  return length;
}

const std::u16string& Folder(PathScript script, Random& random) {
  if (script == PathScript::kJapanese && random.Below(2) == 0) return random.Pick(kJapaneseFolders);
  return random.Pick(kLatinFolders);
}

const std::u16string& Stem(PathScript script, Random& random) {
  if (script == PathScript::kJapanese && random.Below(2) == 0) return random.Pick(kJapaneseStems);
  return random.Pick(kLatinStems);
}

std::u16string MakePath(PathScript script, Random& random) {
  const std::size_t target = kShortestPath + random.Below(kLongestPath - kShortestPath + 1);
  const std::u16string& extension = random.Pick(kExtensions);
  const std::size_t shortestTail = 8 + extension.size();

  std::u16string path = random.Pick(kRoots);
  if (AnsiLength(path) + shortestTail > target) path = u"C:\\";
  for (int misses = 0; misses < 3;) {
    const std::u16string& folder = Folder(script, random);
    if (AnsiLength(path) + AnsiLength(folder) + 1 + shortestTail > target) {
      ++misses;
      continue;
    }
    path += folder;
    path += u'\\';
  }
  // The name takes the rest: a stem if it fits, then a serial number.
  const std::size_t nameLength = target - AnsiLength(path) - extension.size();
  const std::u16string& stem = Stem(script, random);
  std::u16string name = AnsiLength(stem) + 1 <= nameLength ? stem + u'_' : u"v";
  while (AnsiLength(name) < nameLength) name += static_cast<char16_t>(u'0' + random.Below(10));
  return path + name + extension;
}

}  // namespace

void UseCodePage(UINT codePage) {
  standin::ResetMachine();
  standin::SetSystemAnsiCodePage(codePage);
  SetThreadLocale(codePage == 932 ? 0x0411 : 0x0409);
  ResetConversionCodePageMethod();
  InitComparisonCodePage();
}

PathScript ScriptFor(UINT codePage) {
  return codePage == 932 ? PathScript::kJapanese : PathScript::kLatin;
}

std::vector<std::u16string> MakePaths(PathScript script, std::size_t count, uint32_t seed) {
  Random random(seed);
  std::vector<std::u16string> paths;
  paths.reserve(count);
  for (std::size_t i = 0; i < count; ++i) paths.push_back(MakePath(script, random));
  return paths;
}

std::string ToAnsi(const std::u16string& wide, UINT codePage) {
  const int size = WideCharToMultiByte(codePage, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, wide.c_str(), -1, ansi.data(), size, nullptr, nullptr);
  ansi.resize(static_cast<std::size_t>(size - 1));
  return ansi;
}

std::u16string SwapAsciiCase(std::u16string wide) {
  for (char16_t& c : wide) {
    if (c >= u'A' && c <= u'Z') {
      c = static_cast<char16_t>(c - u'A' + u'a');
    } else if (c >= u'a' && c <= u'z') {
      c = static_cast<char16_t>(c - u'a' + u'A');
    }
  }
  return wide;
}

std::u16string AbsentPath(PathScript script) {
  return script == PathScript::kJapanese ? u"C:\\Users\\alice\\Documents\\仕事\\not mounted.vol"
                                         : u"C:\\Users\\alice\\Documents\\Work\\not mounted.vol";
}

}  // namespace dravlen::bench
