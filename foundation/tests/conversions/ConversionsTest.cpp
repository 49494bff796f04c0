#include "foundation/Conversions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <fstream>

#include "foundation/MyMemFile.h"
#include "platform/win32/Resources.h"
#include "platform/win32/Time.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms) {
  SYSTEMTIME st{};
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  st.wHour = hour;
  st.wMinute = minute;
  st.wSecond = second;
  st.wMilliseconds = ms;
  return st;
}

}  // namespace

TEST(Conversions, IntToStringAndVarTypeNames) {
  EXPECT_EQ(IntToString(-2147483647 - 1), L"-2147483648");
  EXPECT_EQ(IntToString(0), L"0");
  struct Case {
    VARTYPE type;
    const wchar_t* name;
  };
  const Case cases[] = {
      {VT_UI1, L"Byte"},          {VT_BSTR, L"String"},           {VT_EMPTY, L"Empty/Default"},
      {VT_DISPATCH, L"IDispatch"}, {0x2011, L"Byte Array"},        {0x4003, L"Unknown"},
      {VT_ARRAY | VT_I8, L"Unknown Array"}, {VT_VARIANT, L"Unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(VarTypeToName(c.type), c.name) << c.type;
}

TEST(Conversions, TheSixTimeStyles) {
  std::setlocale(LC_TIME, "C");  // the date part is the locale's; "C" gives mm/dd/yy
  const SYSTEMTIME t = Time(2024, 3, 1, 9, 5, 7, 42);
  const wchar_t* expected[] = {
      L"09:05:07.042 03/01/24", L"09:05:07 03/01/24", L"09:05:07.042",
      L"09:05:07",              L"03/01/24 09:05:07.042", L"03/01/24 09:05:07",
  };
  for (int style = 0; style < 6; ++style) EXPECT_EQ(SystemTimeToString(t, style), expected[style]) << style;
  EXPECT_EQ(SystemTimeToString(t, 6), L"");
  EXPECT_EQ(SystemTimeToString(t, -1), L"");
  EXPECT_EQ(SystemTimeToString(Time(2024, 13, 1, 0, 0, 0, 0), 2), L"");  // not a time

  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&t, &ft));
  EXPECT_EQ(FileTimeToString(ft, 3), L"09:05:07");  // UTC shows UTC
  const FILETIME invalid{0xFFFFFFFFu, 0xFFFFFFFFu};
  EXPECT_EQ(FileTimeToString(invalid, 0), L"");
}

TEST(Conversions, TimeStampStyleFollowsItsSourceAndCountCells) {
  const SYSTEMTIME t = Time(2024, 3, 1, 13, 5, 9, 42);
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&t, &ft));
  SetTimeStyleSource(nullptr);
  EXPECT_EQ(FormatTimeStamp(ft).Left(13), L"13:05:09.042 ");  // style 0 without a document
  SetTimeStyleSource([] { return 3; });
  EXPECT_EQ(FormatTimeStamp(ft), L"13:05:09");
  EXPECT_EQ(FormatCountAndTime(5, ft), L"5 - 13:05:09");
  EXPECT_EQ(FormatCountAndTime(0, ft), L"0");
  EXPECT_EQ(FormatCountAndTime(-4, FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu}), L"0");
  SetTimeStyleSource(nullptr);
}

TEST(Conversions, HexFieldsAndFieldFormats) {
  EXPECT_EQ(Hex32ToText(0xBEEF), L"0000BEEF");
  UINT value = 1;
  EXPECT_TRUE(TextToHex32(L"0000beef", value));
  EXPECT_EQ(value, 0xBEEFu);
  EXPECT_FALSE(TextToHex32(L"xyz", value));
  EXPECT_EQ(value, 0xBEEFu);
  EXPECT_EQ(FormatFieldText(L"Node %s", L"7"), L"Node 7");
  EXPECT_EQ(FormatFieldText(L"", L"7"), L"7");
}

TEST(Conversions, ListsAsText) {
  std::vector<UINT> values;
  TextToUIntArray(values, L"1;;2;");
  EXPECT_EQ(values, (std::vector<UINT>{1, 2}));
  TextToUIntArray(values, L"x;-1");
  EXPECT_EQ(values, (std::vector<UINT>{1, 2, 0, 0xFFFFFFFFu}));
  EXPECT_EQ(UIntArrayToText({1, 2}), L"1;2");
  EXPECT_EQ(UIntArrayToText({}), L"");
  EXPECT_EQ(UIntArrayToText({2147483648u}), L"-2147483648");
}

TEST(Conversions, StringResourceLists) {
  const StringResource table[] = {{42001, L"Name;Type;;Value;"}};
  RegisterStringResources(table);
  std::vector<CString> pieces;
  LoadStringList(42001, pieces);
  EXPECT_EQ(pieces, (std::vector<CString>{L"Name", L"Type", L"", L"Value", L""}));
  std::vector<CString> missing;
  LoadStringList(42999, missing);
  EXPECT_EQ(missing, (std::vector<CString>{L""}));
}

TEST(Conversions, FileExistsWithWildcards) {
  tessaly::testing::TempMachineRoot root;
  const std::string file = root.Path() + "/project.tdbx";
  std::ofstream(file) << "x";
  const CString folder = CString(root.PathW().c_str());
  EXPECT_TRUE(FileExists(folder + L"/project.tdbx"));
  EXPECT_TRUE(FileExists(folder + L"\\*.TDBX"));
  EXPECT_FALSE(FileExists(folder + L"/*.tdb"));
}

TEST(MyMemFile, LinesAreUtf16WithCrLf) {
  CMyMemFile file;
  file.WriteLine(L"A\u20ac");
  file.WriteLine(L"");
  const std::vector<BYTE> expected = {'A', 0, 0xAC, 0x20, '\r', 0, '\n', 0, '\r', 0, '\n', 0};
  EXPECT_EQ(file.GetBytes(), expected);
  EXPECT_EQ(file.GetLength(), 12u);
  EXPECT_EQ(file.Detach(), expected);
  EXPECT_EQ(file.GetLength(), 0u);
}
