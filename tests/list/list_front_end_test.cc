#include "list/list_front_end.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "check/front_end.h"
#include "platform/posix/testing.h"
#include "query/comparison_code_page.h"
#include "query/conversion_code_page.h"
#include "query/fake_volume_driver.h"
#include "query/test_strings.h"

namespace dravlen {
namespace {

using testing::ArrayVariant;
using testing::Entry;
using testing::FakeBehaviour;
using testing::FakeVolumeDriverRegistration;
using testing::MakeStringArray;

FakeBehaviour Listing(std::vector<Entry> entries) {
  FakeBehaviour behaviour;
  behaviour.reply = [entries](VARIANT* first, VARIANT* second) {
    *first = ArrayVariant(MakeStringArray(entries));
    *second = ArrayVariant(MakeStringArray({}));
  };
  return behaviour;
}

// Entries from the `unreadable`th on, counted from 0, cannot be read: the
// walk reads the list's bounds, then reads them again for each entry, and
// they stop answering at that entry.
FakeBehaviour ListingUnreadableFrom(std::vector<Entry> entries, int unreadable,
                                    LONG lowerBound = 0) {
  FakeBehaviour behaviour;
  behaviour.reply = [entries, unreadable, lowerBound](VARIANT* first, VARIANT* second) {
    *first = ArrayVariant(MakeStringArray(entries, lowerBound));
    *second = ArrayVariant(MakeStringArray({}));
    standin::BreakArrayBoundsAfter(first->parray, 2 + 2 * unreadable);
  };
  return behaviour;
}

FakeBehaviour Adjusted(void (*adjust)(FakeBehaviour&)) {
  FakeBehaviour behaviour = Listing({u"c:\\a.qmv"});
  adjust(behaviour);
  return behaviour;
}

const std::vector<Entry> kNearMisses = {u"c:/data/a.qmv",
                                        u"c:\\data\\a.qmv\\",
                                        u"c:\\data\\\u00C9.qmv",
                                        u"c:\\data\\\u03A8.qmv",
                                        std::u16string(u"c:\\data\\a.qmv\0x", 15),
                                        u"c:\\other\\a.qmv"};

struct ListCase {
  const char* name;
  std::optional<FakeBehaviour> component;  // none: the class is not registered
  std::vector<const char*> arguments;
  ResultCode status;
  const char* out;
  const char* err;
  UINT codePage = 1252;  // the system's and the thread's
  LCID locale = 0x0409;  // the thread's
};

void PrintTo(const ListCase& test, std::ostream* os) { *os << test.name; }

class ListFrontEndTest : public ::testing::TestWithParam<ListCase> {
 protected:
  void SetUp() override {
    standin::ResetMachine();
    standin::SetSystemAnsiCodePage(1252);
    InitComparisonCodePage();
    ResetConversionCodePageMethod();
  }
};

// What it prints, and that its status is what dravlen.exe answers for the
// same argument.
TEST_P(ListFrontEndTest, PrintsAndAgrees) {
  const ListCase& test = GetParam();
  standin::SetSystemAnsiCodePage(test.codePage);
  SetThreadLocale(test.locale);
  InitComparisonCodePage();
  std::optional<FakeVolumeDriverRegistration> registration;
  if (test.component) registration.emplace(*test.component);
  std::vector<const char*> argv = {"dravlen-list.exe"};
  argv.insert(argv.end(), test.arguments.begin(), test.arguments.end());

  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const ResultCode status = RunList(static_cast<int>(argv.size()), argv.data());
  const std::string err = ::testing::internal::GetCapturedStderr();
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, test.status);
  EXPECT_EQ(out, test.out);
  EXPECT_EQ(err, test.err);
  EXPECT_EQ(standin::ComInitializationCount(), 0);
  EXPECT_EQ(standin::LiveArrayCount(), 0u);
  EXPECT_EQ(standin::LiveStringCount(), 0u);
  if (argv.size() == 2) {
    EXPECT_EQ(dravlen::Run(2, argv.data()), status) << "dravlen.exe disagrees";
  }
}

const ListCase kListCases[] = {
    {"ListsInArrayOrder",
     Listing({u"c:\\b.qmv", u"C:\\A.qmv"}),
     {},
     ResultCode::NotMounted,
     "c:\\b.qmv\r\nC:\\A.qmv\r\n",
     ""},
    {"ListsComparedText",
     Listing({u"c:\\\u00E9\u03A8.qmv", std::u16string(u"c:\\a\0b", 6)}),
     {},
     ResultCode::NotMounted,
     "c:\\\xE9?.qmv\r\nc:\\a\r\n",
     ""},
    {"NothingMounted",
     FakeBehaviour{},
     {},
     ResultCode::NotMounted,
     "",
     "no container is mounted\r\n"},
    {"EmptyList",
     Listing({}),
     {"c:\\a.qmv"},
     ResultCode::NotMounted,
     "not mounted: the component reports no container; dravlen.exe answers 0\r\n",
     ""},
    {"FirstEqualDecides",
     Listing({u"c:\\b.qmv", u"C:\\A.QMV", u"c:\\a.qmv"}),
     {"c:\\a.qmv"},
     ResultCode::Mounted,
     "  \"c:\\b.qmv\"\r\n"
     "* \"C:\\A.QMV\" equals the argument: this entry decides\r\n"
     "= \"c:\\a.qmv\" equals the argument too\r\n"
     "mounted: entry 2 equals the argument; dravlen.exe answers 1\r\n",
     ""},
    {"TwelfthDecides",
     Listing({u"c:\\1.qmv", u"c:\\2.qmv", u"c:\\3.qmv", u"c:\\4.qmv", u"c:\\5.qmv", u"c:\\6.qmv",
              u"c:\\7.qmv", u"c:\\8.qmv", u"c:\\9.qmv", u"c:\\10.qmv", u"c:\\11.qmv",
              u"C:\\12.QMV"}),
     {"c:\\12.qmv"},
     ResultCode::Mounted,
     "  \"c:\\1.qmv\"\r\n  \"c:\\2.qmv\"\r\n  \"c:\\3.qmv\"\r\n  \"c:\\4.qmv\"\r\n"
     "  \"c:\\5.qmv\"\r\n  \"c:\\6.qmv\"\r\n  \"c:\\7.qmv\"\r\n  \"c:\\8.qmv\"\r\n"
     "  \"c:\\9.qmv\"\r\n  \"c:\\10.qmv\"\r\n  \"c:\\11.qmv\"\r\n"
     "* \"C:\\12.QMV\" equals the argument: this entry decides\r\n"
     "mounted: entry 12 equals the argument; dravlen.exe answers 1\r\n",
     ""},
    {"NearMisses",
     Listing(kNearMisses),
     {"C:\\DATA\\\xE9.QMV"},
     ResultCode::NotMounted,
     "  \"c:/data/a.qmv\"\r\n"
     "  \"c:\\data\\a.qmv\\\"\r\n"
     "~ \"c:\\data\\\xC9.qmv\" differs by: letter case beyond A to Z\r\n"
     "~ \"c:\\data\\?.qmv\" differs by: characters the ANSI code page lacks (replaced in "
     "conversion)\r\n"
     "  \"c:\\data\\a.qmv\"\r\n"
     "  \"c:\\other\\a.qmv\"\r\n"
     "not mounted: no entry equals the argument, 2 names it in another spelling; dravlen.exe "
     "answers 0\r\n",
     ""},
    {"NearMissesOfTrailingBlank",
     Listing(kNearMisses),
     {"c:\\data\\a.qmv "},
     ResultCode::NotMounted,
     "~ \"c:/data/a.qmv\" differs by: slashes, a trailing backslash or blank\r\n"
     "~ \"c:\\data\\a.qmv\\\" differs by: a trailing backslash or blank\r\n"
     "  \"c:\\data\\\xC9.qmv\"\r\n"
     "~ \"c:\\data\\?.qmv\" differs by: a trailing backslash or blank, characters the ANSI "
     "code page lacks (replaced in conversion)\r\n"
     "~ \"c:\\data\\a.qmv\" differs by: a trailing backslash or blank\r\n"
     "  \"c:\\other\\a.qmv\"\r\n"
     "not mounted: no entry equals the argument, 4 names it in another spelling; dravlen.exe "
     "answers 0\r\n",
     ""},
    {"NearMissCutAtNul",
     Listing({std::u16string(u"c:\\a\0.qmv", 9), u"c:\\a"}),
     {"c:\\a.qmv"},
     ResultCode::NotMounted,
     "~ \"c:\\a\" differs by: text cut at an embedded NUL\r\n"
     "  \"c:\\a\"\r\n"
     "not mounted: no entry equals the argument, 1 names it in another spelling; dravlen.exe "
     "answers 0\r\n",
     ""},
    // Outside the Basic Multilingual Plane: a surrogate pair is one
    // character, replaced by one "?". A high surrogate alone is replaced
    // alone, and the letter after it is kept.
    {"NearMissBeyondTheBmp",
     Listing({u"c:\\data\\\U0001F600y.qmv", u"c:\\data\\\xD83Dz.qmv"}),
     {"c:\\data\\xy.qmv"},
     ResultCode::NotMounted,
     "~ \"c:\\data\\?y.qmv\" differs by: characters the ANSI code page lacks (replaced in "
     "conversion)\r\n"
     "  \"c:\\data\\?z.qmv\"\r\n"
     "not mounted: no entry equals the argument, 1 names it in another spelling; dravlen.exe "
     "answers 0\r\n",
     ""},
    // Both end in a separator, of the other kind.
    {"NearMissLastSeparator",
     Listing({u"d:\\work.qmv\\", u"d:\\work.qmv "}),
     {"d:\\work.qmv/"},
     ResultCode::NotMounted,
     "~ \"d:\\work.qmv\\\" differs by: slashes\r\n"
     "~ \"d:\\work.qmv \" differs by: a trailing backslash or blank\r\n"
     "not mounted: no entry equals the argument, 2 names it in another spelling; dravlen.exe "
     "answers 0\r\n",
     ""},
    // Near misses that are none: each entry names another path.
    {"SlashOnOneSideOnly",
     Listing({u"d:\\data\\a.qmv"}),
     {"d:\\data-a.qmv"},
     ResultCode::NotMounted,
     "  \"d:\\data\\a.qmv\"\r\n"
     "not mounted: no entry equals the argument; dravlen.exe answers 0\r\n",
     ""},
    {"TrailingOtherThanBackslashOrBlank",
     Listing({u"d:\\containers\\work.qmv.", u"d:\\containers\\work.qmvs"}),
     {"d:\\containers\\work.qmv"},
     ResultCode::NotMounted,
     "  \"d:\\containers\\work.qmv.\"\r\n"
     "  \"d:\\containers\\work.qmvs\"\r\n"
     "not mounted: no entry equals the argument; dravlen.exe answers 0\r\n",
     ""},
    {"OtherLetter",
     Listing({u"d:\\containers\\worm.qmv"}),
     {"d:\\containers\\work.qmv"},
     ResultCode::NotMounted,
     "  \"d:\\containers\\worm.qmv\"\r\n"
     "not mounted: no entry equals the argument; dravlen.exe answers 0\r\n",
     ""},
    // Two-byte characters of code page 932 that convert and come back.
    {"TwoByteCharactersKept",
     Listing({u"c:\\\u8868\u793A\\a.qmv"}),
     {"c:\\??\\a.qmv"},
     ResultCode::NotMounted,
     "  \"c:\\\x95\x5C\x8E\xA6\\a.qmv\"\r\n"
     "not mounted: no entry equals the argument; dravlen.exe answers 0\r\n",
     "",
     932,
     0x0411},
    // Converted by the thread's code page 932, compared by the system's
    // 1252 rules: each byte of a two-byte character is one character.
    {"NearMissLocaleUnlikeSystem",
     Listing({u"c:\\\u8868\u793A\\a.qmv"}),
     {"c:\\\x95\x5C\x8E\xA6\\a.qmv\\"},
     ResultCode::NotMounted,
     "~ \"c:\\\x95\x5C\x8E\xA6\\a.qmv\" differs by: a trailing backslash or blank\r\n"
     "not mounted: no entry equals the argument, 1 names it in another spelling; dravlen.exe "
     "answers 0\r\n",
     "",
     1252,
     0x0411},
    // Without a NUL: the text the argument begins with, and the argument
    // with a blank where a cut would be.
    {"NoNul",
     Listing({u"c:\\data\\a.qmv", u"c:\\data\\a.qmv .bak"}),
     {"c:\\data\\a.qmv.bak"},
     ResultCode::NotMounted,
     "  \"c:\\data\\a.qmv\"\r\n"
     "  \"c:\\data\\a.qmv .bak\"\r\n"
     "not mounted: no entry equals the argument; dravlen.exe answers 0\r\n",
     ""},
    // dravlen.exe stops at the first equal entry; what cannot be read after
    // it is told, but does not change the answer.
    {"EqualThenUnreadable",
     ListingUnreadableFrom({u"c:\\a.qmv", u"c:\\b.qmv"}, 1),
     {"c:\\a.qmv"},
     ResultCode::Mounted,
     "* \"c:\\a.qmv\" equals the argument: this entry decides\r\n"
     "mounted: entry 1 equals the argument; dravlen.exe answers 1\r\n",
     "reading the container list at index 1: 0x8000FFFF Catastrophic failure\r\n"},
    {"EqualTwiceThenUnreadable",
     ListingUnreadableFrom({u"c:\\a.qmv", u"C:\\A.QMV", u"c:\\b.qmv"}, 2),
     {"c:\\a.qmv"},
     ResultCode::Mounted,
     "* \"c:\\a.qmv\" equals the argument: this entry decides\r\n"
     "= \"C:\\A.QMV\" equals the argument too\r\n"
     "mounted: entry 1 equals the argument; dravlen.exe answers 1\r\n",
     "reading the container list at index 2: 0x8000FFFF Catastrophic failure\r\n"},
    // The index the component's own array gives the entry, whatever its
    // lower bound; before an equal one, the reading that failed answers 4.
    {"UnreadableAtNegativeIndex",
     ListingUnreadableFrom({u"c:\\a.qmv", u"c:\\b.qmv", u"c:\\c.qmv"}, 1, -3),
     {"c:\\a.qmv"},
     ResultCode::Mounted,
     "* \"c:\\a.qmv\" equals the argument: this entry decides\r\n"
     "mounted: entry 1 equals the argument; dravlen.exe answers 1\r\n",
     "reading the container list at index -2: 0x8000FFFF Catastrophic failure\r\n"},
    {"UnreadableAtIndexZero",
     ListingUnreadableFrom({u"c:\\a.qmv", u"c:\\b.qmv"}, 1, -1),
     {"c:\\b.qmv"},
     ResultCode::ComponentUnavailable,
     "  \"c:\\a.qmv\"\r\n"
     "unavailable: the component could not answer; dravlen.exe answers 4\r\n",
     "reading the container list at index 0: 0x8000FFFF Catastrophic failure\r\n"},
    {"Unregistered",
     std::nullopt,
     {},
     ResultCode::ComponentUnavailable,
     "",
     "CoCreateInstance: 0x80040154 Class not registered\r\n"},
    {"InitializeFalse",
     Adjusted([](auto& b) { b.initializeStatus = S_FALSE; }),
     {"c:\\a.qmv"},
     ResultCode::ComponentUnavailable,
     "unavailable: the component could not answer; dravlen.exe answers 4\r\n",
     "Initialize answered 0x00000001, not S_OK\r\n"},
    {"NoInterfaceReference",
     Adjusted([](auto& b) { b.nullMountQuery = true; }),
     {},
     ResultCode::ComponentUnavailable,
     "",
     "QueryInterface answered S_OK but gave no interface: 0x80004003 Invalid pointer\r\n"},
    {"ListOfIntegers",
     Adjusted([](auto& b) {
       b.reply = [](VARIANT* first, VARIANT*) {
         *first = ArrayVariant(SafeArrayCreateVector(VT_I4, 0, 1), VT_ARRAY | VT_I4);
       };
     }),
     {"c:\\a.qmv"},
     ResultCode::ComponentUnavailable,
     "unavailable: the component could not answer; dravlen.exe answers 4\r\n",
     "the first result is not an array of strings (type 0x2003)\r\n"},
    {"TwoArguments",
     Listing({u"c:\\a.qmv"}),
     {"c:\\my", "data\\a.qmv"},
     ResultCode::InvalidArguments,
     "",
     "usage: dravlen-list.exe [d:\\path\\container.qmv]\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Answers, ListFrontEndTest, ::testing::ValuesIn(kListCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace dravlen
