#include "foundation/shared/HexConversions.h"

#include <gtest/gtest.h>

#include <vector>

TEST(HexConversions, BytesToHexStringSeparatorsAndLimit) {
  const BYTE two[] = {0x0A, 0xFF};
  EXPECT_EQ(BytesToHexString(two, 2, L':'), L"0A:FF");
  EXPECT_EQ(BytesToHexString(two, 2, 0), L"0AFF");
  EXPECT_EQ(BytesToHexString(nullptr, 2, L':'), L"");
  EXPECT_EQ(BytesToHexString(two, 0, L':'), L"");

  std::vector<BYTE> many(300, 0xAB);
  const CString longest = BytesToHexString(many.data(), 299, L'-');
  EXPECT_EQ(longest.GetLength(), 299 * 2 + 298);
  EXPECT_EQ(longest.Left(6), L"AB-AB-");
  EXPECT_EQ(longest.Right(3), L"-AB");
  EXPECT_EQ(BytesToHexString(many.data(), 300, L'-'), L"");
}

TEST(HexConversions, BytesToHexWritesTerminatorAndToleratesNulls) {
  wchar_t out[8] = {L'x', L'x', L'x', L'x', L'x', L'x', L'x', L'x'};
  BytesToHex(out, nullptr, 3, L':');
  EXPECT_EQ(out[0], 0);
  BytesToHex(nullptr, nullptr, 3, L':');  // writes nothing, must not crash
  const BYTE data[] = {0x01, 0x23};
  BytesToHex(out, data, 2, 0);
  EXPECT_STREQ(out, L"0123");
}

TEST(HexConversions, HexStringToBytesCases) {
  struct Case {
    const wchar_t* text;
    int max;
    std::vector<BYTE> expected;
  };
  const Case cases[] = {
      {L"ABC", 8, {0x0A, 0xBC}},       // odd length gets a leading 0
      {L"12xz34", 8, {0x12}},          // cut at the first non-hex character
      {L"1234", 1, {0x12}},            // stops at max
      {L"", 8, {}},
      {L"ff00Ee", 8, {0xFF, 0x00, 0xEE}},
  };
  for (const Case& c : cases) {
    BYTE out[8] = {};
    const int n = HexStringToBytes(c.text, out, c.max);
    ASSERT_EQ(n, static_cast<int>(c.expected.size())) << c.text;
    EXPECT_EQ(std::vector<BYTE>(out, out + n), c.expected) << c.text;
  }
  BYTE out[2];
  EXPECT_EQ(HexStringToBytes(L"12", nullptr, 2), 0);
  EXPECT_EQ(HexStringToBytes(L"12", out, 0), 0);
}

TEST(HexConversions, IsHexStringAndDigits) {
  EXPECT_EQ(IsHexString(L"12G4", 2), 1);
  EXPECT_EQ(IsHexString(L"12G4", 3), 0);
  EXPECT_EQ(IsHexString(L"", 5), 0);
  EXPECT_EQ(IsHexString(L"AB", 0), 0);
  EXPECT_EQ(IsHexString(L"aB", 10), 1);  // the text's length bounds it
  EXPECT_TRUE(IsHexDigit(L'f'));
  EXPECT_FALSE(IsHexDigit(L'g'));
  EXPECT_EQ(HexDigitValue(L'b'), 11);
  EXPECT_EQ(HexDigitValue(L'9'), 9);
}
