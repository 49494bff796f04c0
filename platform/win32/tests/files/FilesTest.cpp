#include "platform/win32/Files.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/win32/Handles.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

namespace fs = std::filesystem;
using namespace tessaly::win32;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class FilesTest : public ::testing::Test {
 protected:
  std::string Dir() const { return m_root.Path(); }
  std::wstring WDir() const { return m_root.PathW(); }
  tessaly::testing::TempMachineRoot m_root;
};

// Sets or clears an environment variable for a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value != nullptr)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (m_old)
      ::setenv(m_name.c_str(), m_old->c_str(), 1);
    else
      ::unsetenv(m_name.c_str());
  }

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

TEST_F(FilesTest, MachineRootFollowsTheEnvironmentAndIsCreated) {
  const std::string base = Dir();
  {
    ScopedEnv root("TESSALY_MACHINE_ROOT", (base + "/explicit/").c_str());
    EXPECT_EQ(base + "/explicit", GetMachineRoot());
    EXPECT_TRUE(fs::is_directory(base + "/explicit"));
  }
  {
    ScopedEnv root("TESSALY_MACHINE_ROOT", nullptr);
    ScopedEnv xdg("XDG_DATA_HOME", (base + "/xdg").c_str());
    EXPECT_EQ(base + "/xdg/tessaly/machine", GetMachineRoot());
    EXPECT_TRUE(fs::is_directory(base + "/xdg/tessaly/machine"));
  }
  {
    ScopedEnv root("TESSALY_MACHINE_ROOT", nullptr);
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", (base + "/home").c_str());
    EXPECT_EQ(base + "/home/.local/share/tessaly/machine", MachineRootFromEnvironment());
  }
  EXPECT_EQ(base, GetMachineRoot());
}

TEST_F(FilesTest, KnownFoldersLieUnderTheMachineRoot) {
  WCHAR path[MAX_PATH];
  ASSERT_EQ(S_OK, SHGetFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path));
  EXPECT_EQ(WDir() + L"/ProgramData", path);
  EXPECT_TRUE(fs::is_directory(Dir() + "/ProgramData"));
  EXPECT_EQ(E_INVALIDARG, SHGetFolderPath(nullptr, 0x001a, nullptr, 0, path));

  // The application builds its folder with "\" and creates it level by level.
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_COMMON_APPDATA, FALSE));
  std::wstring kiv = std::wstring(path) + L"\\Norvane\\Kiv2";
  EXPECT_TRUE(CreateDirectoryW((std::wstring(path) + L"\\Norvane").c_str(), nullptr));
  EXPECT_TRUE(CreateDirectoryW(kiv.c_str(), nullptr));
  EXPECT_TRUE(fs::is_directory(Dir() + "/ProgramData/Norvane/Kiv2"));

  WCHAR temp[MAX_PATH];
  DWORD length = GetTempPath(MAX_PATH, temp);
  EXPECT_EQ(WDir() + L"/Temp/", temp);
  EXPECT_EQ(wcslen(temp), length);
  EXPECT_TRUE(fs::is_directory(Dir() + "/Temp"));
  WCHAR tiny[4] = L"abc";
  EXPECT_EQ(length + 1, GetTempPath(4, tiny));  // the size needed, with the NUL
  EXPECT_STREQ(L"abc", tiny);
}

