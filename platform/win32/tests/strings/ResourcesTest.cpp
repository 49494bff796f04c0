#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/Files.h"
#include "platform/win32/Resources.h"

#include "TessalyVersion.h"
#include "platform/win32/TextConv.h"

namespace {

TEST(Resources, StringTableLookup) {
  const StringResource table[] = {{62001, L"Near side"}, {62002, L"Far side"}};
  RegisterStringResources(table);
  EXPECT_NE(AfxFindStringResourceHandle(62001), nullptr);
  EXPECT_EQ(AfxFindStringResourceHandle(62999), nullptr);
  wchar_t buf[6] = L"xxxxx";
  EXPECT_EQ(AfxLoadString(62001, buf, 6), 5);  // cut to the buffer, terminated
  EXPECT_EQ(std::wstring(buf), L"Near ");
  EXPECT_EQ(AfxLoadString(62999, buf, 6), 0);
  EXPECT_EQ(std::wstring(buf), L"");
  const StringResource again[] = {{62002, L"Other side"}};
  const size_t clashes = GetStringResourceClashes().size();
  RegisterStringResources(table);  // the same text again is no clash
  EXPECT_EQ(clashes, GetStringResourceClashes().size());
  RegisterStringResources(again);  // a later table replaces the text, and the clash is recorded
  EXPECT_EQ(FindStringResource(62002).value_or(L"?"), L"Other side");
  ASSERT_EQ(clashes + 1, GetStringResourceClashes().size());
  const StringResourceClash clash = GetStringResourceClashes().back();
  EXPECT_EQ(62002u, clash.id);
  EXPECT_EQ(L"Far side", clash.earlier);
  EXPECT_EQ(L"Other side", clash.later);
}

TEST(Resources, TextResourcesByIdAndType) {
  RegisterTextResource(101, L"REGISTRY", L"HKCR { NoRemove CLSID }");
  EXPECT_EQ(FindTextResource(101, L"registry").value_or(L"?"), L"HKCR { NoRemove CLSID }");
  EXPECT_FALSE(FindTextResource(101, L"TYPELIB"));
  EXPECT_FALSE(FindTextResource(102, L"REGISTRY"));
}

// Each module has its own tables; a module that lacks an id gets the executable's text.
TEST(Resources, TablesArePerModuleWithTheExecutableBehind) {
  static const char otherModuleTag = 0;  // any address no loaded module starts at
  HINSTANCE other = reinterpret_cast<HINSTANCE>(const_cast<char*>(&otherModuleTag));
  ASSERT_EQ(AfxGetResourceHandle(), GetModuleHandle(nullptr));
  const StringResource mine[] = {{63100, L"Program"}, {63101, L"Shared"}};
  RegisterStringResources(mine);
  const StringResource theirs[] = {{63100, L"Component"}, {63102, L"Own"}};
  RegisterStringResourcesIn(other, theirs, 2);
  RegisterTextResourceIn(other, 63100, L"REGISTRY", L"HKCR { Component }");

  EXPECT_EQ(FindStringResource(63100).value_or(L"?"), L"Program");
  EXPECT_FALSE(FindStringResource(63102));
  EXPECT_FALSE(FindTextResource(63100, L"REGISTRY"));
  EXPECT_EQ(FindStringResourceIn(other, 63100).value_or(L"?"), L"Component");
  EXPECT_EQ(FindStringResourceIn(other, 63101).value_or(L"?"), L"Shared");
  EXPECT_EQ(FindStringResourceModule(other, 63102), other);
  EXPECT_EQ(FindStringResourceModule(other, 63101), AfxGetResourceHandle());
  EXPECT_EQ(FindTextResourceIn(other, 63100, L"registry").value_or(L"?"), L"HKCR { Component }");
  wchar_t buf[16];
  EXPECT_EQ(LoadString(other, 63100, buf, 16), 9);
  EXPECT_EQ(std::wstring(buf), L"Component");
  EXPECT_EQ(LoadString(nullptr, 63100, buf, 16), 7);  // null: the executable
  EXPECT_EQ(std::wstring(buf), L"Program");
}

std::wstring ExecutableName() { return Utf8ToWide(std::filesystem::read_symlink("/proc/self/exe").string()); }

std::wstring QueryString(const std::vector<BYTE>& block, const wchar_t* path) {
  LPVOID p = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(block.data(), path, &p, &len)) return L"<none>";
  EXPECT_EQ(len, std::wcslen(static_cast<const wchar_t*>(p)) + 1);
  return static_cast<const wchar_t*>(p);
}

