#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComVariant.h"
#include "platform/com/Variant.h"
#include "platform/com/tests/automation/FakeObject.h"
#include "platform/win32/Time.h"

namespace {

CComVariant Cy(LONGLONG scaled) {
  CY c;
  c.int64 = scaled;
  return CComVariant(c);
}
CComVariant Date(double d) { return CComVariant(d, VT_DATE); }
CComVariant Null() {
  CComVariant v;
  v.vt = VT_NULL;
  return v;
}
CComVariant Error(SCODE sc) { return CComVariant(static_cast<int>(sc), VT_ERROR); }
CComVariant Empty() { return CComVariant(); }

std::string Describe(const VARIANT& v) {
  CComVariant text;
  if (v.vt == VT_BSTR) {
    text = v;
  } else if (FAILED(VariantChangeType(&text, &v, VARIANT_ALPHABOOL, VT_BSTR))) {
    return "vt=" + std::to_string(v.vt);
  }
  std::wstring w = tessaly::BstrToString(text.bstrVal);
  return "vt=" + std::to_string(v.vt) + " \"" + std::string(w.begin(), w.end()) + "\"";
}

struct Case {
  const char* name;
  CComVariant from;
  VARTYPE to;
  USHORT flags;
  HRESULT hr;
  CComVariant expected;  // ignored when hr fails
};

void RunTable(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CComVariant out(L"untouched");
    const HRESULT hr = VariantChangeType(&out, &c.from, c.flags, c.to);
    EXPECT_EQ(hr, c.hr);
    if (SUCCEEDED(c.hr)) {
      EXPECT_TRUE(tessaly::VariantEquals(out, c.expected)) << "got " << Describe(out) << ", want "
                                                           << Describe(c.expected);
    } else {
      EXPECT_TRUE(out == CComVariant(L"untouched")) << "a failed conversion changed its destination";
    }
  }
}

TEST(VariantChangeType, IntegerRanges) {
  RunTable({
      {"I4 255 to UI1", 255, VT_UI1, 0, S_OK, BYTE(255)},
      {"I4 256 to UI1", 256, VT_UI1, 0, DISP_E_OVERFLOW, {}},
      {"I4 -1 to UI1", -1, VT_UI1, 0, DISP_E_OVERFLOW, {}},
      {"I4 -128 to I1", -128, VT_I1, 0, S_OK, char(-128)},
      {"I4 -129 to I1", -129, VT_I1, 0, DISP_E_OVERFLOW, {}},
      {"I4 -32768 to I2", -32768, VT_I2, 0, S_OK, short(-32768)},
      {"I4 40000 to I2", 40000, VT_I2, 0, DISP_E_OVERFLOW, {}},
      {"I4 40000 to UI2", 40000, VT_UI2, 0, S_OK, static_cast<unsigned short>(40000)},
      // A signed and an unsigned type of one size keep the bits.
      {"I4 -1 to UI4", -1, VT_UI4, 0, S_OK, 0xFFFFFFFFu},
      {"UI4 max to I4", 0xFFFFFFFFu, VT_I4, 0, S_OK, -1},
      {"UI4 max to I8", 0xFFFFFFFFu, VT_I8, 0, S_OK, LONGLONG(0xFFFFFFFF)},
      {"I8 -1 to UI8", LONGLONG(-1), VT_UI8, 0, S_OK, ~ULONGLONG(0)},
      {"UI8 2^63 to I8", ULONGLONG(1) << 63, VT_I8, 0, S_OK, std::numeric_limits<LONGLONG>::min()},
      {"I8 2^40 to I4", LONGLONG(1) << 40, VT_I4, 0, DISP_E_OVERFLOW, {}},
      {"I4 7 to INT", 7, VT_INT, 0, S_OK, CComVariant(7, VT_INT)},
      {"I4 7 to UINT", 7, VT_UINT, 0, S_OK, CComVariant(7u, VT_UINT)},
  });
}