TEST_F(FilesTest, CreateDirectoryReportsWhyItFailed) {
  std::wstring one = WDir() + L"\\one";
  EXPECT_TRUE(CreateDirectory(one.c_str(), nullptr));
  EXPECT_FALSE(CreateDirectory(one.c_str(), nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
  EXPECT_FALSE(CreateDirectory((WDir() + L"/missing/two").c_str(), nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());

  EXPECT_EQ(ERROR_SUCCESS, CreateFolderTree(WDir() + L"/a\\b//c/"));
  EXPECT_TRUE(IsFolder(WDir() + L"/a/b/c"));
  EXPECT_EQ(ERROR_SUCCESS, CreateFolderTree(WDir() + L"/a/b/c"));  // existing is fine
  WriteText(Dir() + "/file", "x");
  EXPECT_EQ(ERROR_ALREADY_EXISTS, CreateFolderTree(WDir() + L"/file"));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, CreateFolderTree(WDir() + L"/file/below"));
}

TEST_F(FilesTest, AnyFileMatchesWildcardsInTheLastComponent) {
  WriteText(Dir() + "/project.tdbx", "x");
  WriteText(Dir() + "/B.TXT", "x");
  fs::create_directory(Dir() + "/empty");
  struct Case {
    const wchar_t* pattern;  // below the root
    bool found;
  };
  const Case cases[] = {
      {L"/project.tdbx", true},
      {L"\\project.tdbx", true},
      {L"/*.tdbx", true},
      {L"/*.TDBX", true},  // wildcards ignore case, as on Windows
      {L"/project.?dbx", true},
      {L"/?.txt", true},
      {L"/??.txt", false},
      {L"/*.xml", false},
      {L"/*.*", true},
      {L"/p*t.t*", true},
      {L"/empty", true},
      {L"/empty/*", false},  // "." and ".." are no match
      {L"/missing/*", false},
      {L"/missing", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.found, AnyFileMatches(WDir() + c.pattern)) << c.pattern;
}

TEST(PathHelpersTest, AcceptBothSeparators) {
  struct Case {
    const wchar_t* path;
    std::vector<std::wstring> parts;
    const wchar_t* fileName;
    const wchar_t* extension;
    const wchar_t* folder;
    const wchar_t* normalized;
  };
  const Case cases[] = {
      {L"C:\\Program Files\\SVR_7\\Tessaly.exe", {L"C:", L"Program Files", L"SVR_7", L"Tessaly.exe"}, L"Tessaly.exe",
       L".exe", L"C:\\Program Files\\SVR_7", L"C:/Program Files/SVR_7/Tessaly.exe"},
      {L"/opt/tessaly/demo.tdbx", {L"opt", L"tessaly", L"demo.tdbx"}, L"demo.tdbx", L".tdbx", L"/opt/tessaly",
       L"/opt/tessaly/demo.tdbx"},
      {L"mixed/sub\\archive.tar.gz", {L"mixed", L"sub", L"archive.tar.gz"}, L"archive.tar.gz", L".gz", L"mixed/sub",
       L"mixed/sub/archive.tar.gz"},
      {L"a//b\\\\c", {L"a", L"b", L"c"}, L"c", L"", L"a//b", L"a//b//c"},
      {L"/projects.xml", {L"projects.xml"}, L"projects.xml", L".xml", L"/", L"/projects.xml"},
      {L"folder/", {L"folder"}, L"", L"", L"folder", L"folder/"},
      {L"dir.d/.hidden", {L"dir.d", L".hidden"}, L".hidden", L"", L"dir.d", L"dir.d/.hidden"},
      {L"plain", {L"plain"}, L"plain", L"", L"", L"plain"},
      {L"", {}, L"", L"", L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "path " << WideToUtf8(c.path));
    EXPECT_EQ(c.parts, SplitPath(c.path));
    EXPECT_EQ(c.fileName, PathFileName(c.path));
    EXPECT_EQ(c.extension, PathExtension(c.path));
    EXPECT_EQ(c.folder, PathFolder(c.path));
    EXPECT_EQ(c.normalized, NormalizePath(c.path));
  }
  struct Join {
    const wchar_t* left;
    const wchar_t* right;
    const wchar_t* joined;
  };
  const Join joins[] = {
      {L"a", L"b", L"a/b"},         {L"a/", L"b", L"a/b"},  {L"a\\", L"\\b", L"a/b"},
      {L"/", L"etc", L"/etc"},      {L"", L"b", L"b"},      {L"a", L"", L"a"},
      {L"C:\\x", L"y\\z", L"C:\\x/y\\z"},
  };
  for (const Join& j : joins) EXPECT_EQ(j.joined, JoinPath(j.left, j.right)) << WideToUtf8(j.left) << " + " << WideToUtf8(j.right);
  EXPECT_EQ("/tmp/gr\xC3\xB6\xC3\x9F" "e/x", NativePath(L"\\tmp\\gr\u00F6\u00DFe\\x"));
}

TEST_F(FilesTest, ReplaceFileSafelyReplacesAndKeepsThePermissions) {
  const std::string target = Dir() + "/projects.xml";
  ASSERT_EQ(ERROR_SUCCESS, ReplaceFileSafely(Utf8ToWide(target), std::string("first")));
  EXPECT_EQ("first", ReadText(target));
  ASSERT_EQ(0, ::chmod(target.c_str(), 0640));
  ASSERT_EQ(ERROR_SUCCESS, ReplaceFileSafely(WDir() + L"\\projects.xml", std::string("second, longer")));
  EXPECT_EQ("second, longer", ReadText(target));
  struct stat st {};
  ASSERT_EQ(0, ::stat(target.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 0777);
  ASSERT_EQ(ERROR_SUCCESS, ReplaceFileSafely(Utf8ToWide(target), nullptr, 0));
  EXPECT_EQ("", ReadText(target));
  EXPECT_EQ(std::vector<std::string>{"projects.xml"}, Names(Dir()));  // no temporary file left
}

TEST_F(FilesTest, ReplaceFileSafelyLeavesTheOldFileWhenItCannotSave) {
  fs::create_directory(Dir() + "/locked");
  WriteText(Dir() + "/locked/keep.xml", "old");
  fs::create_directory(Dir() + "/adir");
  WriteText(Dir() + "/adir/inside", "x");
  struct Case {
    const char* what;
    std::string target;
    LONG error;
    bool needsNonRoot;
  };
  const Case cases[] = {
      {"target is a folder", Dir() + "/adir", ERROR_ACCESS_DENIED, false},
      {"folder missing", Dir() + "/missing/file.xml", ERROR_PATH_NOT_FOUND, false},
      {"folder not writable", Dir() + "/locked/keep.xml", ERROR_ACCESS_DENIED, true},
      {"path ends in a separator", Dir() + "/locked/", ERROR_INVALID_NAME, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needsNonRoot && ::geteuid() == 0) continue;  // root writes anywhere
    ASSERT_EQ(0, ::chmod((Dir() + "/locked").c_str(), 0555));
    EXPECT_EQ(c.error, ReplaceFileSafely(Utf8ToWide(c.target), std::string("new")));
    ASSERT_EQ(0, ::chmod((Dir() + "/locked").c_str(), 0755));
    EXPECT_EQ("old", ReadText(Dir() + "/locked/keep.xml"));
    EXPECT_EQ(std::vector<std::string>{"keep.xml"}, Names(Dir() + "/locked"));
    EXPECT_EQ(std::vector<std::string>{"inside"}, Names(Dir() + "/adir"));
  }
}

// Saves 100,000 bytes over target in a child process whose files may not grow past 4 KB, with
// that action for the file-size signal; the child's wait status (0 exit: ERROR_DISK_FULL).
int SaveInChildPastAFileLimit(const std::string& target, void (*onLimit)(int), pid_t* child = nullptr) {
  pid_t pid = ::fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, onLimit);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    LONG error = ReplaceFileSafely(Utf8ToWide(target), std::string(100000, 'n'));
    ::_exit(error == ERROR_DISK_FULL ? 0 : 1);
  }
  if (child != nullptr) *child = pid;
  int status = -1;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) ADD_FAILURE() << "no child process";
  return status;
}

TEST_F(FilesTest, ReplaceFileSafelyLeavesTheOldFileWhenTheWriteFails) {
  const std::string target = Dir() + "/big.tdbx";
  WriteText(target, "old contents");
  // The write fails half way.
  const int status = SaveInChildPastAFileLimit(target, SIG_IGN);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_EQ("old contents", ReadText(target));
  EXPECT_EQ(std::vector<std::string>{"big.tdbx"}, Names(Dir()));
}

TEST_F(FilesTest, TemporaryOfAKilledSaveIsRemovedByTheNextSave) {
  const std::string target = Dir() + "/table.xml";
  WriteText(target, "old contents");
  // The file-size signal kills the child in the middle of its write, before any clean-up.
  pid_t pid = 0;
  const int status = SaveInChildPastAFileLimit(target, SIG_DFL, &pid);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(SIGXFSZ, WTERMSIG(status));
  std::vector<std::string> left = Names(Dir());
  ASSERT_EQ(2u, left.size());  // the file and one temporary
  EXPECT_EQ("old contents", ReadText(target));

  // Temporaries of running processes, and names that only look alike, are left alone.
  const std::vector<std::string> kept = {".table.xml.tmp-" + std::to_string(::getpid()) + "-0-1",
                                         ".table.xml.tmp-" + std::to_string(::getppid()) + "-0-1",
                                         ".table.xml.tmp-x-0-1", ".other.xml.tmp-" + std::to_string(pid) + "-0-1"};
  for (const std::string& name : kept) WriteText(Dir() + "/" + name, "in use");
  ASSERT_EQ(ERROR_SUCCESS, ReplaceFileSafely(Utf8ToWide(target), std::string("new")));
  EXPECT_EQ("new", ReadText(target));
  std::vector<std::string> want = kept;
  want.push_back("table.xml");
  std::sort(want.begin(), want.end());
  std::vector<std::string> now = Names(Dir());
  std::sort(now.begin(), now.end());
  EXPECT_EQ(want, now);
}

TEST_F(FilesTest, ReadWholeFileReadsEverythingOrSaysWhy) {
  std::string bytes("a\0b\xFF", 4);
  WriteText(Dir() + "/data.bin", bytes);
  std::vector<BYTE> read;
  ASSERT_EQ(ERROR_SUCCESS, ReadWholeFile(WDir() + L"/data.bin", read));
  EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.end()), read);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadWholeFile(WDir() + L"/none.bin", read));
  EXPECT_TRUE(read.empty());
  EXPECT_EQ(ERROR_ACCESS_DENIED, ReadWholeFile(WDir(), read));
}

