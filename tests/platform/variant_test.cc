#include "platform/posix/variant.h"

#include <gtest/gtest.h>

#include "counted_object.h"
#include "platform/posix/safearray.h"
#include "platform/posix/testing.h"

namespace {

TEST(VariantTest, InitTouchesOnlyTheTypeAndClearReleasesOwnedValues) {
  VARIANT variant;
  variant.vt = VT_I4;
  variant.wReserved1 = 7;
  variant.lVal = 42;
  VariantInit(&variant);
  EXPECT_EQ(variant.vt, VT_EMPTY);
  EXPECT_EQ(variant.wReserved1, 7);
  EXPECT_EQ(variant.lVal, 42);

  const std::size_t strings = standin::LiveStringCount();
  const std::size_t arrays = standin::LiveArrayCount();
  CountedObject object;
  BSTR borrowed = SysAllocString(u"kept");
  struct Case {
    VARTYPE vt;
    HRESULT hr;
  };
  const Case cases[] = {{VT_BSTR, S_OK},
                        {VT_UNKNOWN, S_OK},
                        {VT_ARRAY | VT_BSTR, S_OK},
                        {VT_BYREF | VT_BSTR, S_OK},
                        {VARTYPE{15}, DISP_E_BADVARTYPE},
                        {VT_ARRAY | VT_EMPTY, DISP_E_BADVARTYPE}};
  for (const Case& c : cases) {
    variant.vt = c.vt;
    if (c.vt == VT_BSTR) variant.bstrVal = SysAllocString(u"owned");
    if (c.vt == VT_UNKNOWN) variant.punkVal = (object.AddRef(), &object);
    if (c.vt == (VT_ARRAY | VT_BSTR)) variant.parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
    if (c.vt == (VT_BYREF | VT_BSTR)) variant.byref = &borrowed;
    EXPECT_EQ(VariantClear(&variant), c.hr) << c.vt;
    EXPECT_EQ(variant.vt, c.hr == S_OK ? VARTYPE{VT_EMPTY} : c.vt);
  }
  EXPECT_EQ(object.refs, 1u);
  EXPECT_EQ(standin::LiveStringCount(), strings + 1);  // only the borrowed one
  EXPECT_EQ(standin::LiveArrayCount(), arrays);
  SysFreeString(borrowed);

  // A locked array stays alive; the variant is emptied all the same.
  SAFEARRAY* locked = SafeArrayCreateVector(VT_I4, 0, 1);
  SafeArrayLock(locked);
  variant.vt = VT_ARRAY | VT_I4;
  variant.parray = locked;
  EXPECT_EQ(VariantClear(&variant), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(variant.vt, VT_EMPTY);
  EXPECT_EQ(standin::LiveArrayCount(), arrays + 1);
  SafeArrayUnlock(locked);
  EXPECT_EQ(SafeArrayDestroy(locked), S_OK);
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

}  // namespace
