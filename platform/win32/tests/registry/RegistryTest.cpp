#include "platform/win32/Registry.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/MachineRoot.h"
#include "platform/win32/testing/TempMachineRoot.h"

extern char** environ;

namespace {

using tessaly::testing::TempMachineRoot;

class Key {
 public:
  Key() = default;
  explicit Key(HKEY key) : m_key(key) {}
  ~Key() {
    if (m_key != nullptr) RegCloseKey(m_key);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &m_key; }
  operator HKEY() const { return m_key; }  // NOLINT

 private:
  HKEY m_key = nullptr;
};

LONG SetString(HKEY key, LPCWSTR name, const std::wstring& text, DWORD type = REG_SZ) {
  return RegSetValueEx(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
}

LONG SetDword(HKEY key, LPCWSTR name, DWORD value) {
  return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

std::wstring GetString(HKEY key, LPCWSTR name) {
  std::wstring value;
  return tessaly::win32::RegQueryString(key, name, value) ? value : L"<missing>";
}

std::vector<std::wstring> SubKeyNames(HKEY key) {
  std::vector<std::wstring> names;
  for (DWORD i = 0;; ++i) {
    WCHAR name[256];
    DWORD size = 256;
    LONG error = RegEnumKeyEx(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (error == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(ERROR_SUCCESS, error);
    if (error != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  return names;
}

std::vector<std::wstring> ValueNames(HKEY key) {
  std::vector<std::wstring> names;
  for (DWORD i = 0;; ++i) {
    WCHAR name[256];
    DWORD size = 256;
    LONG error = RegEnumValue(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (error == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(ERROR_SUCCESS, error);
    if (error != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  return names;
}

off_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

class RegistryTest : public ::testing::Test {
 protected:
  TempMachineRoot m_root;
};

TEST_F(RegistryTest, CreateKeyMakesEveryLevelAndReportsDisposition) {
  Key created;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\Norvane GmbH\\Tessaly\\Settings", 0, nullptr,
                                          REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, created.out(),
                                          &disposition));
  EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);

  Key again;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\Norvane GmbH\\Tessaly\\Settings", 0, nullptr,
                                          0, KEY_ALL_ACCESS, nullptr, again.out(), &disposition));
  EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);

  Key middle;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Norvane GmbH", 0, KEY_READ, middle.out()));
  HKEY missing = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Nobody", 0, KEY_READ, &missing));
  EXPECT_EQ(nullptr, missing);
  // The hives are separate trees.
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Norvane GmbH", 0, KEY_READ, &missing));
}

TEST_F(RegistryTest, NamesIgnoreCaseButKeepTheCaseTheyWereCreatedWith) {
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\MixedCase\\Ärger", key.out()));
  ASSERT_EQ(ERROR_SUCCESS, SetString(key, L"XMLFilePath", L"first"));
  ASSERT_EQ(ERROR_SUCCESS, SetString(key, L"xmlfilepath", L"second"));  // the same value

  Key other;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"software\\MIXEDCASE\\äRGER", 0, KEY_READ, other.out()));
  EXPECT_EQ(L"second", GetString(other, L"XMLFILEPATH"));
  EXPECT_EQ(std::vector<std::wstring>{L"XMLFilePath"}, ValueNames(other));

  Key parent;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, parent.out()));
  EXPECT_EQ(std::vector<std::wstring>{L"MixedCase"}, SubKeyNames(parent));
  Key created;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_LOCAL_MACHINE, L"software\\mixedcase", 0, nullptr, 0, KEY_ALL_ACCESS,
                                          nullptr, created.out(), &disposition));
  EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition);
}

TEST_F(RegistryTest, ValuesOfEveryTypeRoundTrip) {
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Types", key.out()));
  const std::wstring multi(L"one\0two\0\0", 9);
  const BYTE binary[] = {0, 1, 2, 0xFF, 0};
  const DWORD dword = 0xDEADBEEF;
  const ULONGLONG qword = 0x0123456789ABCDEFULL;
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> bytes;
  };
  auto bytesOf = [](const void* p, size_t n) {
    return std::vector<BYTE>(static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + n);
  };
  const Case cases[] = {
      {L"sz", REG_SZ, bytesOf(L"text", 5 * sizeof(WCHAR))},
      {L"expand", REG_EXPAND_SZ, bytesOf(L"%ProgramData%\\x", 16 * sizeof(WCHAR))},
      {L"multi", REG_MULTI_SZ, bytesOf(multi.data(), multi.size() * sizeof(WCHAR))},
      {L"dword", REG_DWORD, bytesOf(&dword, sizeof dword)},
      {L"qword", REG_QWORD, bytesOf(&qword, sizeof qword)},
      {L"binary", REG_BINARY, bytesOf(binary, sizeof binary)},
      {L"empty", REG_BINARY, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "value " << c.name);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueEx(key, c.name, 0, c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size())));
    DWORD type = 0, size = 64;
    BYTE data[64] = {};
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, c.name, nullptr, &type, data, &size));
    EXPECT_EQ(c.type, type);
    EXPECT_EQ(c.bytes, std::vector<BYTE>(data, data + size));
  }
}

