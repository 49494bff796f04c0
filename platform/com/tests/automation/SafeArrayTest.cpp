#include "platform/com/SafeArray.h"

#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/Variant.h"
#include "platform/com/tests/automation/FakeObject.h"

namespace {

TEST(SafeArray, DimensionsAreGivenAndIndexedLeftmostFirst) {
  // 3 rows (1..3) by 2 columns (10..11).
  SAFEARRAYBOUND bounds[2] = {{3, 1}, {2, 10}};
  SAFEARRAY* psa = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(psa, nullptr);
  EXPECT_EQ(SafeArrayGetDim(psa), 2u);
  EXPECT_EQ(SafeArrayGetElemsize(psa), 4u);
  LONG lb = 0, ub = 0;
  EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lb), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, 1, &ub), S_OK);
  EXPECT_EQ(lb, 1);
  EXPECT_EQ(ub, 3);
  EXPECT_EQ(SafeArrayGetLBound(psa, 2, &lb), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(psa, 2, &ub), S_OK);
  EXPECT_EQ(lb, 10);
  EXPECT_EQ(ub, 11);
  EXPECT_EQ(SafeArrayGetLBound(psa, 0, &lb), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(psa, 3, &ub), DISP_E_BADINDEX);

  for (LONG r = 1; r <= 3; ++r)
    for (LONG c = 10; c <= 11; ++c) {
      LONG idx[2] = {r, c};
      LONG value = r * 100 + c;
      ASSERT_EQ(SafeArrayPutElement(psa, idx, &value), S_OK);
    }
  for (LONG r = 1; r <= 3; ++r)
    for (LONG c = 10; c <= 11; ++c) {
      LONG idx[2] = {r, c};
      LONG value = 0;
      ASSERT_EQ(SafeArrayGetElement(psa, idx, &value), S_OK);
      EXPECT_EQ(value, r * 100 + c);
    }
  // The leftmost index varies fastest in memory.
  const LONG* data = static_cast<const LONG*>(psa->pvData);
  EXPECT_EQ(data[0], 110);
  EXPECT_EQ(data[1], 210);
  EXPECT_EQ(data[3], 111);

  const LONG outside[][2] = {{0, 10}, {4, 10}, {1, 9}, {1, 12}};
  for (const auto& o : outside) {
    LONG idx[2] = {o[0], o[1]};
    LONG value = 0;
    EXPECT_EQ(SafeArrayGetElement(psa, idx, &value), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayPutElement(psa, idx, &value), DISP_E_BADINDEX);
  }
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, KeepsItsElementType) {
  const struct {
    VARTYPE vt;
    UINT size;
  } types[] = {{VT_UI1, 1}, {VT_I2, 2},  {VT_BOOL, 2}, {VT_I4, 4},  {VT_R4, 4},      {VT_ERROR, 4},
               {VT_R8, 8},  {VT_CY, 8},  {VT_DATE, 8}, {VT_UI8, 8}, {VT_BSTR, sizeof(BSTR)},
               {VT_UNKNOWN, sizeof(void*)}, {VT_VARIANT, sizeof(VARIANT)}};
  for (const auto& t : types) {
    SAFEARRAY* psa = SafeArrayCreateVector(t.vt, 0, 3);
    ASSERT_NE(psa, nullptr) << t.vt;
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
    EXPECT_EQ(vt, t.vt);
    EXPECT_EQ(SafeArrayGetElemsize(psa), t.size);
    SafeArrayDestroy(psa);
  }
  SAFEARRAYBOUND b{1, 0};
  EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &b), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &b), nullptr);
  SAFEARRAY* none = SafeArrayCreateVector(VT_I4, 5, 0);
  ASSERT_NE(none, nullptr);
  LONG ub = 0;
  SafeArrayGetUBound(none, 1, &ub);
  EXPECT_EQ(ub, 4);
  SafeArrayDestroy(none);
}

