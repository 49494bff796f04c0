#include "platform/com/Bstr.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Bstr, LengthsAndTermination) {
  struct Case {
    const char* name;
    BSTR b;
    UINT chars;
    UINT bytes;
  } cases[] = {
      {"plain", SysAllocString(L"abc"), 3, 3 * sizeof(wchar_t)},
      {"embedded NUL", SysAllocStringLen(L"ab\0cd", 5), 5, 5 * sizeof(wchar_t)},
      {"empty", SysAllocString(L""), 0, 0},
      {"null source with length", SysAllocStringLen(nullptr, 4), 4, 4 * sizeof(wchar_t)},
      {"bytes", SysAllocStringByteLen("hello", 5), 5 / sizeof(wchar_t), 5},
      {"null bytes", SysAllocStringByteLen(nullptr, 3), 0, 3},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(c.b, nullptr);
    EXPECT_EQ(SysStringLen(c.b), c.chars);
    EXPECT_EQ(SysStringByteLen(c.b), c.bytes);
    EXPECT_EQ(c.b[(c.bytes + sizeof(wchar_t) - 1) / sizeof(wchar_t)], L'\0');  // a whole NUL character after
    EXPECT_EQ(reinterpret_cast<const char*>(c.b)[c.bytes], '\0');
    SysFreeString(c.b);
  }
}

TEST(Bstr, ContentIsCopiedOrZeroed) {
  BSTR zeroed = SysAllocStringLen(nullptr, 3);
  EXPECT_EQ(zeroed[0], L'\0');
  EXPECT_EQ(zeroed[2], L'\0');
  SysFreeString(zeroed);

  BSTR bytes = SysAllocStringByteLen("hey", 3);
  EXPECT_EQ(std::memcmp(bytes, "hey", 4), 0);
  SysFreeString(bytes);

  BSTR embedded = SysAllocStringLen(L"a\0b", 3);
  EXPECT_EQ(tessaly::BstrToString(embedded), std::wstring(L"a\0b", 3));
  SysFreeString(embedded);
}

TEST(Bstr, NullIsTheEmptyString) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  EXPECT_EQ(tessaly::BstrToString(nullptr), L"");
  SysFreeString(nullptr);
}

TEST(Bstr, ReAllocMayTakeTextFromTheStringItReplaces) {
  BSTR b = SysAllocString(L"hello world");
  ASSERT_TRUE(SysReAllocString(&b, b + 6));
  EXPECT_STREQ(b, L"world");
  ASSERT_TRUE(SysReAllocStringLen(&b, b, 3));
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_STREQ(b, L"wor");
  ASSERT_TRUE(SysReAllocString(&b, nullptr));
  EXPECT_EQ(b, nullptr);
  EXPECT_FALSE(SysReAllocString(nullptr, L"x"));
}

}  // namespace