TEST_F(RegistryTest, StringsSetWithoutTheirTerminatorAreStoredTerminated) {
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Strings", key.out()));
  struct Case {
    DWORD type;
    std::wstring given;  // exactly the units passed
    std::wstring stored;
  };
  const Case cases[] = {
      {REG_SZ, L"abc", std::wstring(L"abc\0", 4)},
      {REG_SZ, L"", std::wstring(1, L'\0')},
      {REG_EXPAND_SZ, std::wstring(L"abc\0", 4), std::wstring(L"abc\0", 4)},
      {REG_MULTI_SZ, std::wstring(L"a\0b", 3), std::wstring(L"a\0b\0\0", 5)},
      {REG_MULTI_SZ, std::wstring(L"a\0b\0", 4), std::wstring(L"a\0b\0\0", 5)},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueEx(key, L"v", 0, c.type, reinterpret_cast<const BYTE*>(c.given.data()),
                                           static_cast<DWORD>(c.given.size() * sizeof(WCHAR))));
    DWORD size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, L"v", nullptr, nullptr, nullptr, &size));
    ASSERT_EQ(c.stored.size() * sizeof(WCHAR), size);
    std::wstring read(size / sizeof(WCHAR), L'?');
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, L"v", nullptr, nullptr, reinterpret_cast<LPBYTE>(read.data()), &size));
    EXPECT_EQ(c.stored, read);
  }
}

TEST_F(RegistryTest, QueryFollowsTheSizeRules) {
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Sizes", key.out()));
  ASSERT_EQ(ERROR_SUCCESS, SetString(key, L"name", L"Tessaly"));
  const DWORD needed = 8 * sizeof(WCHAR);

  DWORD type = 0, size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, L"name", nullptr, &type, nullptr, &size));  // size query
  EXPECT_EQ(REG_SZ, type);
  EXPECT_EQ(needed, size);

  WCHAR small[4] = {L'x', L'x', L'x', L'x'};
  size = sizeof small;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueEx(key, L"name", nullptr, nullptr, reinterpret_cast<LPBYTE>(small), &size));
  EXPECT_EQ(needed, size);
  EXPECT_EQ(L'x', small[0]);  // nothing half-copied

  WCHAR exact[8];
  size = sizeof exact;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, L"name", nullptr, nullptr, reinterpret_cast<LPBYTE>(exact), &size));
  EXPECT_STREQ(L"Tessaly", exact);

  type = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, L"name", nullptr, &type, nullptr, nullptr));  // type only
  EXPECT_EQ(REG_SZ, type);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueEx(key, L"name", nullptr, nullptr, reinterpret_cast<LPBYTE>(exact), nullptr));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueEx(key, L"missing", nullptr, &type, nullptr, &size));

  DWORD two = 2;
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueEx(key, L"bad", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 2));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueEx(key, L"bad", nullptr, &type, nullptr, &size));
}

TEST_F(RegistryTest, DefaultValueIsTheEmptyName) {
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CLASSES_ROOT, L"Sennet.XMLFormatter", key.out()));
  ASSERT_EQ(ERROR_SUCCESS, SetString(key, nullptr, L"XMLFormatter Class"));
  EXPECT_EQ(L"XMLFormatter Class", GetString(key, L""));
  ASSERT_EQ(ERROR_SUCCESS, SetString(key, L"", L"renamed"));
  EXPECT_EQ(L"renamed", GetString(key, nullptr));

  // RegSetValue creates the subkey and sets its default value; dataSize is not trusted.
  ASSERT_EQ(ERROR_SUCCESS, RegSetValue(key, L"CurVer", REG_SZ, L"Sennet.XMLFormatter.1", 3));
  WCHAR text[64];
  LONG size = sizeof text;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValue(key, L"CurVer", text, &size));
  EXPECT_STREQ(L"Sennet.XMLFormatter.1", text);
  EXPECT_EQ(static_cast<LONG>(22 * sizeof(WCHAR)), size);
  size = 4;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValue(key, L"CurVer", text, &size));
  EXPECT_EQ(static_cast<LONG>(22 * sizeof(WCHAR)), size);

  // A key without a default value reads as "".
  Key bare;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(key, L"CLSID", bare.out()));
  size = sizeof text;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValue(key, L"CLSID", text, &size));
  EXPECT_STREQ(L"", text);
  EXPECT_EQ(static_cast<LONG>(sizeof(WCHAR)), size);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValue(key, L"Missing", text, &size));
}

