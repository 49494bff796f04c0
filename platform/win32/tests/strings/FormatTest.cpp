#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/Format.h"

namespace {

struct Case {
  int line;
  std::wstring got;
  std::wstring want;
};
#define CASE(want, ...) Case{__LINE__, FormatToWString(__VA_ARGS__), want}

void Check(const std::vector<Case>& cases) {
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << "case at line " << c.line;
}

TEST(Format, SpecifiersWidthsPrecisionAndFlags) {
  const wchar_t* wide = L"wide";
  const char* narrow = "narrow";
  Check({
      CASE(L"Start time: 250 ms.", L"Start time: %d ms.", 250),
      CASE(L"-7 -7 4294967289", L"%d %i %u", -7, -7, -7),
      CASE(L"ff FF 17 0xff 017", L"%x %X %o %#x %#o", 255, 255, 15, 255, 15),
      CASE(L"[   42][42   ][00042][+42][ 42]", L"[%5d][%-5d][%05d][%+d][% d]", 42, 42, 42, 42, 42),
      CASE(L"[  007]", L"[%5.3d]", 7),
      CASE(L"[   42][42   ]", L"[%*d][%-*d]", 5, 42, 5, 42),
      CASE(L"[42   ]", L"[%*d]", -5, 42),  // negative * width means left-aligned
      CASE(L"[3.14][  3.1]", L"[%.*f][%*.*f]", 2, 3.14159, 5, 1, 3.14159),
      CASE(L"1.500000 1.500000e+00 1.5E+10 0.0001 1e-05", L"%f %e %G %g %g", 1.5, 1.5, 1.5e10, 0.0001, 0.00001),
      CASE(L"[wide][narrow][  ab][ab  ][wi]", L"[%s][%S][%4s][%-4s][%.2s]", wide, narrow, L"ab", L"ab", wide),
      CASE(L"100% sure", L"100%% sure"),
      CASE(L"x=A y=B", L"x=%c y=%c", L'A', 'B'),
      CASE(L"-1 65535 -1", L"%hd %hu %d", static_cast<short>(-1), static_cast<short>(-1), static_cast<short>(-1)),
      CASE(L"65535", L"%d", static_cast<unsigned short>(65535)),  // zero-extended like a promoted WORD
      CASE(L"-1294967296", L"%d", 3000000000u),                     // 32-bit %d of a UINT, as Windows prints it
      CASE(L"-9000000000 18446744073709551615 ffffffffffffffff", L"%I64d %I64u %I64x", INT64_C(-9000000000),
           UINT64_C(18446744073709551615), UINT64_C(18446744073709551615)),
      CASE(L"-9000000000 9000000000", L"%lld %llu", INT64_C(-9000000000), UINT64_C(9000000000)),
      CASE(L"-5 4294967291 fffffffb", L"%ld %lu %lx", -5, -5, -5),
      CASE(L"0000000000001234", L"%p", reinterpret_cast<void*>(0x1234)),
      CASE(L"(null)", L"%s", static_cast<const wchar_t*>(nullptr)),
      CASE(L"\u00e9\u20ac", L"%S", "\xc3\xa9\xe2\x82\xac"),  // narrow UTF-8 text
      CASE(L"\u00e9", L"%S", "\xe9"),                         // narrow Windows-1252 text
  });
}

TEST(Format, StringClassesAreWideArguments) {
  CString cs(L"cs");
  std::wstring ws(L"ws");
  std::string ns("ns");
  EXPECT_EQ(FormatToWString(L"%s-%s-%s-%s", cs, ws, ns, std::wstring_view(L"view!", 4)), L"cs-ws-ns-view");
  enum Color { Red = 3 };
  EXPECT_EQ(FormatToWString(L"%d %d", Red, true), L"3 1");
}

TEST(Format, MismatchedArgumentsNeverMisbehave) {
  int x = 0;
  Check({
      CASE(L"[42]", L"[%s]", 42),                  // a number for %s prints the number
      CASE(L"[2.5]", L"[%s]", 2.5),
      CASE(L"[x] 65", L"[%s] %d", L'x', 'A'),  // a character for %s prints the character
      CASE(L"[text]", L"[%d]", L"text"),           // a string for %d prints the string
      CASE(L"[text]", L"[%f]", "text"),
      CASE(L"[  ab]", L"[%4x]", L"ab"),
      CASE(L"3 -2", L"%d %d", 3.99, -2.7),         // doubles truncate toward zero
      CASE(L"9223372036854775807", L"%d", 1e300),  // and saturate
      CASE(L"0", L"%d", std::numeric_limits<double>::quiet_NaN()),
      CASE(L"2.000000", L"%f", 2),                 // integers convert for %f
      CASE(L"a= b=", L"a=%d b=%s"),                // missing arguments print nothing
      CASE(L"a=1", L"a=%d", 1, 2, L"extra"),       // extra arguments are ignored
      CASE(L"[]", L"[%n]", &x),                    // %n never writes
      CASE(L"[%y]", L"[%y]", 1),                   // unknown conversions stay as they stand
      CASE(L"end %-", L"end %-"),                  // a format cut inside a specifier
      CASE(L"[]", L"[%*d]"),                       // missing * width and value
      CASE(L"5000000000", L"%d", size_t{5000000000}),  // 64-bit arguments are never cut
  });
  EXPECT_EQ(x, 0);
  EXPECT_EQ(FormatToWString(nullptr, 1), L"");
}

TEST(Format, HugeWidthIsBounded) {
  std::wstring s = FormatToWString(L"%999999999d", 1);
  EXPECT_LE(s.size(), 70000u);
  EXPECT_EQ(s.back(), L'1');
}

TEST(Format, CStringFormatMayUseItselfAsArgument) {
  CString s(L"abc");
  s.Format(L"<%s>", s);
  EXPECT_EQ(s, L"<abc>");
  s.AppendFormat(L"%d%s", 1, s);
  EXPECT_EQ(s, L"<abc>1<abc>");
  EXPECT_EQ(FormatString(L"%s.%d.%d.%d", L"0A1B", 1, 2, 3), L"0A1B.1.2.3");
}

}  // namespace
