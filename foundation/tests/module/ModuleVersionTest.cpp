#include "foundation/KxModuleVersion.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/win32/Files.h"

namespace {

// The file name of the loaded C library: a module that carries no version block.
std::wstring LibcFileName(std::wstring* fullPath) {
  HMODULE module = nullptr;
  EXPECT_TRUE(GetModuleHandleEx(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCWSTR>(&::getpid), &module));
  wchar_t path[MAX_PATH] = {};
  EXPECT_GT(GetModuleFileName(module, path, MAX_PATH), 0u);
  *fullPath = path;
  return tessaly::win32::PathFileName(path);
}

}  // namespace

TEST(KxModuleVersion, RunningExecutableGivesTheBuildVersion) {
  CKxModuleVersion version;
  EXPECT_TRUE(version.m_bValid);
  EXPECT_EQ(version.dwSignature, VS_FFI_SIGNATURE);
  const ModuleVersionInfo build = GetModuleVersionInfo();
  const CString expected = FormatString(L"%d.%d.%d.%d", build.productVersion[0], build.productVersion[1],
                                        build.productVersion[2], build.productVersion[3]);
  EXPECT_EQ(version.GetProductVersion(), expected);
  EXPECT_EQ(GetProductVersionText(), expected);
  for (const auto& [name, text] : build.strings) {
    if (name == L"LegalCopyright") {
      EXPECT_EQ(GetCopyrightText(), CString(text));
    }
  }
  EXPECT_EQ(version.GetString(L"NoSuchEntry"), L"");
}

TEST(KxModuleVersion, ModuleWithoutVersionOrTranslation) {
  std::wstring path;
  const std::wstring libc = LibcFileName(&path);
  CKxModuleVersion version;
  EXPECT_FALSE(version.Load(libc.c_str()));
  EXPECT_EQ(version.GetProductVersion(), L"");
  EXPECT_EQ(version.GetLegalCopyright(), L"");
  EXPECT_FALSE(version.Load(L"no-such-module-here"));

  ModuleVersionInfo info;
  info.hasTranslation = false;
  info.language = 0;
  info.codePage = 1252;
  info.strings = {{L"ProductVersion", L"2, 0, 17, 0"}};
  RegisterModuleVersion(path.c_str(), &info);
  const bool loaded = version.Load(libc.c_str());
  RegisterModuleVersion(path.c_str(), nullptr);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(version.m_wLanguage, 0);
  EXPECT_EQ(version.m_wCodePage, 1252);  // queried as block 000004e4
  EXPECT_EQ(version.GetProductVersion(), L"2.0.17.0");
}