TEST_F(RegistryTest, DeleteKeyRefusesAKeyWithSubkeysAndDeleteTreeTakesEverything) {
  Key root;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Tree", root.out()));
  for (const wchar_t* path : {L"A\\B\\C", L"A\\D", L"E"}) {
    Key k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(root, path, k.out()));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(k, L"v", 1));
  }
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKey(root, L"A"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKey(HKEY_CURRENT_USER, L""));  // a hive stays
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKey(root, L"a\\b\\c"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKey(root, L"A\\B\\C"));

  EXPECT_EQ(ERROR_SUCCESS, RegDeleteTree(root, L"A"));
  EXPECT_EQ(std::vector<std::wstring>{L"E"}, SubKeyNames(root));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteTree(root, L"A"));

  // Created again, the key comes back without its old values.
  Key again;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(root, L"A\\D", again.out()));
  EXPECT_TRUE(ValueNames(again).empty());

  // A null subkey empties the key and keeps it.
  ASSERT_EQ(ERROR_SUCCESS, SetDword(root, L"top", 1));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteTree(root, nullptr));
  EXPECT_TRUE(SubKeyNames(root).empty());
  EXPECT_TRUE(ValueNames(root).empty());
  EXPECT_EQ(ERROR_SUCCESS, SetDword(root, L"still", 1));

  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValue(root, L"STILL"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValue(root, L"still"));
}

TEST_F(RegistryTest, KeyDeletedWhileOpenAnswersKeyDeleted) {
  Key parent;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Gone", parent.out()));
  HKEY child = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(parent, L"Child", &child));
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteTree(HKEY_CURRENT_USER, L"Software\\Gone"));

  DWORD size = 0;
  WCHAR name[16];
  DWORD nameSize = 16;
  HKEY sub = nullptr;
  EXPECT_EQ(ERROR_KEY_DELETED, SetDword(child, L"v", 1));
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueEx(child, L"v", nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(ERROR_KEY_DELETED, RegEnumKeyEx(child, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_KEY_DELETED, RegCreateKey(child, L"Sub", &sub));
  EXPECT_EQ(ERROR_KEY_DELETED, RegCreateKey(parent, L"Child", &sub));

  // A new key of the same name is a different key.
  Key recreated;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Gone\\Child", recreated.out()));
  EXPECT_EQ(ERROR_KEY_DELETED, SetDword(child, L"v", 1));

  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(child));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(child));
  EXPECT_EQ(ERROR_INVALID_HANDLE, SetDword(child, L"v", 1));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyEx(reinterpret_cast<HKEY>(0x1234), L"x", 0, KEY_READ, &sub));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
}

TEST_F(RegistryTest, EnumerationIsSortedIgnoringCaseAndEndsWithNoMoreItems) {
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Enum", key.out()));
  for (const wchar_t* name : {L"gamma", L"Beta", L"alpha2", L"ALPHA"}) {
    Key k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(key, name, k.out()));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, name, 1));
  }
  ASSERT_EQ(ERROR_SUCCESS, SetDword(key, nullptr, 1));
  const std::vector<std::wstring> sorted = {L"ALPHA", L"alpha2", L"Beta", L"gamma"};
  EXPECT_EQ(sorted, SubKeyNames(key));
  std::vector<std::wstring> values = {L""};
  values.insert(values.end(), sorted.begin(), sorted.end());
  EXPECT_EQ(values, ValueNames(key));

  // A name that does not fit: ERROR_MORE_DATA, the size stays the buffer's.
  WCHAR name[8];
  DWORD nameSize = 6;  // "alpha2" needs 7 with its NUL
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyEx(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(6u, nameSize);
  nameSize = 7;
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyEx(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(6u, nameSize);
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKey(key, 4, name, 8));

  // Enumerating a value also returns its data by the query rules.
  DWORD type = 0, data = 0, dataSize = sizeof data;
  nameSize = 8;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValue(key, 1, name, &nameSize, nullptr, &type, reinterpret_cast<LPBYTE>(&data), &dataSize));
  EXPECT_STREQ(L"ALPHA", name);
  EXPECT_EQ(REG_DWORD, type);
  EXPECT_EQ(1u, data);
  nameSize = 8;
  dataSize = 2;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValue(key, 1, name, &nameSize, nullptr, &type, reinterpret_cast<LPBYTE>(&data), &dataSize));
  EXPECT_EQ(sizeof(DWORD), dataSize);
}

