#include "platform/com/ComErrors.h"

#include <gtest/gtest.h>

#include "platform/com/Memory.h"

namespace {

TEST(ComErrorText, KnowsComDispatchAndWin32Codes) {
  EXPECT_EQ(ComErrorText(DISP_E_TYPEMISMATCH), L"Type mismatch.");
  EXPECT_EQ(ComErrorText(REGDB_E_CLASSNOTREG), L"Class not registered");
  EXPECT_EQ(ComErrorText(E_OUTOFMEMORY), ComErrorText(ERROR_OUTOFMEMORY));
  EXPECT_EQ(ComErrorText(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), L"The system cannot find the file specified.");
  EXPECT_EQ(ComErrorText(ERROR_FILE_NOT_FOUND), L"The system cannot find the file specified.");
  EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0xC0DE1234)), L"");
  EXPECT_EQ(CONNECT_E_NOCONNECTION, SELFREG_E_TYPELIB);  // the published values coincide
}

TEST(FormatMessage, FromSystemGivesTheTextWithALineEnd) {
  wchar_t buf[256];
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_INVALIDARG),
                                 MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), buf, 256, nullptr);
  EXPECT_EQ(std::wstring(buf), L"The parameter is incorrect.\r\n");
  EXPECT_EQ(n, std::wcslen(buf));

  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xC0DE1234u, 0, buf, 256, nullptr), 0u);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_INVALIDARG), 0, buf, 5,
                           nullptr),
            0u);

  LPWSTR allocated = nullptr;
  ASSERT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                           static_cast<DWORD>(DISP_E_OVERFLOW), 0, reinterpret_cast<LPWSTR>(&allocated), 0, nullptr),
            0u);
  EXPECT_EQ(std::wstring(allocated), L"Out of present range.\r\n");
  EXPECT_EQ(LocalFree(allocated), nullptr);
}

}  // namespace
