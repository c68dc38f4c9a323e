#include "check/front_end.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "check/usage.h"
#include "platform/posix/testing.h"
#include "query/comparison_code_page.h"
#include "query/fake_volume_driver.h"
#include "query/test_strings.h"

namespace dravlen {
namespace {

using testing::ArrayVariant;
using testing::FakeBehaviour;
using testing::FakeVolumeDriverRegistration;
using testing::MakeStringArray;

class FrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ResetMachine();
    standin::SetSystemAnsiCodePage(1252);
    InitComparisonCodePage();
  }

  static ResultCode RunWith(const std::vector<const char*>& argv) {
    return dravlen::Run(static_cast<int>(argv.size()), argv.data());
  }
};

// The box is left out only where the station says for certain that nobody
// can see it; it would wait there for ever.
struct UsageCase {
  const char* name;
  standin::WindowStation station;
  std::vector<std::string> calls;
};

const UsageCase kUsageCases[] = {
    {"Visible",
     standin::WindowStation::Visible,
     {"GetProcessWindowStation", "GetUserObjectInformationA", "MessageBoxA"}},
    {"Invisible",
     standin::WindowStation::Invisible,
     {"GetProcessWindowStation", "GetUserObjectInformationA"}},
    {"NoStation", standin::WindowStation::None, {"GetProcessWindowStation", "MessageBoxA"}},
    {"FlagsUnreadable",
     standin::WindowStation::Unreadable,
     {"GetProcessWindowStation", "GetUserObjectInformationA", "MessageBoxA"}},
};

TEST_F(FrontEndTest, WrongArgumentCountShowsUsageWhereSeenWithoutTouchingCom) {
  for (const UsageCase& test : kUsageCases) {
    for (const std::vector<const char*>& argv : {std::vector<const char*>{"dravlen.exe"},
                                                 {"dravlen.exe", "c:\\my", "containers\\a.qmv"}}) {
      SCOPED_TRACE(test.name);
      standin::ResetMachine();
      standin::SetWindowStation(test.station);
      standin::StartCallLog();
      EXPECT_EQ(RunWith(argv), ResultCode::InvalidArguments);
      EXPECT_EQ(standin::TakeCallLog(), test.calls);
    }
  }
  const standin::MessageBoxRecord box = standin::LastMessageBox();
  EXPECT_EQ(box.calls, 1);
  EXPECT_FALSE(box.hadOwner);
  EXPECT_EQ(box.type, 0x40u);
  EXPECT_EQ(box.caption, "Quillmere Dravlen Utility");
  EXPECT_EQ(box.text,
            "This utility is used for command line tools (batch scripts) to determine: "
            "container.qmv is mounted or not.\n"
            "Format: dravlen.exe d:\\path\\container.qmv\n"
            "\n"
            "Returned codes (errorlevels):\n"
            "0 - container is not mounted\n"
            "1 - container is mounted\n"
            "3 - invalid arguments\n"
            "4 - cannot load tolvane.dll (it is needed to reinstall the software)\n");
}

struct ExitCase {
  const char* name;
  bool registered;
  FakeBehaviour behaviour;
  const char* argument;
  ResultCode expected;
};

void PrintTo(const ExitCase& test, std::ostream* os) { *os << test.name; }

class FrontEndExitTest : public FrontEndTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(FrontEndExitTest, MapsVerdictToExitStatus) {
  const ExitCase& test = GetParam();
  std::optional<FakeVolumeDriverRegistration> registration;
  if (test.registered) registration.emplace(test.behaviour);
  // Whether anybody could see a window has no bearing on the answer.
  for (standin::WindowStation station :
       {standin::WindowStation::Visible, standin::WindowStation::Invisible}) {
    standin::SetWindowStation(station);
    EXPECT_EQ(RunWith({"dravlen.exe", test.argument}), test.expected);
    EXPECT_EQ(standin::LastMessageBox().calls, 0);
    EXPECT_EQ(standin::LiveArrayCount(), 0u);
    EXPECT_EQ(standin::ComInitializationCount(), 0);
  }
}

FakeBehaviour Listing(std::vector<testing::Entry> entries) {
  FakeBehaviour behaviour;
  behaviour.reply = [entries](VARIANT* first, VARIANT* second) {
    *first = ArrayVariant(MakeStringArray(entries));
    *second = ArrayVariant(MakeStringArray({}));
  };
  return behaviour;
}

FakeBehaviour Unreadable() {
  FakeBehaviour behaviour;
  behaviour.reply = [](VARIANT* first, VARIANT*) {
    *first = ArrayVariant(SafeArrayCreateVector(VT_I4, 0, 1), VT_ARRAY | VT_I4);
  };
  return behaviour;
}

FakeBehaviour NoReference() {
  FakeBehaviour behaviour;
  behaviour.nullMountQuery = true;
  return behaviour;
}

const ExitCase kExitCases[] = {
    {"Mounted", true, Listing({u"c:\\a.qmv"}), "C:\\A.QMV", ResultCode::Mounted},
    {"NotMounted", true, Listing({u"c:\\a.qmv"}), "c:\\b.qmv", ResultCode::NotMounted},
    {"NothingMounted", true, FakeBehaviour{}, "c:\\a.qmv", ResultCode::NotMounted},
    {"OptionLookingArgumentIsAPath", true, Listing({u"c:\\a.qmv"}), "/?", ResultCode::NotMounted},
    {"EmptyArgument", true, Listing({u""}), "", ResultCode::Mounted},
    {"ComponentMissing", false, FakeBehaviour{}, "c:\\a.qmv", ResultCode::ComponentUnavailable},
    {"UnreadableReply", true, Unreadable(), "c:\\a.qmv", ResultCode::ComponentUnavailable},
    {"MissingReference", true, NoReference(), "c:\\a.qmv", ResultCode::ComponentUnavailable},
};

INSTANTIATE_TEST_SUITE_P(Verdicts, FrontEndExitTest, ::testing::ValuesIn(kExitCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace dravlen
