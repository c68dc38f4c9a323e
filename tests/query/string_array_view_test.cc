#include "query/string_array_view.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/posix/testing.h"
#include "query/com_errors.h"
#include "query/test_strings.h"

namespace dravlen {
namespace {

using testing::MakeStringArray;

HRESULT StatusOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const CAtlException& error) {
    return error;
  }
  return S_OK;
}

class StringArrayViewTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(standin::LiveArrayCount(), 0u);
    EXPECT_EQ(standin::LiveStringCount(), 0u);
  }
};

TEST_F(StringArrayViewTest, WalksFromLowerToUpperBound) {
  StringArrayView view;
  view.attach(MakeStringArray({u"first", u"second", u"third"}, 5));
  EXPECT_EQ(view.lowerBound(), 5);
  EXPECT_EQ(view.upperBound(), 7);
  EXPECT_EQ(std::u16string(view.at(5)), u"first");
  EXPECT_EQ(std::u16string(view.at(7)), u"third");
}

TEST_F(StringArrayViewTest, KeepsTheArrayLockedUntilReleased) {
  SAFEARRAY* array = MakeStringArray({u"a"});
  StringArrayView view;
  view.attach(array);
  EXPECT_EQ(array->cLocks, 1u);
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
  view.release();
  EXPECT_EQ(standin::LiveArrayCount(), 0u);
  view.release();  // a second release has nothing left to do
}

TEST_F(StringArrayViewTest, AttachingAnotherArrayDestroysTheFirst) {
  StringArrayView view;
  view.attach(MakeStringArray({u"a"}));
  view.attach(MakeStringArray({u"b", u"c"}));
  EXPECT_EQ(standin::LiveArrayCount(), 1u);
  EXPECT_EQ(view.upperBound(), 1);
}

TEST_F(StringArrayViewTest, AttachingTheHeldArrayAgainKeepsIt) {
  SAFEARRAY* array = MakeStringArray({u"a"});
  StringArrayView view;
  view.attach(array);
  view.attach(array);
  EXPECT_EQ(std::u16string(view.at(0)), u"a");
}

TEST_F(StringArrayViewTest, AnArrayUnlockedBehindItsBackIsNotDestroyed) {
  SAFEARRAY* array = MakeStringArray({u"a"});
  {
    StringArrayView view;
    view.attach(array);
    SafeArrayUnlock(array);
  }
  EXPECT_EQ(standin::LiveArrayCount(), 1u);
  SafeArrayDestroy(array);
}

struct ErrorCase {
  const char* name;
  std::function<void(StringArrayView&)> action;
  HRESULT expected;
};

void PrintTo(const ErrorCase& test, std::ostream* os) { *os << test.name; }

class StringArrayViewErrorTest : public ::testing::TestWithParam<ErrorCase> {
 protected:
  void TearDown() override { EXPECT_EQ(standin::LiveArrayCount(), 0u); }
};

TEST_P(StringArrayViewErrorTest, RaisesThePlatformStatus) {
  StringArrayView view;
  EXPECT_EQ(StatusOf([&] { GetParam().action(view); }), GetParam().expected);
}

void AttachOwned(StringArrayView& view, SAFEARRAY* array) {
  const HRESULT status = StatusOf([&] { view.attach(array); });
  SafeArrayDestroy(array);  // attach takes nothing it refused
  ThrowIfFailed(status);
}

const ErrorCase kErrorCases[] = {
    {"NullArray", [](StringArrayView& v) { v.attach(nullptr); }, E_INVALIDARG},
    {"IntegerElements",
     [](StringArrayView& v) { AttachOwned(v, SafeArrayCreateVector(VT_I4, 0, 1)); }, E_INVALIDARG},
    {"VariantElements",
     [](StringArrayView& v) { AttachOwned(v, SafeArrayCreateVector(VT_VARIANT, 0, 1)); },
     E_INVALIDARG},
    {"NoElementType",
     [](StringArrayView& v) {
       SAFEARRAY bare{};
       bare.cDims = 1;
       v.attach(&bare);
     },
     DISP_E_BADVARTYPE},
    {"EmptyViewAt", [](StringArrayView& v) { v.at(0); }, E_FAIL},
    {"EmptyViewBound", [](StringArrayView& v) { v.lowerBound(); }, E_INVALIDARG},
    {"BelowLowerBound",
     [](StringArrayView& v) {
       v.attach(MakeStringArray({u"a"}, 5));
       v.at(4);
     },
     E_INVALIDARG},
    {"AboveUpperBound",
     [](StringArrayView& v) {
       v.attach(MakeStringArray({u"a"}, -1));
       v.at(0);
     },
     E_INVALIDARG},
    {"NoElements",
     [](StringArrayView& v) {
       v.attach(MakeStringArray({}));
       v.at(0);
     },
     E_INVALIDARG},
    // A first dimension longer than the data: a second dimension of none.
    {"DataShorterThanFirstDimension",
     [](StringArrayView& v) {
       SAFEARRAYBOUND bounds[2] = {{3, 0}, {0, 0}};
       v.attach(SafeArrayCreate(VT_BSTR, 2, bounds));
       v.at(0);
     },
     E_UNEXPECTED},
};

INSTANTIATE_TEST_SUITE_P(Errors, StringArrayViewErrorTest, ::testing::ValuesIn(kErrorCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace dravlen
