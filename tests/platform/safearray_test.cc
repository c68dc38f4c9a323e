#include "platform/posix/safearray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "counted_object.h"
#include "platform/posix/testing.h"

namespace {

TEST(SafeArrayTest, CreationSetsFeaturesSizeAndHiddenType) {
  struct Case {
    VARTYPE vt;
    unsigned features;
    ULONG elementSize;
  };
  const Case cases[] = {
      {VT_BSTR, FADF_HAVEVARTYPE | FADF_BSTR, sizeof(BSTR)},
      {VT_UNKNOWN, FADF_HAVEVARTYPE | FADF_UNKNOWN, sizeof(void*)},
      {VT_DISPATCH, FADF_HAVEVARTYPE | FADF_DISPATCH, sizeof(void*)},
      {VT_VARIANT, FADF_HAVEVARTYPE | FADF_VARIANT, sizeof(VARIANT)},
      {VT_I4, FADF_HAVEVARTYPE, 4},
      {VT_I2, FADF_HAVEVARTYPE, 2},
      {VT_UI1, FADF_HAVEVARTYPE, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vt);
    SAFEARRAY* array = SafeArrayCreateVector(c.vt, 0, 3);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->fFeatures, c.features);
    EXPECT_EQ(array->cbElements, c.elementSize);
    EXPECT_EQ(array->cDims, 1);
    EXPECT_EQ(array->cLocks, 0u);
    uint32_t hidden;
    std::memcpy(&hidden, reinterpret_cast<unsigned char*>(array) - 4, sizeof hidden);
    EXPECT_EQ(hidden, c.vt);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
    EXPECT_EQ(vt, c.vt);
    const auto* data = static_cast<const unsigned char*>(array->pvData);
    EXPECT_EQ(std::vector<unsigned char>(data, data + 3 * c.elementSize),
              std::vector<unsigned char>(3 * c.elementSize, 0));
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
  }
  for (VARTYPE unsupported : {VARTYPE{VT_EMPTY}, VARTYPE{VT_NULL}, VARTYPE{15}}) {
    EXPECT_EQ(SafeArrayCreateVector(unsupported, 0, 1), nullptr) << unsupported;
  }
}

TEST(SafeArrayTest, VartypeOfHandBuiltDescriptorFollowsFeatures) {
  struct Case {
    unsigned features;
    HRESULT hr;
    VARTYPE vt;
  };
  const Case cases[] = {{FADF_BSTR, S_OK, VT_BSTR},         {FADF_UNKNOWN, S_OK, VT_UNKNOWN},
                        {FADF_DISPATCH, S_OK, VT_DISPATCH}, {FADF_VARIANT, S_OK, VT_VARIANT},
                        {0, DISP_E_BADVARTYPE, VT_EMPTY},   {FADF_FIXEDSIZE, DISP_E_BADVARTYPE, 0}};
  for (const Case& c : cases) {
    SAFEARRAY array = {};
    array.fFeatures = static_cast<USHORT>(c.features);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(&array, &vt), c.hr) << c.features;
    EXPECT_EQ(vt, c.vt) << c.features;
  }
  SAFEARRAY array = {};
  VARTYPE vt;
  EXPECT_EQ(SafeArrayGetVartype(nullptr, &vt), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetVartype(&array, nullptr), E_INVALIDARG);
}

TEST(SafeArrayTest, VectorBoundsIncludingEmptyOnes) {
  struct Case {
    LONG lower;
    ULONG elements;
    LONG upper;
  };
  const Case cases[] = {{0, 3, 2}, {5, 2, 6},  {-3, 4, 0},
                        {1, 0, 0}, {0, 0, -1}, {INT32_MIN, 0, INT32_MAX}};
  for (const Case& c : cases) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, c.lower, c.elements);
    ASSERT_NE(array, nullptr);
    LONG lower = 99, upper = 99;
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(lower, c.lower);
    EXPECT_EQ(upper, c.upper) << c.lower << "+" << c.elements;
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
  }
}