TEST(VariantChangeType, FloatsRoundHalfToEven) {
  RunTable({
      {"2.5", 2.5, VT_I4, 0, S_OK, 2},
      {"3.5", 3.5, VT_I4, 0, S_OK, 4},
      {"-2.5", -2.5, VT_I4, 0, S_OK, -2},
      {"-3.5", -3.5, VT_I4, 0, S_OK, -4},
      {"2.4999", 2.4999, VT_I4, 0, S_OK, 2},
      {"2.5001", 2.5001, VT_I2, 0, S_OK, short(3)},
      {"R4 0.5 to UI1", 0.5f, VT_UI1, 0, S_OK, BYTE(0)},
      {"R4 1.5 to UI1", 1.5f, VT_UI1, 0, S_OK, BYTE(2)},
      {"-0.5 to UI1 rounds to 0", -0.5, VT_UI1, 0, S_OK, BYTE(0)},
      {"-0.6 to UI1", -0.6, VT_UI1, 0, DISP_E_OVERFLOW, {}},
      {"I4 top edge", 2147483647.4, VT_I4, 0, S_OK, 2147483647},
      {"I4 past the top", 2147483647.5, VT_I4, 0, DISP_E_OVERFLOW, {}},
      {"I8 past the top", 9.3e18, VT_I8, 0, DISP_E_OVERFLOW, {}},
      {"NaN", std::numeric_limits<double>::quiet_NaN(), VT_I4, 0, DISP_E_OVERFLOW, {}},
      {"R8 to R4 too large", 1e300, VT_R4, 0, DISP_E_OVERFLOW, {}},
      {"R8 to R4", 0.5, VT_R4, 0, S_OK, 0.5f},
      {"DATE 2.5 to I4", Date(2.5), VT_I4, 0, S_OK, 2},
      {"CY 2.5 to I4", Cy(25000), VT_I4, 0, S_OK, 2},
      {"CY 3.5 to I4", Cy(35000), VT_I4, 0, S_OK, 4},
      {"CY -2.5 to I4", Cy(-25000), VT_I4, 0, S_OK, -2},
      {"CY 2.5001 to I4", Cy(25001), VT_I4, 0, S_OK, 3},
  });
}

TEST(VariantChangeType, TextToNumber) {
  RunTable({
      {"blanks around", L"  42 ", VT_I4, 0, S_OK, 42},
      {"sign", L"-17", VT_I2, 0, S_OK, short(-17)},
      {"plus sign", L"+5", VT_UI1, 0, S_OK, BYTE(5)},
      {"fraction rounds", L"2.5", VT_I4, 0, S_OK, 2},
      {"exponent", L"1e3", VT_I2, 0, S_OK, short(1000)},
      {"hex", L"&H1F", VT_I4, 0, S_OK, 31},
      {"octal", L"&O17", VT_I4, 0, S_OK, 15},
      {"real", L"0.1", VT_R8, 0, S_OK, 0.1},
      {"leading point", L".5", VT_R8, 0, S_OK, 0.5},
      {"UI8 max exact", L"18446744073709551615", VT_UI8, 0, S_OK, ~ULONGLONG(0)},
      {"I8 min exact", L"-9223372036854775808", VT_I8, 0, S_OK, std::numeric_limits<LONGLONG>::min()},
      {"too big for I2", L"70000", VT_I2, 0, DISP_E_OVERFLOW, {}},
      {"negative for UI4", L"-1", VT_UI4, 0, DISP_E_OVERFLOW, {}},
      {"letters", L"abc", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"trailing letters", L"12abc", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"empty", L"", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"blank", L"   ", VT_R8, 0, DISP_E_TYPEMISMATCH, {}},
      {"a comma separates thousands", L"1,5", VT_R8, 0, S_OK, 15.0},
      {"bare exponent", L"1e", VT_R8, 0, DISP_E_TYPEMISMATCH, {}},
      {"text to CY", L"12.3456", VT_CY, 0, S_OK, Cy(123456)},
  });
}