TEST_F(RegistryTest, QueryInfoKeyGivesCountsAndLongestLengths) {
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Info", key.out()));
  for (const wchar_t* name : {L"ab", L"abcde"}) {
    Key k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(key, name, k.out()));
  }
  ASSERT_EQ(ERROR_SUCCESS, SetString(key, L"Protocol", L"0123456789"));
  ASSERT_EQ(ERROR_SUCCESS, SetDword(key, L"ProtocolLinesMax", 3000));
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
  FILETIME written{};
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                                           &maxValueName, &maxValue, nullptr, &written));
  EXPECT_EQ(2u, subKeys);
  EXPECT_EQ(5u, maxSubKey);
  EXPECT_EQ(2u, values);
  EXPECT_EQ(16u, maxValueName);
  EXPECT_EQ(11 * sizeof(WCHAR), maxValue);
  EXPECT_NE(0u, written.dwHighDateTime);
}

TEST_F(RegistryTest, SwitchingTheMachineRootSwitchesTheRegistry) {
  Key outer;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_LOCAL_MACHINE, L"Software\\Outer", outer.out()));
  ASSERT_EQ(ERROR_SUCCESS, SetDword(outer, L"v", 7));
  {
    TempMachineRoot inner;
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Outer", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, SetDword(outer, L"v", 8));  // opened under the other root
  }
  DWORD value = 0, size = sizeof value;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueEx(outer, L"v", nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size));
  EXPECT_EQ(7u, value);
}

struct EnvCase {
  const wchar_t* source;
  const wchar_t* expanded;
};

TEST(ExpandEnvironmentStringsTest, ReplacesKnownVariablesAndKeepsTheRest) {
  ASSERT_EQ(0, ::setenv("TESSALY_EXPAND_TEST", "C:/data", 1));
  ::unsetenv("TESSALY_EXPAND_UNKNOWN");
  const EnvCase cases[] = {
      {L"%TESSALY_EXPAND_TEST%\\nv_types.xml", L"C:/data\\nv_types.xml"},
      {L"x%tessaly_expand_test%y", L"xC:/datay"},  // names ignore case
      {L"%TESSALY_EXPAND_UNKNOWN%", L"%TESSALY_EXPAND_UNKNOWN%"},
      {L"100%", L"100%"},
      {L"%%", L"%%"},
      {L"50% of %TESSALY_EXPAND_TEST%", L"50% of C:/data"},
      {L"", L""},
  };
  for (const EnvCase& c : cases) {
    WCHAR out[128];
    DWORD needed = ExpandEnvironmentStrings(c.source, out, 128);
    EXPECT_EQ(wcslen(c.expanded) + 1, needed) << c.source;
    EXPECT_STREQ(c.expanded, out);
  }
  WCHAR tiny[4] = L"abc";
  EXPECT_EQ(8u, ExpandEnvironmentStrings(L"%TESSALY_EXPAND_TEST%", tiny, 4));
  EXPECT_STREQ(L"abc", tiny);
  ::unsetenv("TESSALY_EXPAND_TEST");
}

// ---- several processes ----------------------------------------------------------------

constexpr const char* kChildVariable = "TESSALY_REGISTRY_CHILD";
constexpr int kValuesPerWriter = 60;

// Runs this test binary again with only the child test and a task in the environment.
pid_t SpawnChild(const std::string& task) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  env.push_back(std::string(kChildVariable) + "=" + task);
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string exe = "/proc/self/exe", filter = "--gtest_filter=RegistryChild.RunTask";
  char* argv[] = {exe.data(), filter.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
  return pid;
}

