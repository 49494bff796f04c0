#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"
#include "platform/com/tests/automation/FakeObject.h"

namespace {

VARIANT Bstr(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

TEST(VariantCopy, BstrIsCopiedDeep) {
  VARIANT src = Bstr(L"abc"), dst = Bstr(L"old");
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);  // the old BSTR of dst is freed
  EXPECT_NE(dst.bstrVal, src.bstrVal);
  EXPECT_STREQ(dst.bstrVal, L"abc");
  EXPECT_EQ(VariantCopy(&dst, &dst), S_OK);
  EXPECT_EQ(VariantClear(&src), S_OK);
  EXPECT_EQ(src.vt, VT_EMPTY);
  EXPECT_STREQ(dst.bstrVal, L"abc");
  VariantClear(&dst);
}

TEST(VariantCopy, InterfacesAreAddRefedAndReleased) {
  FakeObject obj;
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  a.vt = VT_UNKNOWN;
  a.punkVal = &obj;
  obj.AddRef();
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_EQ(obj.Extra(), 2);
  VariantClear(&a);
  VariantClear(&b);
  EXPECT_EQ(obj.Extra(), 0);
}

TEST(VariantCopy, ByRefIsCopiedAsTheReferenceAndNeverFreed) {
  BSTR target = SysAllocString(L"kept");
  VARIANT ref, copy;
  VariantInit(&ref);
  VariantInit(&copy);
  ref.vt = VT_BYREF | VT_BSTR;
  ref.pbstrVal = &target;
  ASSERT_EQ(VariantCopy(&copy, &ref), S_OK);
  EXPECT_EQ(copy.pbstrVal, &target);
  EXPECT_EQ(VariantClear(&copy), S_OK);
  EXPECT_EQ(VariantClear(&ref), S_OK);
  EXPECT_STREQ(target, L"kept");

  ref.vt = VT_BYREF | VT_BSTR;
  ref.pbstrVal = &target;
  ASSERT_EQ(VariantCopyInd(&copy, &ref), S_OK);
  EXPECT_EQ(copy.vt, VT_BSTR);
  EXPECT_NE(copy.bstrVal, target);
  EXPECT_STREQ(copy.bstrVal, L"kept");
  VariantClear(&copy);
  SysFreeString(target);
}

TEST(VariantCopy, ArraysOfVariantsAreCopiedDeep) {
  FakeObject obj;
  SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  VARIANT text = Bstr(L"element");
  VARIANT unk;
  VariantInit(&unk);
  unk.vt = VT_UNKNOWN;
  unk.punkVal = &obj;
  LONG i = 0;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, &text), S_OK);
  i = 1;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, &unk), S_OK);
  VariantClear(&text);
  EXPECT_EQ(obj.Extra(), 1);

  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  a.vt = VT_ARRAY | VT_VARIANT;
  a.parray = psa;
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_NE(b.parray, a.parray);
  EXPECT_EQ(obj.Extra(), 2);
  EXPECT_TRUE(tessaly::VariantEquals(a, b));
  VARIANT* elems = static_cast<VARIANT*>(b.parray->pvData);
  EXPECT_NE(elems[0].bstrVal, static_cast<VARIANT*>(psa->pvData)[0].bstrVal);

  // A locked array cannot be cleared, and the VARIANT stays as it was.
  SafeArrayLock(b.parray);
  EXPECT_EQ(VariantClear(&b), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(b.vt, VT_ARRAY | VT_VARIANT);
  SafeArrayUnlock(b.parray);

  VariantClear(&a);
  VariantClear(&b);
  EXPECT_EQ(obj.Extra(), 0);
}

TEST(VariantCopy, BadTypesAreRefused) {
  VARIANT bad;
  VariantInit(&bad);
  bad.vt = 0x0FFF;
  VARIANT out;
  VariantInit(&out);
  EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantCopy(&out, &bad), DISP_E_BADVARTYPE);
  EXPECT_EQ(out.vt, VT_EMPTY);
}

TEST(VariantEquals, ComparesTypeAndValue) {
  VARIANT a = Bstr(L"x"), b = Bstr(L"x"), c = Bstr(L"y");
  EXPECT_TRUE(tessaly::VariantEquals(a, b));
  EXPECT_FALSE(tessaly::VariantEquals(a, c));
  VARIANT i4, i2;
  VariantInit(&i4);
  VariantInit(&i2);
  i4.vt = VT_I4;
  i4.lVal = 1;
  i2.vt = VT_I2;
  i2.iVal = 1;
  EXPECT_FALSE(tessaly::VariantEquals(i4, i2));
  VariantClear(&a);
  VariantClear(&b);
  VariantClear(&c);
}

}  // namespace