TEST(VariantChangeType, NumberToText) {
  RunTable({
      {"I4", -7, VT_BSTR, 0, S_OK, L"-7"},
      {"UI8", ~ULONGLONG(0), VT_BSTR, 0, S_OK, L"18446744073709551615"},
      {"R8 0.1", 0.1, VT_BSTR, 0, S_OK, L"0.1"},
      {"R8 1e20", 1e20, VT_BSTR, 0, S_OK, L"1E+20"},
      {"R8 third", 1.0 / 3, VT_BSTR, 0, S_OK, L"0.333333333333333"},
      {"R8 integral", 1234.0, VT_BSTR, 0, S_OK, L"1234"},
      {"R8 negative zero", -0.0, VT_BSTR, 0, S_OK, L"0"},
      {"R4 0.1", 0.1f, VT_BSTR, 0, S_OK, L"0.1"},
      {"R4 keeps 7 digits", 3.14159274f, VT_BSTR, 0, S_OK, L"3.141593"},
      {"CY 1.5", Cy(15000), VT_BSTR, 0, S_OK, L"1.5"},
      {"CY negative", Cy(-12345678), VT_BSTR, 0, S_OK, L"-1234.5678"},
      {"CY min", Cy(std::numeric_limits<LONGLONG>::min()), VT_BSTR, 0, S_OK, L"-922337203685477.5808"},
  });
}

TEST(VariantChangeType, TextRoundTripsThroughNumbers) {
  for (double d : {0.1, -2.75, 1e20, 123456789.125, 1e-7}) {
    CComVariant v(d);
    ASSERT_EQ(v.ChangeType(VT_BSTR), S_OK);
    ASSERT_EQ(v.ChangeType(VT_R8), S_OK);
    EXPECT_EQ(v.dblVal, d);
  }
}

TEST(VariantChangeType, Booleans) {
  RunTable({
      {"TRUE to text", true, VT_BSTR, 0, S_OK, L"-1"},
      {"FALSE to text", false, VT_BSTR, 0, S_OK, L"0"},
      {"TRUE alpha", true, VT_BSTR, VARIANT_ALPHABOOL, S_OK, L"True"},
      {"FALSE alpha", false, VT_BSTR, VARIANT_ALPHABOOL, S_OK, L"False"},
      {"text True", L"True", VT_BOOL, 0, S_OK, true},
      {"text false any case", L" fALSE ", VT_BOOL, 0, S_OK, false},
      {"text 0", L"0", VT_BOOL, 0, S_OK, false},
      {"text 2", L"2", VT_BOOL, 0, S_OK, true},
      {"text yes", L"yes", VT_BOOL, 0, DISP_E_TYPEMISMATCH, {}},
      {"I4 5", 5, VT_BOOL, 0, S_OK, true},
      {"R8 0.25", 0.25, VT_BOOL, 0, S_OK, true},
      {"R8 0", 0.0, VT_BOOL, 0, S_OK, false},
      {"TRUE to I4", true, VT_I4, 0, S_OK, -1},
      {"TRUE to R8", true, VT_R8, 0, S_OK, -1.0},
      {"TRUE to UI1", true, VT_UI1, 0, S_OK, BYTE(255)},
      {"FALSE to UI2", false, VT_UI2, 0, S_OK, static_cast<unsigned short>(0)},
  });
}

TEST(VariantChangeType, EmptyNullAndError) {
  RunTable({
      {"EMPTY to I4", Empty(), VT_I4, 0, S_OK, 0},
      {"EMPTY to R8", Empty(), VT_R8, 0, S_OK, 0.0},
      {"EMPTY to BSTR", Empty(), VT_BSTR, 0, S_OK, L""},
      {"EMPTY to BOOL", Empty(), VT_BOOL, 0, S_OK, false},
      {"EMPTY to NULL", Empty(), VT_NULL, 0, S_OK, Null()},
      {"I4 to EMPTY", 5, VT_EMPTY, 0, S_OK, Empty()},
      {"NULL to NULL", Null(), VT_NULL, 0, S_OK, Null()},
      {"NULL to I4", Null(), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"NULL to BSTR", Null(), VT_BSTR, 0, DISP_E_TYPEMISMATCH, {}},
      {"I4 to NULL", 5, VT_NULL, 0, S_OK, Null()},
      {"ERROR to I4", Error(E_FAIL), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"ERROR to ERROR", Error(E_FAIL), VT_ERROR, 0, S_OK, Error(E_FAIL)},
      {"I4 to a bad type", 5, VARTYPE(0x7F), 0, DISP_E_BADVARTYPE, {}},
      {"I4 to BYREF", 5, VARTYPE(VT_BYREF | VT_I4), 0, DISP_E_BADVARTYPE, {}},
  });
}

