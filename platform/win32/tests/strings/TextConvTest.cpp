#include <gtest/gtest.h>

#include <string>

#include "platform/win32/TextConv.h"

namespace {

TEST(TextConv, Utf8RoundTripsAndReplacesInvalidSequences) {
  const std::wstring text = L"A\u00e9\u20ac\U0001F600";
  EXPECT_EQ(WideToUtf8(text), "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
  EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
  struct {
    std::string bytes;
    bool valid;
    std::wstring decoded;
  } cases[] = {
      {"plain", true, L"plain"},
      {"\xc0\xaf", false, L"\ufffd\ufffd"},      // overlong
      {"\xed\xa0\x80", false, L"\ufffd\ufffd\ufffd"},  // encoded surrogate
      {"\xf4\x90\x80\x80", false, L"\ufffd\ufffd\ufffd\ufffd"},  // above U+10FFFF
      {"a\xe2\x82", false, L"a\ufffd"},          // cut sequence
      {"\xe9t\xe9", false, L"\ufffdt\ufffd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
    EXPECT_EQ(Utf8ToWide(c.bytes), c.decoded) << c.bytes;
  }
}

TEST(TextConv, WideSurrogatesAreJoinedOrReplaced) {
  // UTF-16 widened unit by unit still encodes as the one character.
  EXPECT_EQ(WideToUtf8(std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}), "\xf0\x9f\x98\x80");
  EXPECT_EQ(WideToUtf8(std::wstring{wchar_t(0xD83D), L'x'}), "\xef\xbf\xbdx");
  EXPECT_EQ(WideToUtf16(std::wstring{wchar_t(0xDE00)}), std::u16string(u"\ufffd"));
}

TEST(TextConv, Utf16LittleEndianBytes) {
  const std::wstring text = L"A\u20ac\U0001F600";
  const std::string bytes = WideToUtf16LE(text);
  EXPECT_EQ(bytes, std::string("A\0\xac\x20\x3d\xd8\x00\xde", 8));
  EXPECT_EQ(Utf16LEToWide(bytes.data(), bytes.size()), text);
  const char lone[] = {'\x00', '\xd8', 'B', '\x00', 'C'};  // unpaired high surrogate, odd tail
  EXPECT_EQ(Utf16LEToWide(lone, sizeof lone), L"\ufffdB\ufffd");
  EXPECT_EQ(Utf16LEToWide(nullptr, 4), L"");
}

TEST(TextConv, Windows1252FullTableAndFallback) {
  std::string all;
  for (int b = 0x80; b <= 0xFF; ++b) all.push_back(static_cast<char>(b));
  const std::wstring wide = Cp1252ToWide(all);
  EXPECT_EQ(wide[0x80 - 0x80], L'\u20ac');
  EXPECT_EQ(wide[0x8A - 0x80], L'\u0160');
  EXPECT_EQ(wide[0x99 - 0x80], L'\u2122');
  EXPECT_EQ(wide[0x9F - 0x80], L'\u0178');
  EXPECT_EQ(wide[0x81 - 0x80], L'\u0081');  // unassigned bytes survive
  EXPECT_EQ(wide[0xE9 - 0x80], L'\u00e9');
  EXPECT_EQ(WideToCp1252(wide), all);
  EXPECT_EQ(WideToCp1252(L"\u0416\U0001F600x"), "??x");
}

TEST(TextConv, AnsiRuleReadsUtf8OrWindows1252AndWritesUtf8) {
  EXPECT_EQ(AnsiToWide("Gr\xc3\xbc\xc3\x9f"), L"Gr\u00fc\u00df");
  EXPECT_EQ(AnsiToWide("Gr\xfc\xdf \x80"), L"Gr\u00fc\u00df \u20ac");  // written by the Windows program
  EXPECT_EQ(WideToAnsi(L"\u00fc"), "\xc3\xbc");
}

TEST(TextConv, MultiByteToWideCharShapes) {
  wchar_t buf[8];
  // Length query with a NUL-terminated source counts the terminator.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xc3\xa9", -1, nullptr, 0), 3);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xc3\xa9", -1, buf, 8), 3);
  EXPECT_EQ(std::wstring(buf), L"h\u00e9");
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 2, nullptr, 0), 2);  // explicit length: no terminator
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "\x80", 1, buf, 8), 1);
  EXPECT_EQ(buf[0], L'\u20ac');
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xe9", 1, buf, 8), 1);
  EXPECT_EQ(buf[0], L'\u00e9');
  EXPECT_EQ(MultiByteToWideChar(CP_THREAD_ACP, 0, "\xc3\xa9", 2, buf, 8), 1);
  EXPECT_EQ(buf[0], L'\u00e9');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abcdef", -1, buf, 3), 0);  // too small
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xe9", 1, buf, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(437, 0, "a", 1, buf, 8), 0);  // unknown code page
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, buf, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 0, buf, 8), 0);
}

TEST(TextConv, WideCharToMultiByteShapes) {
  char buf[16];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"h\u00e9", -1, nullptr, 0, nullptr, nullptr), 4);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"h\u00e9", -1, buf, 16, nullptr, nullptr), 4);
  EXPECT_EQ(std::string(buf), "h\xc3\xa9");
  BOOL used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(1252, 0, L"\u20ac\u0416", 2, buf, 16, "#", &used), 2);
  EXPECT_EQ(std::string(buf, 2), "\x80#");
  EXPECT_TRUE(used);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"abc", -1, buf, 3, nullptr, nullptr), 0);  // too small
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"a", 1, buf, 16, "?", nullptr), 0);  // no default char for UTF-8
}

}  // namespace