TEST(ModuleFileNameTest, NamesTheExecutableAndLoadedLibraries) {
  const std::wstring exe = Utf8ToWide(fs::canonical("/proc/self/exe").string());
  WCHAR path[1024];
  EXPECT_EQ(exe.size(), GetModuleFileName(nullptr, path, 1024));
  EXPECT_EQ(exe, path);
  HMODULE self = GetModuleHandle(nullptr);
  ASSERT_NE(nullptr, self);
  EXPECT_EQ(exe.size(), GetModuleFileNameW(self, path, 1024));
  EXPECT_EQ(exe, path);

  // Too small: cut, terminated, the buffer's size returned.
  WCHAR small[5];
  EXPECT_EQ(5u, GetModuleFileName(nullptr, small, 5));
  EXPECT_EQ(exe.substr(0, 4), small);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

  // A shared library, found from an address inside it and by its name.
  HMODULE sqlite = nullptr;
  ASSERT_TRUE(GetModuleHandleEx(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCWSTR>(&sqlite3_libversion), &sqlite));
  ASSERT_NE(nullptr, sqlite);
  ASSERT_GT(GetModuleFileName(sqlite, path, 1024), 0u);
  EXPECT_NE(std::wstring::npos, std::wstring(path).find(L"libsqlite3")) << WideToUtf8(path);
  EXPECT_EQ(sqlite, GetModuleHandle(PathFileName(path).c_str()));
  EXPECT_EQ(sqlite, GetModuleHandle(L"SQLITE3.DLL"));
  EXPECT_EQ(nullptr, GetModuleHandle(L"no_such_module.dll"));
}

}  // namespace
