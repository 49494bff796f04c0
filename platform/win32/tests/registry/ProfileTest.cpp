#include "platform/win32/Profile.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/win32/testing/TempMachineRoot.h"

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  ProfileTest() : m_profile(L"Tessaly") { m_profile.SetRegistryKey(L"Norvane GmbH\\Tessaly_7"); }

  static bool KeyExists(LPCWSTR path) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  tessaly::testing::TempMachineRoot m_root;
  CRegistryProfile m_profile;
};

TEST_F(ProfileTest, LivesUnderTheCompanyAndProfileKeyOfTheCurrentUser) {
  EXPECT_EQ(CString(L"Software\\Norvane GmbH\\Tessaly_7\\Tessaly"), m_profile.GetAppRegistryPath());
  ASSERT_TRUE(m_profile.WriteProfileInt(L"Settings", L"ProtocolLinesMax", 3000));
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Norvane GmbH\\Tessaly_7\\Tessaly\\Settings", 0,
                                        KEY_READ, &key));
  DWORD type = 0, value = 0, size = sizeof value;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, L"ProtocolLinesMax", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size));
  EXPECT_EQ(REG_DWORD, type);
  EXPECT_EQ(3000u, value);
  RegCloseKey(key);
}

TEST_F(ProfileTest, ValuesRoundTripAndMissingOrMistypedOnesGiveTheDefault) {
  EXPECT_EQ(1023u, m_profile.GetProfileInt(L"Settings", L"Protocol", 1023));
  EXPECT_EQ(CString(L"none"), m_profile.GetProfileString(L"Settings", L"LastNetworkInterface", L"none"));
  EXPECT_EQ(CString(), m_profile.GetProfileString(L"Settings", L"LastNetworkInterface"));
  EXPECT_FALSE(KeyExists(L"Software\\Norvane GmbH\\Tessaly_7\\Tessaly\\Settings"));  // reads create nothing

  ASSERT_TRUE(m_profile.WriteProfileInt(L"Settings", L"Protocol", 511));
  ASSERT_TRUE(m_profile.WriteProfileInt(L"Settings", L"Offset", -5));
  ASSERT_TRUE(m_profile.WriteProfileString(L"Settings", L"LastNetworkInterface", L"LON1"));
  ASSERT_TRUE(m_profile.WriteProfileString(L"TagView", L"ColumnsWidth", L"120;80;200"));
  EXPECT_EQ(511u, m_profile.GetProfileInt(L"settings", L"PROTOCOL", 1023));
  EXPECT_EQ(-5, static_cast<int>(m_profile.GetProfileInt(L"Settings", L"Offset", 0)));
  EXPECT_EQ(CString(L"LON1"), m_profile.GetProfileString(L"Settings", L"LastNetworkInterface"));
  EXPECT_EQ(CString(L"120;80;200"), m_profile.GetProfileString(L"TagView", L"ColumnsWidth"));

  // The wrong type reads as missing.
  EXPECT_EQ(7u, m_profile.GetProfileInt(L"Settings", L"LastNetworkInterface", 7));
  EXPECT_EQ(CString(L"d"), m_profile.GetProfileString(L"Settings", L"Protocol", L"d"));

  const BYTE state[] = {1, 0, 2, 0, 0xFF};
  ASSERT_TRUE(m_profile.WriteProfileBinary(L"Workspace", L"State", const_cast<LPBYTE>(state), sizeof state));
  LPBYTE data = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(m_profile.GetProfileBinary(L"Workspace", L"State", &data, &bytes));
  std::unique_ptr<BYTE[]> owned(data);
  EXPECT_EQ(std::vector<BYTE>(state, state + sizeof state), std::vector<BYTE>(data, data + bytes));
  std::vector<BYTE> missing = {9};
  EXPECT_FALSE(m_profile.GetProfileBinary(L"Workspace", L"Missing", missing));
  EXPECT_TRUE(missing.empty());
  EXPECT_FALSE(m_profile.GetProfileBinary(L"Settings", L"Protocol", missing));  // a DWORD is no binary
}

TEST_F(ProfileTest, NullValueDeletesTheEntryAndNullEntryDeletesTheSection) {
  ASSERT_TRUE(m_profile.WriteProfileString(L"Frame", L"FrameSplitter", L"200"));
  ASSERT_TRUE(m_profile.WriteProfileInt(L"Frame", L"ApplicationLook", 3));
  ASSERT_TRUE(m_profile.WriteProfileInt(L"Frame\\Pane", L"Visible", 1));

  ASSERT_TRUE(m_profile.WriteProfileString(L"Frame", L"FrameSplitter", nullptr));
  EXPECT_EQ(CString(L"gone"), m_profile.GetProfileString(L"Frame", L"FrameSplitter", L"gone"));
  EXPECT_EQ(3u, m_profile.GetProfileInt(L"Frame", L"ApplicationLook", 0));
  EXPECT_FALSE(m_profile.WriteProfileString(L"Frame", L"FrameSplitter", nullptr));  // nothing left to delete

  // The section goes with whatever lies below it.
  ASSERT_TRUE(m_profile.WriteProfileString(L"Frame", nullptr, nullptr));
  EXPECT_FALSE(KeyExists(L"Software\\Norvane GmbH\\Tessaly_7\\Tessaly\\Frame"));
  EXPECT_EQ(0u, m_profile.GetProfileInt(L"Frame\\Pane", L"Visible", 0));
}

TEST_F(ProfileTest, WithoutARegistryKeyThereIsNoProfile) {
  CRegistryProfile bare(L"Tessaly");
  EXPECT_EQ(CString(), bare.GetAppRegistryPath());
  EXPECT_FALSE(bare.WriteProfileInt(L"Settings", L"Protocol", 1));
  EXPECT_EQ(42u, bare.GetProfileInt(L"Settings", L"Protocol", 42));
  EXPECT_EQ(nullptr, bare.GetAppRegistryKey());
  EXPECT_FALSE(KeyExists(L"Software\\Tessaly"));
}

TEST_F(ProfileTest, TheCurrentProfileIsWhatTheApplicationSet) {
  CRegistryProfile* before = AfxGetRegistryProfile();
  AfxSetRegistryProfile(&m_profile);
  EXPECT_EQ(&m_profile, AfxGetRegistryProfile());
  AfxSetRegistryProfile(before);
}

}  // namespace