int WaitChild(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

void WriteMany(const wchar_t* writer) {
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_LOCAL_MACHINE, L"Software\\Concurrent\\Shared", key.out()));
  for (int i = 0; i < kValuesPerWriter; ++i) {
    std::wstring name = std::wstring(writer) + L"-" + std::to_wstring(i);
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, name.c_str(), static_cast<DWORD>(i)));
    // Keys made and removed at once by several writers must not collide either.
    Key scratch;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_LOCAL_MACHINE, (L"Software\\Concurrent\\Scratch\\" + name).c_str(), scratch.out()));
  }
}

// Runs a task in a child process and waits for it; a fresh connection then sees what it wrote.
void RunChild(const std::string& task) {
  pid_t child = SpawnChild(task);
  ASSERT_GT(child, 0);
  ASSERT_EQ(0, WaitChild(child));
  tessaly::win32::CloseRegistryDatabase();
}

// The child's side; skipped unless started by a test above.
TEST(RegistryChild, RunTask) {
  const char* task = std::getenv(kChildVariable);
  if (task == nullptr) GTEST_SKIP() << "runs only as a child process";
  std::string t = task;
  if (t == "read-then-write") {
    Key key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Persist", 0, KEY_READ, key.out()));
    ASSERT_EQ(L"from parent", GetString(key, L"Parent"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, L"Child", L"from child"));
  } else if (t == "write-many") {
    WriteMany(L"child");
  } else if (t == "full-disk") {
    Key key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Full", 0, KEY_ALL_ACCESS, key.out()));
    const std::string wal = tessaly::win32::GetMachineRoot() + "/registry.db-wal";
    const off_t before = FileSize(wal);
    // No file may grow past a little beyond what is there: the big write cannot land.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t room = static_cast<rlim_t>(std::max(before, FileSize(wal.substr(0, wal.size() - 4)))) + 65536;
    rlimit limit{room, RLIM_INFINITY};
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &limit));
    const std::vector<BYTE> big(4 << 20, 0x5A);
    EXPECT_NE(ERROR_SUCCESS, RegSetValueEx(key, L"Big", 0, REG_BINARY, big.data(), static_cast<DWORD>(big.size())));
    EXPECT_LE(FileSize(wal), before);
    // The registry still works for what fits.
    EXPECT_EQ(ERROR_SUCCESS, SetString(key, L"After", L"fits"));
  } else {
    FAIL() << "unknown task " << t;
  }
}

TEST_F(RegistryTest, WriteFailingOnAFullDiskGivesItsSpaceBack) {
  {
    Key key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Full", key.out()));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, L"Before", L"kept"));
  }
  RunChild("full-disk");
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Full", 0, KEY_READ, key.out()));
  EXPECT_EQ(L"kept", GetString(key, L"Before"));
  EXPECT_EQ(L"fits", GetString(key, L"After"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueEx(key, L"Big", nullptr, nullptr, nullptr, nullptr));
}

TEST_F(RegistryTest, ValuesPersistAcrossProcesses) {
  {
    Key key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKey(HKEY_CURRENT_USER, L"Software\\Persist", key.out()));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, L"Parent", L"from parent"));
  }
  RunChild("read-then-write");
  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Persist", 0, KEY_READ, key.out()));
  EXPECT_EQ(L"from child", GetString(key, L"Child"));
}

TEST(RegistryConcurrent, WritersInTwoProcessesAndSeveralThreadsAllLand) {
  TempMachineRoot root;
  pid_t child = SpawnChild("write-many");
  ASSERT_GT(child, 0);
  const wchar_t* writers[] = {L"t0", L"t1", L"t2", L"t3"};
  std::vector<std::thread> threads;
  for (const wchar_t* writer : writers) threads.emplace_back([writer] { WriteMany(writer); });
  for (std::thread& t : threads) t.join();
  ASSERT_EQ(0, WaitChild(child));

  Key key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Concurrent\\Shared", 0, KEY_READ, key.out()));
  DWORD values = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                           nullptr, nullptr, nullptr));
  EXPECT_EQ(5u * kValuesPerWriter, values);
  for (const wchar_t* writer : {L"t0", L"t1", L"t2", L"t3", L"child"}) {
    std::wstring last = std::wstring(writer) + L"-" + std::to_wstring(kValuesPerWriter - 1);
    DWORD value = 0, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, last.c_str(), nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size));
    EXPECT_EQ(static_cast<DWORD>(kValuesPerWriter - 1), value);
  }
  Key scratch;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Concurrent\\Scratch", 0, KEY_READ, scratch.out()));
  EXPECT_EQ(5u * kValuesPerWriter, SubKeyNames(scratch).size());
}

}  // namespace