TEST(VariantChangeType, DatesAndCurrency) {
  const double march5 = 45356;  // 2024-03-05
  RunTable({
      {"date and time", Date(march5 + 0.5), VT_BSTR, 0, S_OK, L"3/5/2024 12:00:00 PM"},
      {"date only", Date(march5), VT_BSTR, 0, S_OK, L"3/5/2024"},
      {"time only", Date(0.25), VT_BSTR, 0, S_OK, L"6:00:00 AM"},
      {"day zero", Date(0), VT_BSTR, 0, S_OK, L"12:00:00 AM"},
      {"before day zero", Date(-1.25), VT_BSTR, 0, S_OK, L"12/29/1899 6:00:00 AM"},
      {"parse ISO", L"2024-03-05 12:00:00", VT_DATE, 0, S_OK, Date(march5 + 0.5)},
      {"parse ISO with T", L"2024-03-05T06:00", VT_DATE, 0, S_OK, Date(march5 + 0.25)},
      {"parse US with PM", L"3/5/2024 6:00 PM", VT_DATE, 0, S_OK, Date(march5 + 0.75)},
      {"parse US midnight AM", L"3/5/2024 12:00:00 AM", VT_DATE, 0, S_OK, Date(march5)},
      {"parse time", L"18:00", VT_DATE, 0, S_OK, Date(0.75)},
      {"parse bad day", L"2024-02-30", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"parse bad hour", L"25:00", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"parse words", L"yesterday", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"R8 to DATE", 1.5, VT_DATE, 0, S_OK, Date(1.5)},
      {"R8 past year 9999", 3e6, VT_DATE, 0, DISP_E_OVERFLOW, {}},
      {"R8 before year 100", -7e5, VT_DATE, 0, DISP_E_OVERFLOW, {}},
      {"DATE to R8", Date(1.75), VT_R8, 0, S_OK, 1.75},
      {"I4 to CY", 5, VT_CY, 0, S_OK, Cy(50000)},
      {"R8 to CY rounds", 1.23456, VT_CY, 0, S_OK, Cy(12346)},
      {"R8 to CY half even down", 0.03125, VT_CY, 0, S_OK, Cy(312)},
      {"R8 to CY half even up", 0.09375, VT_CY, 0, S_OK, Cy(938)},
      {"R8 too large for CY", 1e300, VT_CY, 0, DISP_E_OVERFLOW, {}},
      {"I8 too large for CY", LONGLONG(1) << 62, VT_CY, 0, DISP_E_OVERFLOW, {}},
      {"CY to R8", Cy(12345), VT_R8, 0, S_OK, 1.2345},
      {"CY to DATE", Cy(15000), VT_DATE, 0, S_OK, Date(1.5)},
  });
}

TEST(VariantChangeType, DateTextRoundTrips) {
  for (double d : {45356.0, 45356.604340277778, 0.999988425925926, -657434.0, 2958465.5, -1.25}) {
    CComVariant v(d, VT_DATE);
    ASSERT_EQ(v.ChangeType(VT_BSTR), S_OK);
    ASSERT_EQ(v.ChangeType(VT_DATE), S_OK);
    EXPECT_NEAR(v.date, d, 1.0 / 86400 / 2) << d;
  }
}

TEST(VariantChangeType, ByRefSourceIsDereferenced) {
  LONG value = 42;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = &value;
  CComVariant out;
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_BSTR), S_OK);
  EXPECT_STREQ(out.bstrVal, L"42");

  CComVariant inner(L"2.5");
  VARIANT refVariant;
  VariantInit(&refVariant);
  refVariant.vt = VT_BYREF | VT_VARIANT;
  refVariant.pvarVal = &inner;
  ASSERT_EQ(VariantChangeType(&out, &refVariant, 0, VT_R8), S_OK);
  EXPECT_EQ(out.dblVal, 2.5);

  // Converting a reference in place leaves its target alone.
  ASSERT_EQ(VariantChangeType(&ref, &ref, 0, VT_R8), S_OK);
  EXPECT_EQ(ref.vt, VT_R8);
  EXPECT_EQ(ref.dblVal, 42.0);
  EXPECT_EQ(value, 42);
}

