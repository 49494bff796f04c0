#include "platform/win32/Files.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cwctype>
#include <random>
#include <string_view>

#include "platform/win32/Handles.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/TextConv.h"

using tessaly::win32::NativePath;
using tessaly::win32::Win32ErrorFromErrno;

namespace {

constexpr LONG kErrorModNotFound = 126;

bool IsSeparator(wchar_t ch) { return ch == L'/' || ch == L'\\'; }

// ---- modules ----

struct ModuleSearch {
  const std::string* wanted = nullptr;  // null: the first object (the executable)
  uintptr_t base = 0;
};

uintptr_t LoadBase(const dl_phdr_info* info) {
  uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i)
    if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest)
      lowest = info->dlpi_phdr[i].p_vaddr;
  return info->dlpi_addr + (lowest == UINTPTR_MAX ? 0 : lowest);
}

std::string ExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Folded(std::string text) {
  for (char& ch : text)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return text;
}

std::string Stem(std::string name) {
  name = Folded(std::move(name));
  size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

// "Ombrel.dll", "ombrel", "libombrel.so.1" and "/full/path/libombrel.so" all name the same object.
bool ModuleNameMatches(const std::string& loadedPath, const std::string& wanted) {
  if (wanted.find('/') != std::string::npos) {
    char a[PATH_MAX], b[PATH_MAX];
    return ::realpath(loadedPath.c_str(), a) != nullptr && ::realpath(wanted.c_str(), b) != nullptr &&
           std::string(a) == b;
  }
  std::string loaded = BaseName(loadedPath);
  if (Folded(loaded) == Folded(wanted)) return true;
  std::string loadedStem = Stem(loaded), wantedStem = Stem(wanted);
  if (loadedStem == wantedStem) return true;
  return loadedStem.rfind("lib", 0) == 0 && loadedStem.substr(3) == wantedStem;
}

int FindModule(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<ModuleSearch*>(data);
  if (search->wanted == nullptr) {
    search->base = LoadBase(info);
    return 1;  // the first object is the executable
  }
  std::string name = info->dlpi_name != nullptr ? info->dlpi_name : "";
  if (name.empty()) name = ExecutablePath();
  if (ModuleNameMatches(name, *search->wanted)) {
    search->base = LoadBase(info);
    return 1;
  }
  return 0;
}

uintptr_t ExecutableBase() {
  static const uintptr_t base = [] {
    ModuleSearch search;
    dl_iterate_phdr(FindModule, &search);
    return search.base;
  }();
  return base;
}

DWORD CopyOut(const std::wstring& text, LPWSTR buffer, DWORD size) {
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (text.size() < size) {
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
    return static_cast<DWORD>(text.size());
  }
  text.copy(buffer, size - 1);
  buffer[size - 1] = L'\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

std::wstring KnownFolder(const char* name) {
  std::string root = tessaly::win32::GetMachineRoot();
  if (root.empty()) return {};
  std::wstring folder = Utf8ToWide(root + "/" + name);
  if (tessaly::win32::CreateFolderTree(folder) != ERROR_SUCCESS) return {};
  return folder;
}

// ---- wildcards ----

wchar_t Upper(wchar_t ch) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch))); }

bool WildcardMatch(const std::wstring& name, const std::wstring& pattern) {
  size_t n = 0, p = 0, star = std::wstring::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || Upper(pattern[p]) == Upper(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

// ---- saving ----

class TempFileName {
 public:
  static std::string Next(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    size_t slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + "-" + std::to_string(random() % 1000000);
  }
};

// Temporaries of saves whose process was killed before its rename; those of processes that
// still run (this one included) may be in use and stay.
void RemoveStaleTemporaries(const std::string& target) {
  size_t slash = target.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  std::string prefix = "." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp-";
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.substr(0, prefix.size()) != prefix) continue;
    const std::string_view rest = name.substr(prefix.size());
    pid_t pid = 0;
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
    if (ec != std::errc() || pid <= 0 || end == rest.data() + rest.size() || *end != '-') continue;
    if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

LONG WriteAll(int fd, const BYTE* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Win32ErrorFromErrno(errno);
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return ERROR_SUCCESS;
}

void SyncFolderOf(const std::string& target) {
  size_t slash = target.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);  // best effort: makes the rename itself durable
    ::close(dir);
  }
}

}  // namespace

// ---- modules ----------------------------------------------------------------------

HMODULE GetModuleHandle(LPCWSTR moduleName) {
  if (moduleName == nullptr) return reinterpret_cast<HMODULE>(ExecutableBase());
  std::string wanted = NativePath(moduleName);
  ModuleSearch search;
  search.wanted = &wanted;
  dl_iterate_phdr(FindModule, &search);
  if (search.base == 0) SetLastError(kErrorModNotFound);
  return reinterpret_cast<HMODULE>(search.base);
}

