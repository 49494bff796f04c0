// The machine state that admits TCP clients: its owner's alone, and no access key a reader of the
// registry's files could present.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/rpc/LocalServer.h"
#include "platform/rpc/RemoteSettings.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/Registry.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

using tessaly::rpc::CRemoteSettings;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 07777;  // missing: fails every check below
  return st.st_mode & 07777;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A machine root that the first use makes (as a fresh install's is).
class MachineStateTest : public ::testing::Test {
 protected:
  tessaly::testing::TempMachineRoot parent;
  std::string root;
  void SetUp() override {
    root = parent.Path() + "/machine";
    tessaly::win32::CloseRegistryDatabase();
    ::setenv("TESSALY_MACHINE_ROOT", root.c_str(), 1);
  }
  void TearDown() override { tessaly::win32::CloseRegistryDatabase(); }
  // The database, its journal and the sockets' folder are owner-only.
  void ExpectOwnerOnly() {
    EXPECT_EQ(0700, ModeOf(root));
    for (const char* file : {"/registry.db", "/registry.db-wal", "/registry.db-shm"})
      EXPECT_EQ(0600, ModeOf(root + file)) << file;
    EXPECT_EQ(0700, ModeOf(tessaly::rpc::RpcDirectory()));
  }
};

TEST_F(MachineStateTest, AFreshInstallIsItsOwnersAloneAndKeepsOnlyTheKeysHash) {
  const std::string key = "a8d1f0c2-fresh-install-key";
  ::umask(022);  // the user's usual mask gives group and others read access
  CRemoteSettings settings;
  settings.enabled = true;
  settings.SetAccessKey(key);
  ASSERT_TRUE(settings.Write());
  ExpectOwnerOnly();
  CRemoteSettings read = CRemoteSettings::Read();
  EXPECT_TRUE(read.Admits(key));
  EXPECT_FALSE(read.Admits("a8d1f0c2-fresh-install-kez"));
  EXPECT_FALSE(read.Admits(""));
  EXPECT_EQ(0u, read.accessKeyHash.find("sha256:"));
  // Two installs with one key keep different hashes (salted).
  CRemoteSettings other;
  other.SetAccessKey(key);
  EXPECT_NE(read.accessKeyHash, other.accessKeyHash);
  // Nothing a reader of the files could present.
  for (const char* file : {"/registry.db", "/registry.db-wal"})
    EXPECT_EQ(std::string::npos, Contents(root + file).find(key)) << file;
}

TEST_F(MachineStateTest, AnOlderInstallsPlainKeyLeavesTheDatabaseAndItsFilesNarrow) {
  const std::string key = "5c77e2aa-older-install-key";
  // An older install: its database readable by all, the key in plain text.
  tessaly::win32::GetMachineRoot();
  ::chmod(root.c_str(), 0755);
  std::ofstream(root + "/registry.db").close();
  ::chmod((root + "/registry.db").c_str(), 0644);
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, tessaly::rpc::kRemoteSettingsKey, 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &k, nullptr));
  std::wstring plain(key.begin(), key.end());
  RegSetValueExW(k, L"AccessKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(plain.c_str()),
                 static_cast<DWORD>((plain.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
  ExpectOwnerOnly();
  CRemoteSettings settings = CRemoteSettings::Read();
  EXPECT_TRUE(settings.Admits(key));  // still admitted until the listener protects it
  EXPECT_EQ(key, settings.ClientAccessKey());
  settings.ProtectAccessKey();  // as the listener does when it starts

  CRemoteSettings read = CRemoteSettings::Read();
  EXPECT_TRUE(read.legacyAccessKey.empty());
  EXPECT_TRUE(read.Admits(key));
  EXPECT_FALSE(read.Admits("5c77e2aa-older-install-kez"));
  // Clients here go on presenting it, from a file of the owner's.
  EXPECT_EQ(key, read.ClientAccessKey());
  EXPECT_EQ(0600, ModeOf(read.accessKeyFile));
  std::wstring value;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, tessaly::rpc::kRemoteSettingsKey, 0, KEY_READ, &k));
  EXPECT_FALSE(tessaly::win32::RegQueryString(k, L"AccessKey", value));
  RegCloseKey(k);
  EXPECT_EQ(std::string::npos, Contents(root + "/registry.db").find(key));
}

}  // namespace
