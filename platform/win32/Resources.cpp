#include "platform/win32/Resources.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <unordered_map>

#include "platform/win32/Files.h"
#include "platform/win32/TextConv.h"

#include "TessalyVersion.h"

namespace {

std::wstring Upper(const wchar_t* s) {
  std::wstring r = s ? s : L"";
  for (auto& c : r) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return r;
}

struct ModuleTables {
  std::unordered_map<UINT, std::wstring> strings;
  std::map<std::pair<UINT, std::wstring>, std::wstring> texts;  // (id, upper-case type)
};

struct Tables {
  std::mutex lock;
  std::map<HINSTANCE, ModuleTables> modules;           // by module handle
  std::map<std::string, ModuleVersionInfo> versions;  // canonical file path
  std::vector<StringResourceClash> clashes;
};

Tables& GetTables() {
  static Tables t;
  return t;
}

HINSTANCE Executable() {
  static const HINSTANCE exe = GetModuleHandle(nullptr);
  return exe;
}

HINSTANCE OrExecutable(HINSTANCE module) { return module ? module : Executable(); }

// The module's string or the executable's; called with the lock held.
const std::wstring* FindString(Tables& t, HINSTANCE module, UINT id, HINSTANCE* foundIn) {
  module = OrExecutable(module);
  for (HINSTANCE m : {module, Executable()}) {
    auto tables = t.modules.find(m);
    if (tables == t.modules.end()) continue;
    auto it = tables->second.strings.find(id);
    if (it == tables->second.strings.end()) continue;
    if (foundIn) *foundIn = m;
    return &it->second;
  }
  return nullptr;
}

std::string CanonicalPath(const wchar_t* fileName) {
  std::error_code ec;
  std::filesystem::path p(WideToUtf8(fileName));
  auto c = std::filesystem::weakly_canonical(p, ec);
  return ec ? p.lexically_normal().string() : c.string();
}

std::string ExecutablePath() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  auto c = std::filesystem::weakly_canonical(p, ec);
  return ec ? p.string() : c.string();
}

// ---- the version block: our own layout, read only by VerQueryValueW ----------------
constexpr char kMagic[4] = {'T', 'V', 'B', '1'};
constexpr size_t kFixedOffset = 8;
constexpr size_t kTranslationOffset = kFixedOffset + sizeof(VS_FIXEDFILEINFO);
constexpr size_t kTableChars = 9;  // "llllcccc" and NUL

void PutDword(std::vector<BYTE>& b, DWORD v) {
  const auto* p = reinterpret_cast<const BYTE*>(&v);
  b.insert(b.end(), p, p + sizeof v);
}

void PutText(std::vector<BYTE>& b, const std::wstring& s) {
  const auto* p = reinterpret_cast<const BYTE*>(s.c_str());
  b.insert(b.end(), p, p + (s.size() + 1) * sizeof(wchar_t));
}

DWORD GetDword(const BYTE* p) {
  DWORD v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::wstring TableName(WORD language, WORD codePage) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"%04x%04x", language, codePage);
  return buf;
}

std::vector<BYTE> BuildBlock(const ModuleVersionInfo& info) {
  std::vector<BYTE> b(kMagic, kMagic + 4);
  PutDword(b, 0);  // total size, set below
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  fixed.dwFileVersionMS = (DWORD(info.fileVersion[0]) << 16) | info.fileVersion[1];
  fixed.dwFileVersionLS = (DWORD(info.fileVersion[2]) << 16) | info.fileVersion[3];
  fixed.dwProductVersionMS = (DWORD(info.productVersion[0]) << 16) | info.productVersion[1];
  fixed.dwProductVersionLS = (DWORD(info.productVersion[2]) << 16) | info.productVersion[3];
  fixed.dwFileFlagsMask = 0x3F;
  fixed.dwFileOS = 0x00040004;  // NT, 32-bit Windows
  fixed.dwFileType = 1;         // application
  const auto* fp = reinterpret_cast<const BYTE*>(&fixed);
  b.insert(b.end(), fp, fp + sizeof fixed);
  PutDword(b, info.hasTranslation ? 1 : 0);
  if (info.hasTranslation) PutDword(b, DWORD(info.language) | (DWORD(info.codePage) << 16));
  PutDword(b, static_cast<DWORD>(info.strings.size()));
  PutText(b, TableName(info.language, info.codePage));
  for (const auto& [name, value] : info.strings) {
    PutDword(b, static_cast<DWORD>(name.size()));
    PutDword(b, static_cast<DWORD>(value.size()));
    PutText(b, name);
    PutText(b, value);
  }
  DWORD total = static_cast<DWORD>(b.size());
  std::memcpy(b.data() + 4, &total, sizeof total);
  return b;
}