BOOL GetModuleHandleEx(DWORD flags, LPCWSTR moduleName, HMODULE* module) {
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  if ((flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) != 0) {
    Dl_info info{};
    if (moduleName == nullptr || ::dladdr(reinterpret_cast<const void*>(moduleName), &info) == 0) {
      SetLastError(kErrorModNotFound);
      return FALSE;
    }
    *module = static_cast<HMODULE>(info.dli_fbase);
  } else {
    *module = GetModuleHandle(moduleName);
  }
  return *module != nullptr ? TRUE : FALSE;
}

DWORD GetModuleFileName(HMODULE module, LPWSTR fileName, DWORD size) {
  std::string path;
  if (module == nullptr || reinterpret_cast<uintptr_t>(module) == ExecutableBase()) {
    path = ExecutablePath();
  } else {
    Dl_info info{};
    if (::dladdr(module, &info) == 0 || info.dli_fname == nullptr) {
      SetLastError(kErrorModNotFound);
      return 0;
    }
    if (reinterpret_cast<uintptr_t>(info.dli_fbase) == ExecutableBase()) {
      path = ExecutablePath();
    } else {
      char real[PATH_MAX];
      path = ::realpath(info.dli_fname, real) != nullptr ? real : info.dli_fname;
    }
  }
  if (path.empty()) {
    SetLastError(kErrorModNotFound);
    return 0;
  }
  return CopyOut(Utf8ToWide(path), fileName, size);
}

// ---- known folders ----------------------------------------------------------------

HRESULT SHGetFolderPath(HWND, int folder, HANDLE, DWORD, LPWSTR path) {
  if (path == nullptr) return E_INVALIDARG;
  path[0] = L'\0';
  if ((folder & ~CSIDL_FLAG_CREATE) != CSIDL_COMMON_APPDATA) return E_INVALIDARG;
  std::wstring found = tessaly::win32::GetCommonAppDataFolder();
  if (found.empty()) return E_FAIL;
  if (found.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  found.copy(path, found.size());
  path[found.size()] = L'\0';
  return S_OK;
}

BOOL SHGetSpecialFolderPath(HWND owner, LPWSTR path, int folder, BOOL) {
  return SHGetFolderPath(owner, folder, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK ? TRUE : FALSE;
}

DWORD GetTempPath(DWORD bufferLength, LPWSTR buffer) {
  std::wstring folder = tessaly::win32::GetTempFolder();
  if (folder.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  folder += L'/';
  if (buffer == nullptr || folder.size() >= bufferLength) return static_cast<DWORD>(folder.size() + 1);
  folder.copy(buffer, folder.size());
  buffer[folder.size()] = L'\0';
  return static_cast<DWORD>(folder.size());
}

BOOL CreateDirectory(LPCWSTR path, LPVOID) {
  LONG error = path == nullptr ? ERROR_PATH_NOT_FOUND : tessaly::win32::CreateFolder(path);
  if (error != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(error));
    return FALSE;
  }
  return TRUE;
}

namespace tessaly::win32 {

std::wstring GetCommonAppDataFolder() { return KnownFolder("ProgramData"); }
std::wstring GetTempFolder() { return KnownFolder("Temp"); }

LONG CreateFolder(const CString& path) {
  std::string native = NativePath(path);
  if (native.empty()) return ERROR_PATH_NOT_FOUND;
  if (::mkdir(native.c_str(), 0777) == 0) return ERROR_SUCCESS;
  if (errno == ENOENT || errno == ENOTDIR) return ERROR_PATH_NOT_FOUND;
  return Win32ErrorFromErrno(errno);
}

LONG CreateFolderTree(const CString& path) {
  std::string native = NativePath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native.empty()) return ERROR_PATH_NOT_FOUND;
  for (size_t pos = 1; pos <= native.size(); ++pos) {
    if (pos != native.size() && native[pos] != '/') continue;
    if (native[pos - 1] == '/') continue;  // doubled separator
    std::string level = native.substr(0, pos);
    if (::mkdir(level.c_str(), 0777) == 0 || errno == EEXIST) continue;
    return errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno);
  }
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) return ERROR_PATH_NOT_FOUND;
  return S_ISDIR(st.st_mode) ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
}

