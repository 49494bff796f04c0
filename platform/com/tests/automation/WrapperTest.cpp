#include <gtest/gtest.h>

#include "platform/com/ComBSTR.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComVariant.h"
#include "platform/com/OleDateTime.h"
#include "platform/com/OleVariant.h"
#include "platform/com/tests/automation/FakeObject.h"

namespace {

void FillOut(BSTR* out) { *out = SysAllocString(L"filled"); }

TEST(CComBSTR, OwnsAndAppends) {
  CComBSTR a(L"abc");
  EXPECT_EQ(a.Length(), 3u);
  EXPECT_EQ(a.ByteLength(), 3 * sizeof(wchar_t));
  a.Append(L"def");
  a += CComBSTR(std::wstring(L"g\0h", 3));
  EXPECT_EQ(a.Length(), 9u);
  EXPECT_EQ(a.ToString(), std::wstring(L"abcdefg\0h", 9));

  CComBSTR b = a;
  EXPECT_NE(b.m_str, a.m_str);
  EXPECT_TRUE(b == a);
  EXPECT_TRUE(CComBSTR() == L"");  // null and "" are the same text
  EXPECT_TRUE(CComBSTR() == nullptr);
  EXPECT_TRUE(a != L"abc");

  BSTR raw = a.Detach();
  EXPECT_EQ(a.m_str, nullptr);
  b.Attach(raw);  // b's old string is freed
  EXPECT_EQ(b.m_str, raw);
  b.Empty();
  EXPECT_TRUE(!b);

  CComBSTR out;
  FillOut(&out);
  EXPECT_TRUE(out == L"filled");
  BSTR copy = out.Copy();
  EXPECT_STREQ(copy, L"filled");
  SysFreeString(copy);

  EXPECT_TRUE(CComBSTR(IID_IUnknown) == L"{00000000-0000-0000-C000-000000000046}");
}

TEST(CComVariant, ConstructorsPickTheType) {
  FakeObject obj;
  const struct {
    CComVariant v;
    VARTYPE vt;
  } cases[] = {
      {CComVariant(true), VT_BOOL},        {CComVariant(5), VT_I4},
      {CComVariant(5, VT_ERROR), VT_ERROR}, {CComVariant(5u), VT_UI4},
      {CComVariant(BYTE(1)), VT_UI1},      {CComVariant(char(1)), VT_I1},
      {CComVariant(short(1)), VT_I2},      {CComVariant(static_cast<unsigned short>(1)), VT_UI2},
      {CComVariant(LONGLONG(1)), VT_I8},   {CComVariant(ULONGLONG(1)), VT_UI8},
      {CComVariant(1.0f), VT_R4},          {CComVariant(1.0), VT_R8},
      {CComVariant(1.0, VT_DATE), VT_DATE}, {CComVariant(L"text"), VT_BSTR},
      {CComVariant(static_cast<IDispatch*>(&obj)), VT_DISPATCH},
      {CComVariant(static_cast<IUnknown*>(&obj)), VT_UNKNOWN},
  };
  for (const auto& c : cases) EXPECT_EQ(c.v.vt, c.vt);
  EXPECT_EQ(cases[0].v.boolVal, VARIANT_TRUE);
}

TEST(CComVariant, CopiesAndClearsBalanceReferences) {
  FakeObject obj;
  {
    CComVariant a(static_cast<IUnknown*>(&obj));
    CComVariant b = a;
    CComVariant c;
    c = b;
    EXPECT_EQ(obj.Extra(), 3);
    CComVariant moved(std::move(c));
    EXPECT_EQ(obj.Extra(), 3);
    b.Clear();
    EXPECT_EQ(obj.Extra(), 2);

    VARIANT raw;
    VariantInit(&raw);
    ASSERT_EQ(moved.Detach(&raw), S_OK);
    EXPECT_EQ(moved.vt, VT_EMPTY);
    CComVariant taken;
    ASSERT_EQ(taken.Attach(&raw), S_OK);
    EXPECT_EQ(raw.vt, VT_EMPTY);
    EXPECT_EQ(obj.Extra(), 2);
  }
  EXPECT_EQ(obj.Extra(), 0);

  CComVariant n(L"12");
  ASSERT_EQ(n.ChangeType(VT_I2), S_OK);
  EXPECT_EQ(n.iVal, 12);
  CComVariant text;
  ASSERT_EQ(text.ChangeType(VT_BSTR, &n), S_OK);
  EXPECT_STREQ(text.bstrVal, L"12");
}

TEST(COleVariant, FormsAndConversions) {
  COleVariant flag(1, VT_BOOL);
  EXPECT_EQ(flag.vt, VT_BOOL);
  EXPECT_EQ(flag.boolVal, VARIANT_TRUE);
  COleVariant small(short(0), VT_BOOL);
  EXPECT_EQ(small.boolVal, VARIANT_FALSE);
  COleVariant err(5, VT_ERROR);
  EXPECT_EQ(err.vt, VT_ERROR);

  COleVariant text(L"42");
  COleVariant same(text);
  EXPECT_TRUE(same == text);
  text.ChangeType(VT_I4);
  EXPECT_EQ(text.vt, VT_I4);
  EXPECT_EQ(text.lVal, 42);
  EXPECT_FALSE(same == text);

  COleVariant word(L"word");
  try {
    word.ChangeType(VT_R8);
    ADD_FAILURE() << "no exception";
  } catch (const COleVariantException& e) {
    EXPECT_EQ(e.m_sc, DISP_E_TYPEMISMATCH);
  }
  EXPECT_EQ(word.vt, VT_BSTR);  // unchanged

  VARIANT out = same.Detach();
  EXPECT_EQ(same.vt, VT_EMPTY);
  COleVariant back;
  back.Attach(out);
  EXPECT_STREQ(back.bstrVal, L"42");

  COleDateTime when(2024, 3, 5, 12, 0, 0);
  COleVariant date(when);
  EXPECT_EQ(date.vt, VT_DATE);
  EXPECT_EQ(date.date, 45356.5);
}

TEST(COleDateTime, PartsFormatAndStatus) {
  COleDateTime t(2024, 3, 5, 14, 30, 15);
  ASSERT_EQ(t.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(t.GetYear(), 2024);
  EXPECT_EQ(t.GetMonth(), 3);
  EXPECT_EQ(t.GetDay(), 5);
  EXPECT_EQ(t.GetHour(), 14);
  EXPECT_EQ(t.GetMinute(), 30);
  EXPECT_EQ(t.GetSecond(), 15);
  EXPECT_EQ(t.GetDayOfWeek(), 3);  // a Tuesday
  EXPECT_EQ(t.GetDayOfYear(), 65);
  EXPECT_EQ(t.Format(L"%Y-%m-%d %H:%M:%S"), L"2024-03-05 14:30:15");
  EXPECT_EQ(t.Format(), L"3/5/2024 2:30:15 PM");

  COleDateTime parsed;
  ASSERT_TRUE(parsed.ParseDateTime(L"2024-03-05 14:30:15"));
  EXPECT_EQ(parsed.GetSecond(), 15);
  EXPECT_NEAR(static_cast<DATE>(parsed), static_cast<DATE>(t), 1e-9);

  SYSTEMTIME st{};
  st.wYear = 1999;
  st.wMonth = 12;
  st.wDay = 31;
  st.wHour = 23;
  COleDateTime fromSt(st);
  EXPECT_EQ(fromSt.GetHour(), 23);
  EXPECT_TRUE(fromSt < t);
  EXPECT_TRUE(COleDateTime(-1.25) < COleDateTime(-1.75));  // the same day, 06:00 before 18:00
}

TEST(COleDateTime, InvalidValues) {
  const struct {
    int y, mo, d, h, mi, s;
  } bad[] = {{2023, 2, 29, 0, 0, 0}, {99, 1, 1, 0, 0, 0}, {10000, 1, 1, 0, 0, 0}, {2024, 13, 1, 0, 0, 0},
             {2024, 1, 1, 24, 0, 0}, {2024, 1, 1, 0, 60, 0}};
  for (const auto& b : bad) {
    COleDateTime t(b.y, b.mo, b.d, b.h, b.mi, b.s);
    EXPECT_EQ(t.GetStatus(), COleDateTime::invalid) << b.y << "-" << b.mo << "-" << b.d;
    EXPECT_EQ(t.GetYear(), -1);
    EXPECT_EQ(t.Format(L"%Y"), L"");
  }
  EXPECT_EQ(COleDateTime(3e6).GetStatus(), COleDateTime::invalid);
  COleDateTime parsed;
  EXPECT_FALSE(parsed.ParseDateTime(L"not a date"));
  EXPECT_EQ(parsed.GetStatus(), COleDateTime::invalid);
}

}  // namespace