std::vector<BYTE> LoadBlock(const std::wstring& file) {
  DWORD handle = 1;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
  EXPECT_EQ(handle, 0u);
  std::vector<BYTE> block(size);
  if (size == 0) return block;
  EXPECT_FALSE(GetFileVersionInfoW(file.c_str(), 0, size - 1, block.data()));  // short buffer
  EXPECT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, block.data()));
  return block;
}

TEST(Resources, ExecutableVersionBlockCarriesTheBuildVersion) {
  std::vector<BYTE> block = LoadBlock(ExecutableName());
  ASSERT_FALSE(block.empty());
  LPVOID p = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &p, &len));
  ASSERT_EQ(len, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, p, sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
  const ModuleVersionInfo info = GetModuleVersionInfo();
  EXPECT_EQ(fixed.dwProductVersionMS, (DWORD(info.productVersion[0]) << 16) | info.productVersion[1]);

  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &p, &len));
  ASSERT_GE(len, 4u);
  WORD translation[2];
  std::memcpy(translation, p, sizeof translation);
  wchar_t name[64];
  std::swprintf(name, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", translation[0], translation[1]);
  const std::wstring version = QueryString(block, name);
  wchar_t want[64];
  std::swprintf(want, 64, L"%d, %d, %d, %d", TESSALY_VERSION_MAJOR, TESSALY_VERSION_MINOR, TESSALY_VERSION_PATCH,
                TESSALY_VERSION_TWEAK + 0);
  EXPECT_EQ(version, want);
  std::swprintf(name, 64, L"\\StringFileInfo\\%04X%04X\\legalcopyright", translation[0], translation[1]);
  EXPECT_NE(QueryString(block, name).find(L"Norvane GmbH"), std::wstring::npos);
  std::swprintf(name, 64, L"\\StringFileInfo\\%04x%04x\\NoSuchName", translation[0], translation[1]);
  EXPECT_EQ(QueryString(block, name), L"<none>");
  EXPECT_EQ(QueryString(block, L"\\StringFileInfo\\000004e4\\ProductVersion"), L"<none>");
}

TEST(Resources, UnknownFileHasNoVersionBlock) {
  DWORD handle = 0;
  EXPECT_EQ(GetFileVersionInfoSizeW(L"/no/such/module.so", &handle), 0u);
  EXPECT_EQ(GetFileVersionInfoSizeW(nullptr, &handle), 0u);
  BYTE buf[16] = {};
  EXPECT_FALSE(GetFileVersionInfoW(L"/no/such/module.so", 0, sizeof buf, buf));
  LPVOID p = nullptr;
  UINT len = 0;
  EXPECT_FALSE(VerQueryValueW(buf, L"\\", &p, &len));  // not a version block
}

TEST(Resources, RegisteredBlockWithoutTranslationTable) {
  const std::wstring file = L"/tmp/tessaly-strings-test/fixture.so";
  ModuleVersionInfo info;
  info.hasTranslation = false;
  info.language = 0;
  info.codePage = 1252;
  info.strings = {{L"ProductVersion", L"2, 0, 17, 0"}};
  RegisterModuleVersion(file.c_str(), &info);
  std::vector<BYTE> block = LoadBlock(file);
  ASSERT_FALSE(block.empty());
  LPVOID p = nullptr;
  UINT len = 0;
  EXPECT_FALSE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &p, &len));
  EXPECT_EQ(QueryString(block, L"\\StringFileInfo\\000004e4\\ProductVersion"), L"2, 0, 17, 0");
  RegisterModuleVersion(file.c_str(), nullptr);
  EXPECT_EQ(GetFileVersionInfoSizeW(file.c_str(), nullptr), 0u);
}

}  // namespace