bool FindBlock(LPCWSTR fileName, std::vector<BYTE>& block) {
  if (!fileName || !*fileName) return false;
  std::string path = CanonicalPath(fileName);
  {
    Tables& t = GetTables();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.versions.find(path);
    if (it != t.versions.end()) {
      block = BuildBlock(it->second);
      return true;
    }
  }
  static const std::string exe = ExecutablePath();
  if (!exe.empty() && path == exe) {
    block = BuildBlock(GetModuleVersionInfo());
    return true;
  }
  return false;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

std::vector<std::wstring_view> SplitPath(std::wstring_view path) {
  std::vector<std::wstring_view> parts;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find(L'\\', pos);
    if (next == std::wstring_view::npos) next = path.size();
    if (next > pos) parts.push_back(path.substr(pos, next - pos));
    pos = next + 1;
  }
  return parts;
}

// The build passes the text as a definition; some generators drop texts with
// parentheses, which leaves it empty, so the product's notice stands in then.
std::wstring LegalCopyright() {
  return AnsiToWide(TESSALY_LEGAL_COPYRIGHT);
}

}  // namespace

void RegisterStringResourcesIn(HINSTANCE module, const StringResource* entries, size_t count) {
  if (!entries) return;
  Tables& t = GetTables();
  std::lock_guard<std::mutex> g(t.lock);
  const HINSTANCE owner = OrExecutable(module);
  ModuleTables& m = t.modules[owner];
  for (size_t i = 0; i < count; ++i) {
    std::wstring text = entries[i].text ? entries[i].text : L"";
    auto [it, added] = m.strings.try_emplace(entries[i].id, text);
    if (added || it->second == text) continue;
    t.clashes.push_back({owner, entries[i].id, it->second, text});
    it->second = std::move(text);
  }
}

std::vector<StringResourceClash> GetStringResourceClashes() {
  Tables& t = GetTables();
  std::lock_guard<std::mutex> g(t.lock);
  return t.clashes;
}

std::optional<std::wstring> FindStringResourceIn(HINSTANCE module, UINT id) {
  Tables& t = GetTables();
  std::lock_guard<std::mutex> g(t.lock);
  const std::wstring* text = FindString(t, module, id, nullptr);
  if (!text) return std::nullopt;
  return *text;
}

HINSTANCE FindStringResourceModule(HINSTANCE module, UINT id) {
  Tables& t = GetTables();
  std::lock_guard<std::mutex> g(t.lock);
  HINSTANCE found = nullptr;
  return FindString(t, module, id, &found) ? found : nullptr;
}

int AfxLoadStringIn(HINSTANCE module, UINT id, LPTSTR buf, UINT maxBuf) {
  if (!buf || maxBuf == 0) return 0;
  auto text = FindStringResourceIn(module, id);
  if (!text) {
    buf[0] = 0;
    return 0;
  }
  size_t n = std::min<size_t>(text->size(), maxBuf - 1);
  std::wmemcpy(buf, text->data(), n);
  buf[n] = 0;
  return static_cast<int>(n);
}

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buf, int maxBuf) {
  if (maxBuf <= 0) return 0;
  return AfxLoadStringIn(module, id, buf, static_cast<UINT>(maxBuf));
}

void RegisterTextResourceIn(HINSTANCE module, UINT id, const wchar_t* type, const wchar_t* text) {
  Tables& t = GetTables();
  std::lock_guard<std::mutex> g(t.lock);
  t.modules[OrExecutable(module)].texts[{id, Upper(type)}] = text ? text : L"";
}

