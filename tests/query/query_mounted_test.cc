#include "query/query_mounted.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/posix/testing.h"
#include "query/com_errors.h"
#include "query/comparison_code_page.h"
#include "query/conversion_code_page.h"
#include "query/fake_volume_driver.h"
#include "query/test_strings.h"

namespace dravlen::testing {
namespace {

enum class Outcome { Mounted, NotMounted, Unavailable, Raises };

Outcome Ask(const char* argument) {
  try {
    switch (QueryMounted(argument)) {
      case MountVerdict::Mounted:
        return Outcome::Mounted;
      case MountVerdict::NotMounted:
        return Outcome::NotMounted;
      case MountVerdict::ComponentUnavailable:
        return Outcome::Unavailable;
    }
  } catch (const CAtlException&) {
    return Outcome::Raises;
  } catch (const _com_error& error) {
    EXPECT_EQ(error.Error(), E_POINTER);
    return Outcome::Raises;
  }
  return Outcome::Raises;
}

// A reply of a container list and a companion list, as a well-behaved
// component gives it.
std::function<void(VARIANT*, VARIANT*)> Lists(std::vector<Entry> containers, LONG lowerBound = 0) {
  return [containers, lowerBound](VARIANT* first, VARIANT* second) {
    *first = ArrayVariant(MakeStringArray(containers, lowerBound));
    *second = ArrayVariant(MakeStringArray({u"companion"}));
  };
}

std::function<void(VARIANT*, VARIANT*)> Reply(std::function<VARIANT()> first,
                                              std::function<VARIANT()> second) {
  return [first, second](VARIANT* a, VARIANT* b) {
    *a = first();
    *b = second();
  };
}

VARIANT StringList() { return ArrayVariant(MakeStringArray({u"c:\\a.qmv"})); }
VARIANT Empty() { return ArrayVariant(nullptr, VT_EMPTY); }
VARIANT Bstr() {
  VARIANT variant = Empty();
  variant.vt = VT_BSTR;
  variant.bstrVal = SysAllocString(u"c:\\a.qmv");
  return variant;
}
VARIANT IntegerArray() {
  return ArrayVariant(SafeArrayCreateVector(VT_I4, 0, 2), VT_ARRAY | VT_I4);
}
VARIANT NullArray() { return ArrayVariant(nullptr); }
VARIANT NullVariant() { return ArrayVariant(nullptr, VT_NULL); }
VARIANT ByRefArray() {
  // Points at a descriptor pointer; read as an array it would be garbage.
  static SAFEARRAY* target = nullptr;
  VARIANT variant = Empty();
  variant.vt = VT_ARRAY | VT_BSTR | VT_BYREF;
  variant.pparray = &target;
  return variant;
}

// One array in both results: a component breaking the rules of ownership.
std::function<void(VARIANT*, VARIANT*)> SameArrayTwice(VARIANT (*make)()) {
  return [make](VARIANT* a, VARIANT* b) { *a = *b = make(); };
}

FakeBehaviour Behaviour(std::function<void(FakeBehaviour&)> adjust) {
  FakeBehaviour behaviour;
  behaviour.reply = Lists({u"c:\\a.qmv"});
  adjust(behaviour);
  return behaviour;
}

struct QueryCase {
  const char* name;
  FakeBehaviour behaviour;
  const char* argument;
  Outcome expected;
};

void PrintTo(const QueryCase& test, std::ostream* os) { *os << test.name; }

class QueryMountedTest : public ::testing::TestWithParam<QueryCase> {
 protected:
  void SetUp() override {
    standin::ResetMachine();
    standin::SetSystemAnsiCodePage(1252);
    InitComparisonCodePage();
    ResetConversionCodePageMethod();
  }
  void TearDown() override {
    EXPECT_EQ(standin::ComInitializationCount(), 0) << "CoInitialize not balanced";
    EXPECT_EQ(standin::LiveArrayCount(), 0u) << "an array was not destroyed";
    EXPECT_EQ(standin::LiveStringCount(), 0u) << "a string was not freed";
    EXPECT_EQ(FakeVolumeDriverRegistration::liveObjects(), 0) << "the component was not released";
  }
};

TEST_P(QueryMountedTest, Answers) {
  const QueryCase& test = GetParam();
  FakeVolumeDriverRegistration registration(test.behaviour);
  EXPECT_EQ(Ask(test.argument), test.expected);
  // Wherever the product registered its component, and only IUnknown first.
  const standin::CreationRecord creation = standin::LastCreation();
  EXPECT_EQ(creation.calls, 1);
  EXPECT_EQ(creation.context, 0x17u);
  EXPECT_TRUE(creation.iid == IID_IUnknown);
}

const QueryCase kQueryCases[] = {
    // Activation.
    {"CreationFails", Behaviour([](auto& b) { b.createStatus = E_OUTOFMEMORY; }), "c:\\a.qmv",
     Outcome::Unavailable},
    {"RunningStateFails", Behaviour([](auto& b) {
       b.runnable = true;
       b.runStatus = E_FAIL;
     }),
     "c:\\a.qmv", Outcome::Unavailable},
    {"RunningStateSucceeds", Behaviour([](auto& b) { b.runnable = true; }), "c:\\a.qmv",
     Outcome::Mounted},
    // Run's S_FALSE is success by sign: the interface is asked for.
    {"RunningStateFalse", Behaviour([](auto& b) {
       b.runnable = true;
       b.runStatus = S_FALSE;
     }),
     "c:\\a.qmv", Outcome::Mounted},
    {"RegisteredAsLocalServer",
     Behaviour([](auto& b) { b.registeredContext = CLSCTX_LOCAL_SERVER; }), "c:\\a.qmv",
     Outcome::Mounted},
    {"NoMountQueryInterface", Behaviour([](auto& b) { b.hasMountQuery = false; }), "c:\\a.qmv",
     Outcome::Unavailable},
    // Activation must answer exactly S_OK; the reference handed out is released.
    {"InterfaceFalse", Behaviour([](auto& b) { b.mountQueryStatus = S_FALSE; }), "c:\\a.qmv",
     Outcome::Unavailable},
    {"InterfaceWithoutReference", Behaviour([](auto& b) { b.nullMountQuery = true; }), "c:\\a.qmv",
     Outcome::Raises},
    {"InitializeFalse", Behaviour([](auto& b) { b.initializeStatus = S_FALSE; }), "c:\\a.qmv",
     Outcome::Unavailable},
    {"InitializeFails", Behaviour([](auto& b) { b.initializeStatus = E_FAIL; }), "c:\\a.qmv",
     Outcome::Unavailable},
    // Replies.
    {"NothingMounted", Behaviour([](auto& b) { b.reply = nullptr; }), "c:\\a.qmv",
     Outcome::NotMounted},
    {"FailedFetchLeavesEmpty", Behaviour([](auto& b) {
       b.reply = nullptr;
       b.getStatus = E_FAIL;
     }),
     "c:\\a.qmv", Outcome::NotMounted},
    {"FailedFetchWithList", Behaviour([](auto& b) { b.getStatus = E_FAIL; }), "c:\\a.qmv",
     Outcome::Mounted},
    {"EmptyList", Behaviour([](auto& b) { b.reply = Lists({}); }), "c:\\a.qmv",
     Outcome::NotMounted},
    {"FirstOfNegativeBounds", Behaviour([](auto& b) {
       b.reply = Lists({u"c:\\a.qmv", u"c:\\b.qmv"}, -3);
     }),
     "c:\\a.qmv", Outcome::Mounted},
    {"LastOfPositiveBounds", Behaviour([](auto& b) {
       b.reply = Lists({u"c:\\b.qmv", u"c:\\c.qmv", u"c:\\a.qmv"}, 5);
     }),
     "c:\\a.qmv", Outcome::Mounted},
    // The one text of the walk must grow for a longer entry.
    {"LongerEntryAfterShorter", Behaviour([](auto& b) {
       b.reply = Lists({u"c:\\a", u"c:\\data\\b.qmv"});
     }),
     "c:\\data\\b.qmv", Outcome::Mounted},
    {"TwoEqualEntries", Behaviour([](auto& b) {
       b.reply = Lists({u"C:\\A.QMV", u"c:\\a.qmv"});
     }),
     "c:\\a.qmv", Outcome::Mounted},
    {"AsciiCaseFolds", Behaviour([](auto& b) { b.reply = Lists({u"C:\\DATA\\A.QMV"}); }),
     "c:\\data\\a.qmv", Outcome::Mounted},
    {"ForwardSlashes", Behaviour([](auto&) {}), "c:/a.qmv", Outcome::NotMounted},
    {"TrailingBackslash", Behaviour([](auto&) {}), "c:\\a.qmv\\", Outcome::NotMounted},
    {"TrailingBlank", Behaviour([](auto&) {}), "c:\\a.qmv ", Outcome::NotMounted},
    {"RelativePath", Behaviour([](auto&) {}), "a.qmv", Outcome::NotMounted},
    {"EmbeddedNul",
     Behaviour([](auto& b) { b.reply = Lists({std::u16string(u"c:\\a.qmv\0junk", 13)}); }),
     "c:\\a.qmv", Outcome::Mounted},
    {"NullEntryIsEmptyText", Behaviour([](auto& b) { b.reply = Lists({std::nullopt}); }), "",
     Outcome::Mounted},
    {"NullEntryIsNoPath", Behaviour([](auto& b) { b.reply = Lists({std::nullopt}); }), "c:\\a.qmv",
     Outcome::NotMounted},
    {"EmptyArgumentOnlyMatchesEmpty", Behaviour([](auto&) {}), "", Outcome::NotMounted},
    {"CompanionWithoutList", Behaviour([](auto& b) { b.reply = Reply(Empty, StringList); }),
     "c:\\a.qmv", Outcome::NotMounted},
    {"SameListTwice", Behaviour([](auto& b) { b.reply = SameArrayTwice(StringList); }), "c:\\a.qmv",
     Outcome::Mounted},
    // Replies that cannot be read.
    {"ListIsString", Behaviour([](auto& b) { b.reply = Reply(Bstr, StringList); }), "c:\\a.qmv",
     Outcome::Raises},
    {"ListOfIntegers", Behaviour([](auto& b) { b.reply = Reply(IntegerArray, StringList); }),
     "c:\\a.qmv", Outcome::Raises},
    {"ListIsNullArray", Behaviour([](auto& b) { b.reply = Reply(NullArray, StringList); }),
     "c:\\a.qmv", Outcome::Raises},
    {"ListByReference", Behaviour([](auto& b) { b.reply = Reply(ByRefArray, StringList); }),
     "c:\\a.qmv", Outcome::Raises},
    {"ListIsNull", Behaviour([](auto& b) { b.reply = Reply(NullVariant, StringList); }),
     "c:\\a.qmv", Outcome::Raises},
    {"CompanionMissing", Behaviour([](auto& b) { b.reply = Reply(StringList, Empty); }),
     "c:\\a.qmv", Outcome::Raises},
    {"CompanionIsString", Behaviour([](auto& b) { b.reply = Reply(StringList, Bstr); }),
     "c:\\a.qmv", Outcome::Raises},
    {"CompanionOfIntegers", Behaviour([](auto& b) { b.reply = Reply(StringList, IntegerArray); }),
     "c:\\a.qmv", Outcome::Raises},
    {"SameIntegersTwice", Behaviour([](auto& b) { b.reply = SameArrayTwice(IntegerArray); }),
     "c:\\a.qmv", Outcome::Raises},
};

INSTANTIATE_TEST_SUITE_P(Replies, QueryMountedTest, ::testing::ValuesIn(kQueryCases),
                         [](const auto& test) { return std::string(test.param.name); });

class QueryMountedSequenceTest : public QueryMountedTest {};

TEST_F(QueryMountedSequenceTest, UnregisteredComponentIsUnavailable) {
  EXPECT_EQ(Ask("c:\\a.qmv"), Outcome::Unavailable);
}

TEST_F(QueryMountedSequenceTest, ReleasesComponentBeforeReadingAndComLast) {
  FakeVolumeDriverRegistration registration(Behaviour([](auto& b) { b.runnable = true; }));
  standin::StartCallLog();
  EXPECT_EQ(Ask("c:\\b.qmv"), Outcome::NotMounted);
  const std::vector<std::string> expected = {
      "CoInitialize", "CoCreateInstance", "OleRun", "Run", "QueryInterface IMountQuery",
      "Initialize", "VariantInit", "VariantInit", "GetMountedContainers",
      // Both references are gone before the reply is looked at.
      "Destroy", "SafeArrayGetVartype", "SafeArrayLock", "SafeArrayGetVartype", "SafeArrayLock",
      // COM ends before the arrays are released.
      "CoUninitialize", "SafeArrayUnlock", "SafeArrayDestroy", "SafeArrayUnlock",
      "SafeArrayDestroy"};
  EXPECT_EQ(standin::TakeCallLog(), expected);
}

TEST_F(QueryMountedSequenceTest, FailedActivationReleasesBeforeUninitialising) {
  FakeVolumeDriverRegistration registration(Behaviour([](auto& b) { b.hasMountQuery = false; }));
  standin::StartCallLog();
  EXPECT_EQ(Ask("c:\\a.qmv"), Outcome::Unavailable);
  const std::vector<std::string> expected = {"CoInitialize", "CoCreateInstance",
                                             "OleRun",       "QueryInterface IMountQuery",
                                             "Destroy",      "CoUninitialize"};
  EXPECT_EQ(standin::TakeCallLog(), expected);
}

// COM's rule: only a successful CoInitialize is balanced. A thread already in
// another apartment model keeps its own initialisation.
TEST_F(QueryMountedSequenceTest, DoesNotUndoAnotherApartmentsInitialisation) {
  FakeVolumeDriverRegistration registration(Behaviour([](auto&) {}));
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  EXPECT_EQ(Ask("c:\\a.qmv"), Outcome::Mounted);
  EXPECT_EQ(standin::ComInitializationCount(), 1);
  CoUninitialize();
}

}  // namespace
}  // namespace dravlen::testing
