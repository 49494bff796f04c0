#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <string>

#include "platform/win32/Numbers.h"

namespace {

TEST(Numbers, WtolSignsBlanksAndSaturation) {
  struct {
    const wchar_t* text;
    LONG want;
  } cases[] = {
      {L"42", 42},           {L"  \t-17xyz", -17}, {L"+8", 8},        {L"", 0},
      {L"abc", 0},           {L"- 5", 0},          {L"12 34", 12},    {L"007", 7},
      {L"0x1A", 0},          {L"2147483647", 2147483647},             {L"2147483648", INT32_MAX},
      {L"-2147483648", INT32_MIN},                  {L"-2147483649", INT32_MIN},
      {L"99999999999999999999999", INT32_MAX},      {L"-99999999999999999999999", INT32_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(_wtol(c.text), c.want) << "case " << (&c - cases);
    EXPECT_EQ(_wtoi(c.text), c.want);
  }
  EXPECT_EQ(_wtol(nullptr), 0);
  EXPECT_EQ(_wtoi64(L"-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(_wtoi64(L"9223372036854775808"), INT64_MAX);
  EXPECT_EQ(_wtoi64(L" 5000000000"), 5000000000LL);
}

TEST(Numbers, WcstolBasesAndEndPointer) {
  struct {
    const wchar_t* text;
    int base;
    LONG want;
    int consumed;
  } cases[] = {
      {L"123abc", 10, 123, 3},  {L"  -0x1f!", 16, -31, 7}, {L"1f", 16, 31, 2},     {L"0x1f", 0, 31, 4},
      {L"017", 0, 15, 3},       {L"019", 0, 1, 2},        {L"19", 0, 19, 2},       {L"0x", 16, 0, 1},
      {L"777", 8, 511, 3},      {L"z", 36, 35, 1},        {L"xyz", 10, 0, 0},      {L"  ", 10, 0, 0},
      {L"ffffffff", 16, INT32_MAX, 8},                     {L"12", 1, 0, 0},
  };
  for (const auto& c : cases) {
    wchar_t* end = nullptr;
    EXPECT_EQ(Win32_wcstol(c.text, &end, c.base), c.want) << c.base;
    EXPECT_EQ(end - c.text, c.consumed) << c.base;
  }
  EXPECT_EQ(Win32_wcstoul(L"ffffffff", nullptr, 16), 0xFFFFFFFFu);
  EXPECT_EQ(Win32_wcstoul(L"-1", nullptr, 10), 0xFFFFFFFFu);
  EXPECT_EQ(Win32_wcstoul(L"4294967296", nullptr, 10), 0xFFFFFFFFu);
  EXPECT_EQ(Win32_wcstoui64(L"18446744073709551616", nullptr, 10), UINT64_MAX);
}

TEST(Numbers, Wtof) {
  EXPECT_DOUBLE_EQ(_wtof(L" 3.25xyz"), 3.25);
  EXPECT_DOUBLE_EQ(_wtof(L"-1.5e3"), -1500.0);
  EXPECT_DOUBLE_EQ(_wtof(L"+.5"), 0.5);
  EXPECT_DOUBLE_EQ(_wtof(L"abc"), 0.0);
  EXPECT_DOUBLE_EQ(_wtof(L"2e-"), 2.0);
  EXPECT_TRUE(std::isinf(_wtof(L"1e999")));
  EXPECT_DOUBLE_EQ(_wtof(L"1e-999"), 0.0);
  EXPECT_DOUBLE_EQ(_wtof(nullptr), 0.0);
}

TEST(Numbers, IntegerToText) {
  wchar_t buf[66];
  EXPECT_EQ(std::wstring(_itow(-123, buf, 10)), L"-123");
  EXPECT_EQ(std::wstring(_itow(-1, buf, 16)), L"ffffffff");  // other radices: two's complement
  EXPECT_EQ(std::wstring(_itow(INT32_MIN, buf, 10)), L"-2147483648");
  EXPECT_EQ(std::wstring(_ultow(5, buf, 2)), L"101");
  EXPECT_EQ(std::wstring(_i64tow(INT64_MIN, buf, 10)), L"-9223372036854775808");
  EXPECT_EQ(std::wstring(_ui64tow(UINT64_MAX, buf, 36)), L"3w5e11264sgsf");
  wchar_t small[4] = L"zzz";
  EXPECT_EQ(_itow_s(-12, small, 4, 10), 0);
  EXPECT_EQ(std::wstring(small), L"-12");
  EXPECT_EQ(_itow_s(-123, small, 4, 10), ERANGE);
  EXPECT_EQ(std::wstring(small), L"");
  EXPECT_EQ(_itow_s(1, small, 4, 1), EINVAL);
  EXPECT_EQ(_itow_s(1, nullptr, 4, 10), EINVAL);
}

}  // namespace
