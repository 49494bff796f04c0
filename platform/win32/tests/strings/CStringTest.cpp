#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/Resources.h"

namespace {

TEST(CString, ConstructionAndConversion) {
  EXPECT_EQ(CString(static_cast<const wchar_t*>(nullptr)), L"");
  EXPECT_EQ(CString(L"abcdef", 3), L"abc");
  EXPECT_EQ(CString(L'x', 3), L"xxx");
  EXPECT_EQ(CString(L'x', -1), L"");
  EXPECT_EQ(CString("caf\xc3\xa9"), L"caf\u00e9");  // UTF-8
  EXPECT_EQ(CString("caf\xe9"), L"caf\u00e9");      // not UTF-8: Windows-1252
  EXPECT_EQ(CStringToUtf8(CString(L"caf\u00e9")), "caf\xc3\xa9");
  CString s(std::wstring(L"std"));
  LPCTSTR p = s;  // implicit, as MFC callers rely on
  EXPECT_EQ(std::wcscmp(p, L"std"), 0);
  EXPECT_EQ(s.GetLength(), 3);
  EXPECT_EQ(s[1], L't');
  EXPECT_EQ(s[size_t{2}], L'd');
  EXPECT_EQ(s.GetAt(3), L'\0');  // out of range reads nothing
  s.SetAt(9, L'!');              // and writes nothing
  s.SetAt(0, L'S');
  EXPECT_EQ(s, L"Std");
  std::unordered_set<CString> set{CString(L"a"), CString(L"a"), CString(L"b")};
  EXPECT_EQ(set.size(), 2u);
}

TEST(CString, ConcatenationAndComparison) {
  CString a(L"ab");
  EXPECT_EQ(a + L"cd" + L'e' + CString(L"f"), L"abcdef");
  EXPECT_EQ(L"<" + a, L"<ab");
  EXPECT_EQ(L'<' + a, L"<ab");
  a += a;  // self-append
  EXPECT_EQ(a, L"abab");
  a += a.GetString() + 2;  // a pointer into itself
  EXPECT_EQ(a, L"ababab");
  EXPECT_TRUE(CString(L"a") < CString(L"b"));
  EXPECT_TRUE(CString(L"b") > L"a");
  EXPECT_TRUE(L"a" == CString(L"a"));
  EXPECT_TRUE(CString(L"a") != L"b");
  EXPECT_EQ(CString(L"abc").Compare(L"abd"), -1);
  EXPECT_EQ(CString(L"abc").Compare(nullptr), 1);
  EXPECT_EQ(CString(L"ABC").CompareNoCase(L"abc"), 0);
  EXPECT_LT(CString(L"ab").CompareNoCase(L"ABC"), 0);
}

TEST(CString, FindAndExtractClampLikeMfc) {
  CString s(L"hello world");
  struct {
    CString got;
    const wchar_t* want;
  } cases[] = {
      {s.Left(5), L"hello"},     {s.Left(-1), L""},         {s.Left(99), L"hello world"},
      {s.Mid(6), L"world"},      {s.Mid(-3, 5), L"hello"},  {s.Mid(6, 99), L"world"},
      {s.Mid(99), L""},          {s.Mid(2, -1), L""},       {s.Right(5), L"world"},
      {s.Right(99), L"hello world"}, {s.Right(-2), L""},
      {s.SpanIncluding(L"leh"), L"hell"}, {s.SpanExcluding(L" "), L"hello"}, {s.SpanExcluding(L""), L"hello world"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
  EXPECT_EQ(s.Find(L'o'), 4);
  EXPECT_EQ(s.Find(L'o', 5), 7);
  EXPECT_EQ(s.Find(L'o', 99), -1);
  EXPECT_EQ(s.Find(L"world"), 6);
  EXPECT_EQ(s.Find(L"world", 7), -1);
  EXPECT_EQ(s.Find(L""), -1);
  EXPECT_EQ(s.Find(L"h", -5), 0);
  EXPECT_EQ(s.ReverseFind(L'o'), 7);
  EXPECT_EQ(s.ReverseFind(L'z'), -1);
  EXPECT_EQ(s.FindOneOf(L"wr"), 6);
}

TEST(CString, TokenizeSkipsEmptyTokensAndEndsWithMinusOne) {
  struct {
    const wchar_t* text;
    const wchar_t* delims;
    std::vector<std::wstring> tokens;
  } cases[] = {
      {L"1;2;3", L";", {L"1", L"2", L"3"}},
      {L";;1;;2;", L";", {L"1", L"2"}},
      {L"a, b", L", ", {L"a", L"b"}},
      {L"", L";", {}},
      {L";;;", L";", {}},
      {L"one", L";", {L"one"}},
  };
  for (const auto& c : cases) {
    CString s(c.text);
    std::vector<std::wstring> got;
    int pos = 0;
    for (;;) {
      CString token = s.Tokenize(c.delims, pos);
      if (pos == -1) {
        EXPECT_TRUE(token.IsEmpty());
        break;
      }
      got.push_back(token.wstr());
    }
    EXPECT_EQ(got, c.tokens) << "text " << CStringToUtf8(c.text);
  }
  int pos = 99;
  EXPECT_EQ(CString(L"a").Tokenize(L";", pos), L"");
  EXPECT_EQ(pos, -1);
}

TEST(CString, Editing) {
  CString s(L"a-b-c");
  EXPECT_EQ(s.Replace(L'-', L'+'), 2);
  EXPECT_EQ(s, L"a+b+c");
  EXPECT_EQ(s.Replace(L"+", L"<>"), 2);
  EXPECT_EQ(s, L"a<>b<>c");
  EXPECT_EQ(s.Replace(L"", L"x"), 0);
  EXPECT_EQ(s.Replace(L"<>", L""), 2);
  EXPECT_EQ(s, L"abc");
  CString r(L"\r\n\r\n");
  EXPECT_EQ(r.Replace(L"\r\n", L", "), 2);
  EXPECT_EQ(r, L", , ");
  EXPECT_EQ(s.Remove(L'b'), 1);
  EXPECT_EQ(s.Insert(1, L'B'), 3);
  EXPECT_EQ(s.Insert(99, L"!!"), 5);
  EXPECT_EQ(s.Insert(-1, L'^'), 6);
  EXPECT_EQ(s, L"^aBc!!");
  EXPECT_EQ(s.Delete(4, 99), 4);
  EXPECT_EQ(s.Delete(99), 4);
  EXPECT_EQ(s.Delete(0), 3);
  EXPECT_EQ(s, L"aBc");
  EXPECT_EQ(CString(L"aBc").MakeUpper(), L"ABC");
  EXPECT_EQ(CString(L"aBc").MakeLower(), L"abc");
  EXPECT_EQ(CString(L"aBc").MakeReverse(), L"cBa");
}

TEST(CString, Trimming) {
  EXPECT_EQ(CString(L" \t x y \r\n").Trim(), L"x y");
  EXPECT_EQ(CString(L"  x  ").TrimLeft(), L"x  ");
  EXPECT_EQ(CString(L"  x  ").TrimRight(), L"  x");
  EXPECT_EQ(CString(L"--x--").Trim(L'-'), L"x");
  EXPECT_EQ(CString(L"-+x+-").Trim(L"+-"), L"x");
  EXPECT_EQ(CString(L"-+x+-").TrimLeft(L"+-"), L"x+-");
  EXPECT_EQ(CString(L"-+x+-").TrimRight(L""), L"-+x+-");
  EXPECT_EQ(CString(L"   ").Trim(), L"");
}

TEST(CString, BufferFilledFromCCalls) {
  CString s;
  wchar_t* buf = s.GetBuffer(16);
  std::wcscpy(buf, L"filled");
  s.ReleaseBuffer();
  EXPECT_EQ(s, L"filled");
  EXPECT_EQ(s.GetLength(), 6);
  buf = s.GetBuffer();
  buf[0] = L'F';
  s.ReleaseBuffer(3);
  EXPECT_EQ(s, L"Fil");
  buf = s.GetBufferSetLength(2);
  s.ReleaseBuffer(99);  // longer than the buffer: kept at the buffer
  EXPECT_EQ(s, L"Fi");
}

TEST(CString, FormatAndLoadFromStringResources) {
  const StringResource table[] = {{61001, L"Domain: %s"}, {61002, L"Node %d of %d"}};
  RegisterStringResources(table);
  CString s(L"unchanged");
  EXPECT_FALSE(s.LoadString(61999));
  EXPECT_EQ(s, L"unchanged");
  EXPECT_TRUE(s.LoadString(61001));
  EXPECT_EQ(s, L"Domain: %s");
  s.Format(61001u, L"0A");
  EXPECT_EQ(s, L"Domain: 0A");
  s.AppendFormat(61002u, 1, 2);
  EXPECT_EQ(s, L"Domain: 0ANode 1 of 2");
  s.Format(61999u, 1);  // missing resource: empty format
  EXPECT_EQ(s, L"");
}

TEST(CString, ExtractSubStringKeepsEmptyPieces) {
  CString piece;
  std::vector<std::wstring> got;
  for (int i = 0; AfxExtractSubString(piece, L"a;;b;", i, L';'); ++i) got.push_back(piece.wstr());
  EXPECT_EQ(got, (std::vector<std::wstring>{L"a", L"", L"b", L""}));
  EXPECT_TRUE(AfxExtractSubString(piece, L"", 0, L';'));
  EXPECT_EQ(piece, L"");
  EXPECT_FALSE(AfxExtractSubString(piece, L"", 1, L';'));
}

}  // namespace