TEST(SafeArray, ElementsAreCopiedInAndOut) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 2);
  BSTR text = SysAllocString(L"first");
  LONG i = 0;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, text), S_OK);
  ASSERT_EQ(SafeArrayPutElement(psa, &i, text), S_OK);  // replaces (and frees) the first copy
  BSTR out = nullptr;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out), S_OK);
  EXPECT_NE(out, text);
  EXPECT_STREQ(out, L"first");
  SysFreeString(out);
  SysFreeString(text);
  i = 1;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out), S_OK);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);

  FakeObject obj;
  SAFEARRAY* objects = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
  i = 0;
  ASSERT_EQ(SafeArrayPutElement(objects, &i, static_cast<IUnknown*>(&obj)), S_OK);
  ASSERT_EQ(SafeArrayPutElement(objects, &i, static_cast<IUnknown*>(&obj)), S_OK);
  EXPECT_EQ(obj.Extra(), 1);
  IUnknown* got = nullptr;
  ASSERT_EQ(SafeArrayGetElement(objects, &i, &got), S_OK);
  EXPECT_EQ(obj.Extra(), 2);
  got->Release();
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(objects, &copy), S_OK);
  EXPECT_EQ(obj.Extra(), 2);
  SafeArrayDestroy(copy);
  SafeArrayDestroy(objects);
  EXPECT_EQ(obj.Extra(), 0);
}

TEST(SafeArray, CopyIsDeep) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 1, 1);
  LONG i = 1;
  BSTR text = SysAllocString(L"one");
  SafeArrayPutElement(psa, &i, text);
  SysFreeString(text);
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
  SafeArrayDestroy(psa);
  BSTR out = nullptr;
  ASSERT_EQ(SafeArrayGetElement(copy, &i, &out), S_OK);
  EXPECT_STREQ(out, L"one");
  SysFreeString(out);
  VARTYPE vt;
  SafeArrayGetVartype(copy, &vt);
  EXPECT_EQ(vt, VT_BSTR);
  SafeArrayDestroy(copy);

  EXPECT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
  EXPECT_EQ(copy, nullptr);
}

TEST(SafeArray, LocksKeepTheArrayAlive) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, 4);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  EXPECT_EQ(data, psa->pvData);
  ASSERT_EQ(SafeArrayLock(psa), S_OK);
  EXPECT_EQ(psa->cLocks, 2u);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  SAFEARRAYBOUND b{8, 0};
  EXPECT_EQ(SafeArrayRedim(psa, &b), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnlock(psa), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(SafeArrayUnlock(psa), E_UNEXPECTED);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, RedimChangesTheRightmostDimension) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 3);
  for (LONG i = 0; i < 3; ++i) {
    BSTR b = SysAllocString(L"x");
    SafeArrayPutElement(psa, &i, b);
    SysFreeString(b);
  }
  SAFEARRAYBOUND smaller{1, 0};
  ASSERT_EQ(SafeArrayRedim(psa, &smaller), S_OK);  // the two dropped BSTRs are freed
  SAFEARRAYBOUND larger{4, 0};
  ASSERT_EQ(SafeArrayRedim(psa, &larger), S_OK);
  BSTR* data = static_cast<BSTR*>(psa->pvData);
  EXPECT_STREQ(data[0], L"x");
  EXPECT_EQ(data[1], nullptr);
  EXPECT_EQ(data[3], nullptr);
  SafeArrayDestroy(psa);

  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  SAFEARRAY* grid = SafeArrayCreate(VT_I4, 2, bounds);
  LONG idx[2] = {1, 1};
  LONG v = 11;
  SafeArrayPutElement(grid, idx, &v);
  SAFEARRAYBOUND cols{3, 0};
  ASSERT_EQ(SafeArrayRedim(grid, &cols), S_OK);
  LONG ub = 0;
  SafeArrayGetUBound(grid, 2, &ub);
  EXPECT_EQ(ub, 2);
  SafeArrayGetUBound(grid, 1, &ub);
  EXPECT_EQ(ub, 1);
  v = 0;
  ASSERT_EQ(SafeArrayGetElement(grid, idx, &v), S_OK);
  EXPECT_EQ(v, 11);
  SafeArrayDestroy(grid);
}

TEST(SafeArray, DescriptorAndDataSeparately) {
  SAFEARRAY* psa = nullptr;
  ASSERT_EQ(SafeArrayAllocDescriptorEx(VT_R8, 1, &psa), S_OK);
  psa->rgsabound[0] = {5, 0};
  ASSERT_EQ(SafeArrayAllocData(psa), S_OK);
  LONG i = 4;
  double d = 2.5;
  EXPECT_EQ(SafeArrayPutElement(psa, &i, &d), S_OK);
  EXPECT_EQ(SafeArrayDestroyData(psa), S_OK);
  EXPECT_EQ(psa->pvData, nullptr);
  EXPECT_EQ(SafeArrayDestroyDescriptor(psa), S_OK);
  EXPECT_EQ(SafeArrayAllocDescriptor(0, &psa), E_INVALIDARG);
}

}  // namespace