TEST(SafeArrayTest, DimensionsAreStoredLastFirstAndIndexedFirstFastest) {
  SAFEARRAYBOUND bounds[] = {{2, 10}, {3, 20}};
  SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(SafeArrayGetDim(array), 2u);
  const SAFEARRAYBOUND* stored = array->rgsabound;
  EXPECT_EQ(stored[0].lLbound, 20);
  EXPECT_EQ(stored[1].lLbound, 10);
  LONG value = 0;
  struct Bound {
    UINT dim;
    HRESULT hr;
    LONG lower, upper;
  };
  for (const Bound& b : {Bound{1, S_OK, 10, 11}, Bound{2, S_OK, 20, 22},
                         Bound{0, DISP_E_BADINDEX, 0, 0}, Bound{3, DISP_E_BADINDEX, 0, 0}}) {
    LONG lower = 0, upper = 0;
    EXPECT_EQ(SafeArrayGetLBound(array, b.dim, &lower), b.hr);
    EXPECT_EQ(SafeArrayGetUBound(array, b.dim, &upper), b.hr);
    EXPECT_EQ(lower, b.lower);
    EXPECT_EQ(upper, b.upper);
  }
  EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &value), E_INVALIDARG);

  struct Put {
    LONG first, second;
    HRESULT hr;
    int cell;
  };
  const Put puts[] = {{10, 20, S_OK, 0},
                      {11, 20, S_OK, 1},
                      {10, 21, S_OK, 2},
                      {11, 22, S_OK, 5},
                      {12, 20, DISP_E_BADINDEX, -1},
                      {10, 19, DISP_E_BADINDEX, -1}};
  for (const Put& p : puts) {
    LONG indices[] = {p.first, p.second};
    value = 100 + p.cell;
    EXPECT_EQ(SafeArrayPutElement(array, indices, &value), p.hr) << p.first << "," << p.second;
    if (p.cell >= 0) {
      EXPECT_EQ(static_cast<LONG*>(array->pvData)[p.cell], value);
    }
  }
  EXPECT_EQ(array->cLocks, 0u);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArrayTest, LockCountsOnAnyDescriptor) {
  SAFEARRAY array = {};
  EXPECT_EQ(SafeArrayUnlock(&array), E_UNEXPECTED);
  EXPECT_EQ(SafeArrayLock(&array), S_OK);
  EXPECT_EQ(SafeArrayLock(&array), S_OK);
  EXPECT_EQ(array.cLocks, 2u);
  EXPECT_EQ(SafeArrayUnlock(&array), S_OK);
  EXPECT_EQ(array.cLocks, 1u);
  array.cLocks = 65535;
  EXPECT_EQ(SafeArrayLock(&array), E_UNEXPECTED);
  EXPECT_EQ(array.cLocks, 65535u);
  EXPECT_EQ(SafeArrayLock(nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayUnlock(nullptr), E_INVALIDARG);
}

TEST(SafeArrayTest, DestroyRefusesLockedArrayThenFreesElements) {
  const std::size_t strings = standin::LiveStringCount();
  const std::size_t arrays = standin::LiveArrayCount();
  SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 1, 3);
  ASSERT_NE(array, nullptr);
  BSTR text = SysAllocString(u"path");
  LONG index = 1;
  EXPECT_EQ(SafeArrayPutElement(array, &index, text), S_OK);
  index = 2;
  EXPECT_EQ(SafeArrayPutElement(array, &index, nullptr), S_OK);
  index = 4;
  EXPECT_EQ(SafeArrayPutElement(array, &index, text), DISP_E_BADINDEX);
  BSTR* cells = static_cast<BSTR*>(array->pvData);
  ASSERT_NE(cells[0], nullptr);
  EXPECT_NE(cells[0], text);  // copied, not adopted
  EXPECT_EQ(std::u16string(cells[0], SysStringLen(cells[0])), u"path");
  ASSERT_NE(cells[1], nullptr);  // a null BSTR is stored as an empty string
  EXPECT_EQ(SysStringLen(cells[1]), 0u);
  EXPECT_EQ(cells[2], nullptr);
  SysFreeString(text);

  EXPECT_EQ(SafeArrayLock(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(standin::LiveArrayCount(), arrays + 1);
  EXPECT_EQ(standin::LiveStringCount(), strings + 2);
  EXPECT_EQ(SafeArrayUnlock(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
  EXPECT_EQ(standin::LiveArrayCount(), arrays);
  EXPECT_EQ(standin::LiveStringCount(), strings);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArrayTest, InterfaceAndVariantElementsAreReleasedWithTheArray) {
  CountedObject object;
  SAFEARRAY* objects = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  LONG index = 0;
  EXPECT_EQ(SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&object)), S_OK);
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(u"x");
  const std::size_t strings = standin::LiveStringCount();
  EXPECT_EQ(SafeArrayPutElement(variants, &index, &value), S_OK);
  EXPECT_EQ(object.refs, 2u);
  EXPECT_EQ(standin::LiveStringCount(), strings + 1);
  EXPECT_EQ(SafeArrayDestroy(objects), S_OK);
  EXPECT_EQ(SafeArrayDestroy(variants), S_OK);
  EXPECT_EQ(object.refs, 1u);
  EXPECT_EQ(standin::LiveStringCount(), strings);
  EXPECT_EQ(VariantClear(&value), S_OK);
}

}  // namespace