TEST(VariantChangeType, InPlaceConversionFreesTheOldValue) {
  CComVariant v(L"123");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);  // the BSTR must go (ASan sees a leak)
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 123);
  CComVariant bad(L"x");
  EXPECT_EQ(VariantChangeType(&bad, &bad, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_STREQ(bad.bstrVal, L"x");
}

TEST(VariantChangeType, ObjectsThroughQueryInterfaceAndTheirValue) {
  FakeObject obj(7);
  {
    CComVariant disp(static_cast<IDispatch*>(&obj));
    CComVariant out;
    ASSERT_EQ(VariantChangeType(&out, &disp, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(out.punkVal, static_cast<IUnknown*>(&obj));
    EXPECT_EQ(obj.Extra(), 2);
    ASSERT_EQ(VariantChangeType(&out, &out, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(obj.Extra(), 2);

    CComVariant number;
    ASSERT_EQ(VariantChangeType(&number, &disp, 0, VT_BSTR), S_OK);
    EXPECT_STREQ(number.bstrVal, L"7");
    EXPECT_EQ(VariantChangeType(&number, &disp, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    CComVariant five(5);
    EXPECT_EQ(VariantChangeType(&number, &five, 0, VT_UNKNOWN), DISP_E_TYPEMISMATCH);
  }
  EXPECT_EQ(obj.Extra(), 0);

  FakeObject noValue(0, false);
  CComVariant v(static_cast<IDispatch*>(&noValue));
  CComVariant out;
  EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

// Windows' answers under English (United States), the locale the system runs under.
TEST(VariantChangeType, TextUnderTheUserLocale) {
  RunTable({
      {"thousands", L"1,000", VT_I4, 0, S_OK, 1000},
      {"thousands and decimals", L"1,234,567.5", VT_R8, 0, S_OK, 1234567.5},
      {"parentheses", L"(5)", VT_I4, 0, S_OK, -5},
      {"trailing minus", L"5-", VT_I4, 0, S_OK, -5},
      {"trailing plus", L"5+", VT_I2, 0, S_OK, short(5)},
      {"currency", L"$5", VT_I4, 0, S_OK, 5},
      {"currency after a sign", L"-$1,000.25", VT_CY, 0, S_OK, Cy(-10002500)},
      {"currency in parentheses", L"($2.50)", VT_R8, 0, S_OK, -2.5},
      {"hex", L"&HFF", VT_I2, 0, S_OK, short(255)},
      {"hex lower case", L"&hff", VT_UI1, 0, S_OK, BYTE(255)},
      {"a leading thousands separator", L",5", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"signs at both ends", L"-5-", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"sign inside parentheses", L"(-5)", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"unclosed parenthesis", L"(5", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"the currency sign alone", L"$", VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"a decimal comma", L"1.000,5", VT_R8, 0, DISP_E_TYPEMISMATCH, {}},
      {"too large for a double", L"1e999", VT_R8, 0, DISP_E_OVERFLOW, {}},
      {"too large for a double, to I4", L"-1e999", VT_I4, 0, DISP_E_OVERFLOW, {}},
      {"too small for a double", L"1e-999", VT_R8, 0, S_OK, 0.0},
      {"#TRUE#", L"#TRUE#", VT_BOOL, 0, S_OK, true},
      {"#FALSE#", L" #FALSE# ", VT_BOOL, 0, S_OK, false},
      {"#True# is case-sensitive", L"#True#", VT_BOOL, 0, DISP_E_TYPEMISMATCH, {}},
      {"a number as BOOL", L"0.1", VT_BOOL, 0, S_OK, true},
      {"currency as BOOL", L"$0", VT_BOOL, 0, S_OK, false},
  });
  // Every LCID reads text the same way here.
  for (LCID lcid : {LCID(0x0409), LOCALE_NEUTRAL, LOCALE_USER_DEFAULT, LCID(0x0407)}) {
    CComVariant text(L"1,000"), out;
    ASSERT_EQ(VariantChangeTypeEx(&out, &text, lcid, 0, VT_I4), S_OK) << lcid;
    EXPECT_EQ(out.lVal, 1000);
  }
}

TEST(VariantChangeType, DatesAsOleAutomationReadsThem) {
  tessaly::win32::ManualClock clock(tessaly::win32::kUnixEpochFileTime + 1907712000ULL * 10000000ULL, 0);
  tessaly::win32::ScopedClockForTesting scoped(clock);  // 2030-06-15: "this year" is 2030
  RunTable({
      {"US date", L"1/2/1970", VT_DATE, 0, S_OK, Date(25570)},
      {"dashes", L"1-2-1970", VT_DATE, 0, S_OK, Date(25570)},
      {"year first", L"1970-1-13", VT_DATE, 0, S_OK, Date(25581)},
      {"day first when the month cannot be", L"13-1-1970", VT_DATE, 0, S_OK, Date(25581)},
      {"month name", L"2 January 1970", VT_DATE, 0, S_OK, Date(25570)},
      {"month name first", L"Jan 2, 1970", VT_DATE, 0, S_OK, Date(25570)},
      {"month name and two-digit year", L"2-Jan-70", VT_DATE, 0, S_OK, Date(25570)},
      {"month name and a number that is no day", L"Jan 35", VT_DATE, 0, S_OK, Date(12785)},
      {"day and month of this year", L"1 2", VT_DATE, 0, S_OK, Date(47485)},
      {"month name and day of this year", L"Feb 1", VT_DATE, 0, S_OK, Date(47515)},
      {"month and year", L"30 2", VT_DATE, 0, S_OK, Date(10990)},
      {"three numbers, month first", L"1 2 3", VT_DATE, 0, S_OK, Date(37623)},
      {"three numbers, year first", L"14 2 3", VT_DATE, 0, S_OK, Date(41673)},
      {"two-digit years from 30 are 19xx", L"1 2 30", VT_DATE, 0, S_OK, Date(10960)},
      {"date and PM time", L"6/30/2011 01:20:34 PM", VT_DATE, 0, S_OK, Date(40724.55594907407)},
      {"ISO date and time", L"2013-05-14 02:04:12", VT_DATE, 0, S_OK, Date(41408.08625)},
      {"an hour with AM", L"1 am", VT_DATE, 0, S_OK, Date(1.0 / 24)},
      {"12 AM is midnight", L"12:59 AM", VT_DATE, 0, S_OK, Date(59.0 / 1440)},
      {"0 PM is noon", L"00:00 p", VT_DATE, 0, S_OK, Date(0.5)},
      {"AM is ignored past 12", L"13:00 AM", VT_DATE, 0, S_OK, Date(13.0 / 24)},
      {"weekday names are skipped", L"Friday, 2 Jan 1970", VT_DATE, 0, S_OK, Date(25570)},
      {"a number alone", L"1", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"a real number", L"0.0", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"a point separates hours and minutes", L"2.5", VT_DATE, 0, S_OK, Date(125.0 / 1440)},
      {"a point, one minute", L"0.1", VT_DATE, 0, S_OK, Date(1.0 / 1440)},
      {"a point, forty minutes", L"0.40", VT_DATE, 0, S_OK, Date(40.0 / 1440)},
      {"points between hours, minutes and seconds", L"1.5.2", VT_DATE, 0, S_OK, Date((3600 + 300 + 2) / 86400.0)},
      {"a point time and a date", L"1.2 3 4", VT_DATE, 0, S_OK, Date(47546 + 62.0 / 1440)},
      {"fractions of a second", L"2013-05-14 02:04:12.017", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"day.month.year is another locale's", L"02.01.1970", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"no month either way", L"32 49", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"minute 60", L"0:60", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"two AM", L"1 am pm", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
      {"year past 9999", L"1/1/10000", VT_DATE, 0, DISP_E_TYPEMISMATCH, {}},
  });
  RunTable({
      {"noon", Date(43831.5), VT_BSTR, 0, S_OK, L"1/1/2020 12:00:00 PM"},
      {"early morning", Date(3.34), VT_BSTR, 0, S_OK, L"1/2/1900 8:09:36 AM"},
      {"first day", Date(-657434.0), VT_BSTR, 0, S_OK, L"1/1/100"},
      {"last day", Date(2958465.0), VT_BSTR, 0, S_OK, L"12/31/9999"},
      {"past the last day", Date(2958466.0), VT_BSTR, 0, DISP_E_OVERFLOW, {}},
  });
}

TEST(VariantChangeType, WhereItDiffersFromTheVarFromFunctions) {
  auto Bool = [](SHORT value) {
    CComVariant v(true);
    v.boolVal = value;
    return v;
  };
  RunTable({
      {"I1 -1 to UI1", char(-1), VT_UI1, 0, S_OK, BYTE(255)},
      {"UI1 200 to I1", BYTE(200), VT_I1, 0, S_OK, char(-56)},
      {"I2 -2 to UI2", short(-2), VT_UI2, 0, S_OK, static_cast<unsigned short>(65534)},
      {"INT -1 to UINT", CComVariant(-1, VT_INT), VT_UINT, 0, S_OK, CComVariant(0xFFFFFFFFu, VT_UINT)},
      {"UINT max to INT", CComVariant(0xFFFFFFFFu, VT_UINT), VT_INT, 0, S_OK, CComVariant(-1, VT_INT)},
      {"UINT max to I4", CComVariant(0xFFFFFFFFu, VT_UINT), VT_I4, 0, S_OK, -1},
      {"BOOL 5 to I4", Bool(5), VT_I4, 0, S_OK, 5},
      {"BOOL 128 to I1 wraps", Bool(128), VT_I1, 0, S_OK, char(-128)},
      {"BOOL 256 to UI1 wraps", Bool(256), VT_UI1, 0, S_OK, BYTE(0)},
      {"BOOL -2 to UI4", Bool(-2), VT_UI4, 0, S_OK, 0xFFFFFFFEu},
      {"BOOL 5 to R8", Bool(5), VT_R8, 0, S_OK, 5.0},
      {"BOOL 1 to text", Bool(1), VT_BSTR, 0, S_OK, L"1"},
      {"BOOL 1 to text alpha", Bool(1), VT_BSTR, VARIANT_ALPHABOOL, S_OK, L"True"},
      {"NULL to EMPTY", Null(), VT_EMPTY, 0, DISP_E_TYPEMISMATCH, {}},
      {"ERROR to EMPTY", Error(E_FAIL), VT_EMPTY, 0, DISP_E_TYPEMISMATCH, {}},
      {"BOOL to NULL", Bool(-1), VT_NULL, 0, S_OK, Null()},
      {"text to NULL", L"5", VT_NULL, 0, DISP_E_TYPEMISMATCH, {}},
      {"I8 to CY, top", LONGLONG(922337203685476), VT_CY, 0, S_OK, Cy(9223372036854760000)},
      {"I8 to CY, past the top", LONGLONG(922337203685477), VT_CY, 0, DISP_E_OVERFLOW, {}},
      {"I8 to CY, bottom", LONGLONG(-922337203685476), VT_CY, 0, S_OK, Cy(-9223372036854760000)},
      {"I8 to CY, past the bottom", LONGLONG(-922337203685477), VT_CY, 0, DISP_E_OVERFLOW, {}},
      {"UI8 to CY, top", ULONGLONG(922337203685476), VT_CY, 0, S_OK, Cy(9223372036854760000)},
      {"UI8 to CY, past the top as I8", ULONGLONG(922337203685477), VT_CY, 0, DISP_E_OVERFLOW, {}},
      {"UI8 to CY, past the top", ULONGLONG(922337203685478), VT_CY, 0, DISP_E_OVERFLOW, {}},
  });
}

}  // namespace