std::optional<std::wstring> FindTextResourceIn(HINSTANCE module, UINT id, const wchar_t* type) {
  Tables& t = GetTables();
  std::lock_guard<std::mutex> g(t.lock);
  const std::pair<UINT, std::wstring> key{id, Upper(type)};
  for (HINSTANCE m : {OrExecutable(module), Executable()}) {
    auto tables = t.modules.find(m);
    if (tables == t.modules.end()) continue;
    auto it = tables->second.texts.find(key);
    if (it != tables->second.texts.end()) return it->second;
  }
  return std::nullopt;
}

ModuleVersionInfo GetModuleVersionInfo() {
  ModuleVersionInfo info;
  const WORD v[4] = {static_cast<WORD>(TESSALY_VERSION_MAJOR + 0), static_cast<WORD>(TESSALY_VERSION_MINOR + 0),
                     static_cast<WORD>(TESSALY_VERSION_PATCH + 0), static_cast<WORD>(TESSALY_VERSION_TWEAK + 0)};
  std::wstring text;
  for (int i = 0; i < 4; ++i) {
    info.fileVersion[i] = info.productVersion[i] = v[i];
    if (i) text += L", ";
    text += std::to_wstring(v[i]);
  }
  info.strings = {{L"FileVersion", text},
                  {L"ProductVersion", text},
                  {L"LegalCopyright", LegalCopyright()}};
  return info;
}

void RegisterModuleVersion(const wchar_t* fileName, const ModuleVersionInfo* info) {
  if (!fileName || !*fileName) return;
  std::string path = CanonicalPath(fileName);
  Tables& t = GetTables();
  std::lock_guard<std::mutex> g(t.lock);
  if (info) t.versions[path] = *info;
  else t.versions.erase(path);
}

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
  if (handle) *handle = 0;
  std::vector<BYTE> block;
  if (!FindBlock(fileName, block)) return 0;
  return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD len, LPVOID data) {
  (void)handle;
  std::vector<BYTE> block;
  if (!data || !FindBlock(fileName, block)) return FALSE;
  // A short buffer fails rather than holding a cut block that queries would overrun.
  if (len < block.size()) return FALSE;
  std::memcpy(data, block.data(), block.size());
  return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* len) {
  if (buffer) *buffer = nullptr;
  if (len) *len = 0;
  if (!block || !subBlock || !buffer) return FALSE;
  const auto* b = static_cast<const BYTE*>(block);
  if (std::memcmp(b, kMagic, 4) != 0) return FALSE;
  const DWORD total = GetDword(b + 4);
  auto parts = SplitPath(subBlock);
  if (parts.empty()) {
    *buffer = const_cast<BYTE*>(b + kFixedOffset);
    if (len) *len = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
  }
  const DWORD translations = GetDword(b + kTranslationOffset);
  size_t pos = kTranslationOffset + 4;
  const BYTE* translation = b + pos;
  pos += translations * 4;
  if (parts.size() == 2 && EqualNoCase(parts[0], L"VarFileInfo") && EqualNoCase(parts[1], L"Translation")) {
    if (translations == 0) return FALSE;
    *buffer = const_cast<BYTE*>(translation);
    if (len) *len = translations * 4;
    return TRUE;
  }
  if (parts.size() != 3 || !EqualNoCase(parts[0], L"StringFileInfo")) return FALSE;
  const DWORD count = GetDword(b + pos);
  pos += 4;
  const auto* table = reinterpret_cast<const wchar_t*>(b + pos);
  pos += kTableChars * sizeof(wchar_t);
  if (!EqualNoCase(parts[1], std::wstring_view(table))) return FALSE;
  for (DWORD i = 0; i < count && pos + 8 <= total; ++i) {
    const DWORD nameLen = GetDword(b + pos);
    const DWORD valueLen = GetDword(b + pos + 4);
    pos += 8;
    const auto* name = reinterpret_cast<const wchar_t*>(b + pos);
    pos += (nameLen + 1) * sizeof(wchar_t);
    const auto* value = reinterpret_cast<const wchar_t*>(b + pos);
    pos += (valueLen + 1) * sizeof(wchar_t);
    if (pos > total) return FALSE;
    if (EqualNoCase(parts[2], std::wstring_view(name, nameLen))) {
      *buffer = const_cast<wchar_t*>(value);
      if (len) *len = valueLen + 1;
      return TRUE;
    }
  }
  return FALSE;
}