bool IsFolder(const CString& path) {
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool AnyFileMatches(const CString& pattern) {
  std::wstring path = NormalizePath(pattern);
  if (path.empty()) return false;
  size_t slash = path.find_last_of(L'/');
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  if (name.find_first_of(L"*?") == std::wstring::npos) {
    struct stat st {};
    return ::lstat(WideToUtf8(path).c_str(), &st) == 0;
  }
  std::wstring folder = slash == std::wstring::npos ? L"." : (slash == 0 ? L"/" : path.substr(0, slash));
  if (name == L"*.*") name = L"*";
  DIR* dir = ::opendir(WideToUtf8(folder).c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (!found) {
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    found = WildcardMatch(Utf8ToWide(entryName), name);
  }
  ::closedir(dir);
  return found;
}

// ---- path helpers -------------------------------------------------------------------

std::vector<std::wstring> SplitPath(const CString& path) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (wchar_t ch : path.wstr()) {
    if (IsSeparator(ch)) {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part.push_back(ch);
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

std::wstring JoinPath(const CString& left, const CString& right) {
  std::wstring l = left.wstr(), r = right.wstr();
  if (l.empty()) return r;
  if (r.empty()) return l;
  size_t keep = l.size();
  while (keep > 0 && IsSeparator(l[keep - 1])) --keep;
  size_t skip = 0;
  while (skip < r.size() && IsSeparator(r[skip])) ++skip;
  return l.substr(0, keep) + L"/" + r.substr(skip);
}

std::wstring PathFileName(const CString& path) {
  const std::wstring& p = path.wstr();
  size_t sep = p.find_last_of(L"/\\");
  return sep == std::wstring::npos ? p : p.substr(sep + 1);
}

std::wstring PathExtension(const CString& path) {
  std::wstring name = PathFileName(path);
  size_t dot = name.find_last_of(L'.');
  if (dot == std::wstring::npos || dot == 0) return {};
  return name.substr(dot);
}

std::wstring PathFolder(const CString& path) {
  const std::wstring& p = path.wstr();
  size_t sep = p.find_last_of(L"/\\");
  if (sep == std::wstring::npos) return {};
  size_t end = sep;
  while (end > 0 && IsSeparator(p[end - 1])) --end;
  if (end == 0) return std::wstring(1, p[0]);
  return p.substr(0, end);
}

std::wstring NormalizePath(const CString& path) {
  std::wstring p = path.wstr();
  for (wchar_t& ch : p)
    if (ch == L'\\') ch = L'/';
  return p;
}

std::string NativePath(const CString& path) { return WideToUtf8(NormalizePath(path)); }

// ---- whole files ----------------------------------------------------------------------

LONG ReplaceFileSafely(const CString& path, const void* data, size_t size) {
  std::string target = NativePath(path);
  if (target.empty() || target.back() == '/') return ERROR_INVALID_NAME;
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  // Saving through a symbolic link replaces the file it names, not the link.
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char real[PATH_MAX];
    if (::realpath(target.c_str(), real) != nullptr) target = real;
  }
  bool existed = ::stat(target.c_str(), &st) == 0;
  if (existed && S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;

  RemoveStaleTemporaries(target);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TempFileName::Next(target);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno);

  LONG error = WriteAll(fd, static_cast<const BYTE*>(data), size);
  if (error == ERROR_SUCCESS && ::fsync(fd) != 0) error = Win32ErrorFromErrno(errno);
  if (error == ERROR_SUCCESS && existed) ::fchmod(fd, st.st_mode & 07777);  // best effort
  if (::close(fd) != 0 && error == ERROR_SUCCESS) error = Win32ErrorFromErrno(errno);
  if (error == ERROR_SUCCESS && ::rename(temp.c_str(), target.c_str()) != 0) error = Win32ErrorFromErrno(errno);
  if (error != ERROR_SUCCESS) {
    ::unlink(temp.c_str());
    return error;
  }
  SyncFolderOf(target);
  return ERROR_SUCCESS;
}

LONG ReplaceFileSafely(const CString& path, const std::vector<BYTE>& bytes) {
  return ReplaceFileSafely(path, bytes.data(), bytes.size());
}

LONG ReplaceFileSafely(const CString& path, const std::string& bytes) {
  return ReplaceFileSafely(path, bytes.data(), bytes.size());
}

LONG ReadWholeFile(const CString& path, std::vector<BYTE>& bytes) {
  bytes.clear();
  std::string native = NativePath(path);
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return ERROR_ACCESS_DENIED;
  }
  if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  BYTE chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      bytes.clear();
      return ERROR_READ_FAULT;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  ::close(fd);
  return ERROR_SUCCESS;
}

LONG Win32ErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
    case ETXTBSY: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case ENAMETOOLONG:
    case ELOOP: return ERROR_INVALID_NAME;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_WRITE_FAULT;
  }
}

}  // namespace tessaly::win32
