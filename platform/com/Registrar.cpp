#include "platform/com/Registrar.h"

#include "platform/com/ComErrors.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Resources.h"

#include <algorithm>
#include <cwctype>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

// ---- the script as a tree -------------------------------------------------------------------

struct ScriptValue {
  std::wstring name;  // empty: the key's default value
  DWORD type = REG_SZ;
  std::vector<BYTE> data;  // as RegSetValueEx takes it
};

enum class KeyFlag { Plain, NoRemove, ForceRemove, Delete };

struct ScriptKey {
  std::wstring name;
  KeyFlag flag = KeyFlag::Plain;
  std::optional<ScriptValue> defaultValue;
  std::vector<ScriptValue> values;
  std::vector<ScriptKey> children;
};

struct ScriptHive {
  HKEY root = nullptr;
  std::vector<ScriptKey> keys;
};

struct ScriptError {
  std::wstring text;
};

// ---- tokens ----------------------------------------------------------------------------------

enum class TokenKind { Word, Quoted, Equals, Open, Close, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::wstring text;
  int line = 1;
};

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  size_t n = std::wcslen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

class Lexer {
 public:
  explicit Lexer(const std::wstring& text) : m_text(text) {}

  std::vector<Token> Run() {
    std::vector<Token> tokens;
    while (true) {
      SkipSpace();
      if (m_pos >= m_text.size()) break;
      wchar_t c = m_text[m_pos];
      Token t;
      t.line = m_line;
      if (c == L'=') {
        t.kind = TokenKind::Equals;
        ++m_pos;
      } else if (c == L'\'') {
        t.kind = TokenKind::Quoted;
        t.text = ReadQuoted();
      } else {
        std::wstring word = ReadWord();
        if (word.find_first_not_of(L"{}") == std::wstring::npos) {
          for (wchar_t b : word) tokens.push_back({b == L'{' ? TokenKind::Open : TokenKind::Close, {}, m_line});
          continue;
        }
        bool braced = word.front() == L'{' && word.back() == L'}' &&
                      word.find_first_of(L"{}", 1) == word.size() - 1;
        if (word.find_first_of(L"{}") != std::wstring::npos && !braced)
          throw ScriptError{L"line " + std::to_wstring(m_line) + L": braces must stand apart: " + word};
        t.kind = TokenKind::Word;
        t.text = word;
      }
      tokens.push_back(std::move(t));
    }
    tokens.push_back({TokenKind::End, {}, m_line});
    return tokens;
  }

 private:
  void SkipSpace() {
    while (m_pos < m_text.size() && std::iswspace(static_cast<wint_t>(m_text[m_pos]))) {
      if (m_text[m_pos] == L'\n') ++m_line;
      ++m_pos;
    }
  }
  std::wstring ReadQuoted() {
    int startLine = m_line;
    ++m_pos;  // opening quote
    std::wstring out;
    while (true) {
      if (m_pos >= m_text.size())
        throw ScriptError{L"line " + std::to_wstring(startLine) + L": text in quotes is not closed"};
      wchar_t c = m_text[m_pos++];
      if (c == L'\'') {
        if (m_pos < m_text.size() && m_text[m_pos] == L'\'') {
          out += L'\'';  // '' is a quote inside the text
          ++m_pos;
          continue;
        }
        return out;
      }
      if (c == L'\n') ++m_line;
      out += c;
    }
  }
  std::wstring ReadWord() {
    size_t start = m_pos;
    while (m_pos < m_text.size()) {
      wchar_t c = m_text[m_pos];
      if (std::iswspace(static_cast<wint_t>(c)) || c == L'=' || c == L'\'') break;
      ++m_pos;
    }
    return m_text.substr(start, m_pos - start);
  }

  const std::wstring& m_text;
  size_t m_pos = 0;
  int m_line = 1;
};

// ---- parser ------------------------------------------------------------------------------------

template <class Lookup>
class Parser {
 public:
  Parser(std::vector<Token> tokens, Lookup replace) : m_tokens(std::move(tokens)), m_replace(replace) {}

  std::vector<ScriptHive> Run() {
    std::vector<ScriptHive> hives;
    while (Peek().kind != TokenKind::End) {
      const Token& t = Next();
      ScriptHive hive;
      hive.root = t.kind == TokenKind::Word ? HiveByName(t.text) : nullptr;
      if (!hive.root) Fail(t, L"a hive (HKCR, HKCU, HKLM) was expected, not '" + t.text + L"'");
      Expect(TokenKind::Open, L"'{' after the hive");
      while (Peek().kind != TokenKind::Close) {
        if (Peek().kind == TokenKind::End) Fail(Peek(), L"'}' is missing");
        hive.keys.push_back(ParseKey());
      }
      Next();
      hives.push_back(std::move(hive));
    }
    return hives;
  }

 private:
  static HKEY HiveByName(const std::wstring& name) {
    if (EqualsNoCase(name, L"HKCR") || EqualsNoCase(name, L"HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
    if (EqualsNoCase(name, L"HKCU") || EqualsNoCase(name, L"HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
    if (EqualsNoCase(name, L"HKLM") || EqualsNoCase(name, L"HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
    return nullptr;
  }

  ScriptKey ParseKey() {
    ScriptKey key;
    bool flagged = false;
    while (Peek().kind == TokenKind::Word) {
      KeyFlag flag;
      if (EqualsNoCase(Peek().text, L"NoRemove")) flag = KeyFlag::NoRemove;
      else if (EqualsNoCase(Peek().text, L"ForceRemove")) flag = KeyFlag::ForceRemove;
      else if (EqualsNoCase(Peek().text, L"Delete")) flag = KeyFlag::Delete;
      else break;
      if (flagged && key.flag != flag) Fail(Peek(), L"a key takes one of NoRemove, ForceRemove and Delete");
      key.flag = flag;
      flagged = true;
      Next();
    }
    const Token& nameToken = Next();
    if (nameToken.kind == TokenKind::Word && EqualsNoCase(nameToken.text, L"val"))
      Fail(nameToken, L"'val' names a value, not a key; a key called so needs quotes");
    key.name = Name(nameToken, L"a key name");
    if (Peek().kind == TokenKind::Equals) {
      Next();
      key.defaultValue = ParseValue(std::wstring());
    }
    if (Peek().kind == TokenKind::Open) {
      Next();
      while (Peek().kind != TokenKind::Close) {
        if (Peek().kind == TokenKind::End) Fail(Peek(), L"'}' is missing");
        if (Peek().kind == TokenKind::Word && EqualsNoCase(Peek().text, L"val")) {
          Next();
          std::wstring name = Name(Next(), L"a value name");
          Expect(TokenKind::Equals, L"'=' after the value name");
          key.values.push_back(ParseValue(name));
        } else {
          key.children.push_back(ParseKey());
        }
      }
      Next();
    }
    if (key.flag == KeyFlag::Delete && (key.defaultValue || !key.values.empty() || !key.children.empty()))
      Fail(nameToken, L"a Delete key takes no values and no subkeys");
    return key;
  }

  ScriptValue ParseValue(const std::wstring& name) {
    ScriptValue v;
    v.name = name;
    const Token& typeToken = Next();
    if (typeToken.kind != TokenKind::Word) Fail(typeToken, L"a value type (s, d, b) was expected");
    const Token& valueToken = Next();
    if (valueToken.kind != TokenKind::Word && valueToken.kind != TokenKind::Quoted)
      Fail(valueToken, L"a value was expected");
    std::wstring text = Replace(valueToken);
    if (EqualsNoCase(typeToken.text, L"s")) {
      v.type = REG_SZ;
      const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
      v.data.assign(p, p + (text.size() + 1) * sizeof(wchar_t));
    } else if (EqualsNoCase(typeToken.text, L"d")) {
      v.type = REG_DWORD;
      DWORD d = ParseDword(valueToken, text);
      const BYTE* p = reinterpret_cast<const BYTE*>(&d);
      v.data.assign(p, p + sizeof d);
    } else if (EqualsNoCase(typeToken.text, L"b")) {
      v.type = REG_BINARY;
      if (text.size() % 2 != 0) Fail(valueToken, L"binary text needs two hex digits per byte");
      for (size_t i = 0; i < text.size(); i += 2) {
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) Fail(valueToken, L"binary text holds a character that is not hex: " + text);
        v.data.push_back(static_cast<BYTE>(hi * 16 + lo));
      }
    } else {
      Fail(typeToken, L"unknown value type '" + typeToken.text + L"' (s, d or b)");
    }
    return v;
  }

  static int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
  }

  DWORD ParseDword(const Token& t, const std::wstring& text) {
    unsigned long long v = 0;
    size_t i = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
      base = 16;
      i = 2;
    }
    if (i >= text.size()) Fail(t, L"a number was expected");
    for (; i < text.size(); ++i) {
      int d = HexDigit(text[i]);
      if (d < 0 || d >= base) Fail(t, L"not a number: " + text);
      v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
      if (v > 0xFFFFFFFFull) Fail(t, L"number out of range: " + text);
    }
    return static_cast<DWORD>(v);
  }

  std::wstring Name(const Token& t, const wchar_t* what) {
    if (t.kind != TokenKind::Word && t.kind != TokenKind::Quoted) Fail(t, std::wstring(what) + L" was expected");
    std::wstring name = Replace(t);
    if (name.empty()) Fail(t, std::wstring(what) + L" is empty");
    // A backslash would reach keys the script does not name.
    if (name.find(L'\\') != std::wstring::npos) Fail(t, std::wstring(what) + L" holds a backslash: " + name);
    return name;
  }

  std::wstring Replace(const Token& t) {
    std::wstring out;
    const std::wstring& s = t.text;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] != L'%') {
        out += s[i];
        continue;
      }
      size_t end = s.find(L'%', i + 1);
      if (end == std::wstring::npos) Fail(t, L"'%' without its closing '%': " + s);
      std::wstring name = s.substr(i + 1, end - i - 1);
      if (name.empty()) {
        out += L'%';
      } else {
        const std::wstring* item = m_replace(name);
        if (!item) Fail(t, L"unknown replacement %" + name + L"%");
        out += *item;
      }
      i = end;
    }
    return out;
  }

  const Token& Peek() const { return m_tokens[m_pos]; }
  const Token& Next() {
    const Token& t = m_tokens[m_pos];
    if (t.kind != TokenKind::End) ++m_pos;
    return t;
  }
  void Expect(TokenKind kind, const wchar_t* what) {
    const Token& t = Next();
    if (t.kind != kind) Fail(t, std::wstring(what) + L" was expected");
  }
  [[noreturn]] void Fail(const Token& t, const std::wstring& text) {
    throw ScriptError{L"line " + std::to_wstring(t.line) + L": " + text};
  }

  std::vector<Token> m_tokens;
  size_t m_pos = 0;
  Lookup m_replace;
};

// ---- applying the tree ---------------------------------------------------------------------------

// Every change goes through here, so that a failure half-way can be undone.
class Editor {
 public:
  ~Editor() {
    for (HKEY k : m_opened) RegCloseKey(k);
  }

  // Undoes every change made so far, newest first.
  void Rollback() {
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it) (*it)();
    m_undo.clear();
  }

  LONG Create(HKEY parent, const std::wstring& name, HKEY* out) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (rc != ERROR_SUCCESS) return rc;
    m_opened.push_back(key);
    if (disposition == REG_CREATED_NEW_KEY) {
      m_undo.push_back([parent, name] { RegDeleteTreeW(parent, name.c_str()); });
    }
    *out = key;
    return ERROR_SUCCESS;
  }

  // ERROR_FILE_NOT_FOUND when missing.
  LONG Open(HKEY parent, const std::wstring& name, HKEY* out) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS) return rc;
    m_opened.push_back(key);
    *out = key;
    return ERROR_SUCCESS;
  }

  LONG SetValue(HKEY key, const ScriptValue& v) {
    auto old = ReadValue(key, v.name);
    LONG rc = RegSetValueExW(key, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type, v.data.data(),
                             static_cast<DWORD>(v.data.size()));
    if (rc != ERROR_SUCCESS) return rc;
    RememberValue(key, v.name, std::move(old));
    return ERROR_SUCCESS;
  }

  LONG DeleteValue(HKEY key, const std::wstring& name) {
    auto old = ReadValue(key, name);
    if (!old) return ERROR_SUCCESS;
    LONG rc = RegDeleteValueW(key, name.empty() ? nullptr : name.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    RememberValue(key, name, std::move(old));
    return ERROR_SUCCESS;
  }

  // Removes parent\name with all it holds; nothing to do when it is missing.
  LONG DeleteTree(HKEY parent, const std::wstring& name) {
    auto saved = std::make_shared<SavedKey>();
    LONG rc = Save(parent, name, *saved);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegDeleteTreeW(parent, name.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    m_undo.push_back([parent, saved] { Restore(parent, *saved); });
    return ERROR_SUCCESS;
  }

  // True when the key holds neither subkeys nor values.
  static bool IsEmpty(HKEY key) {
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    return subkeys == 0 && values == 0;
  }

 private:
  struct SavedValue {
    DWORD type = 0;
    std::vector<BYTE> data;
  };
  struct SavedKey {
    std::wstring name;
    std::vector<std::pair<std::wstring, SavedValue>> values;
    std::vector<SavedKey> children;
  };

  static std::optional<SavedValue> ReadValue(HKEY key, const std::wstring& name) {
    DWORD type = 0, size = 0;
    LPCWSTR n = name.empty() ? nullptr : name.c_str();
    if (RegQueryValueExW(key, n, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    SavedValue v;
    v.type = type;
    v.data.resize(size);
    if (RegQueryValueExW(key, n, nullptr, &type, v.data.empty() ? nullptr : v.data.data(), &size) != ERROR_SUCCESS)
      return std::nullopt;
    v.data.resize(size);
    return v;
  }

  void RememberValue(HKEY key, const std::wstring& name, std::optional<SavedValue> old) {
    m_undo.push_back([key, name, old] {
      LPCWSTR n = name.empty() ? nullptr : name.c_str();
      if (old)
        RegSetValueExW(key, n, 0, old->type, old->data.data(), static_cast<DWORD>(old->data.size()));
      else
        RegDeleteValueW(key, n);
    });
  }

  static LONG Save(HKEY parent, const std::wstring& name, SavedKey& out) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) return rc;
    out.name = name;
    DWORD subkeys = 0, maxSubkeyLen = 0, values = 0, maxValueNameLen = 0;
    rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkeyLen, nullptr, &values,
                          &maxValueNameLen, nullptr, nullptr, nullptr);
    std::vector<wchar_t> buffer(std::max(maxSubkeyLen, maxValueNameLen) + 1);
    for (DWORD i = 0; rc == ERROR_SUCCESS && i < values; ++i) {
      DWORD len = static_cast<DWORD>(buffer.size());
      rc = RegEnumValueW(key, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS) break;
      std::wstring valueName(buffer.data(), len);
      std::optional<SavedValue> v = ReadValue(key, valueName);
      if (!v) rc = ERROR_CANTREAD;
      else out.values.emplace_back(valueName, std::move(*v));
    }
    for (DWORD i = 0; rc == ERROR_SUCCESS && i < subkeys; ++i) {
      DWORD len = static_cast<DWORD>(buffer.size());
      rc = RegEnumKeyExW(key, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS) break;
      SavedKey child;
      rc = Save(key, std::wstring(buffer.data(), len), child);
      out.children.push_back(std::move(child));
    }
    RegCloseKey(key);
    // A key that cannot be saved whole is not deleted: it could not be put back.
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_CANTREAD : rc;
  }

  static void Restore(HKEY parent, const SavedKey& saved) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, saved.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    for (const auto& [name, v] : saved.values)
      RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, v.type, v.data.data(),
                     static_cast<DWORD>(v.data.size()));
    for (const auto& child : saved.children) Restore(key, child);
    RegCloseKey(key);
  }

  std::vector<HKEY> m_opened;
  std::vector<std::function<void()>> m_undo;
};

constexpr LONG kResourceNameNotFound = 1814;

std::wstring KeyError(const std::wstring& name, LONG rc) {
  return L"registry error " + std::to_wstring(rc) + L" at key '" + name + L"'";
}

struct Failure {
  HRESULT hr;
  std::wstring text;
};

void RegisterKey(Editor& ed, HKEY parent, const ScriptKey& k) {
  LONG rc = ERROR_SUCCESS;
  if (k.flag == KeyFlag::Delete || k.flag == KeyFlag::ForceRemove) {
    rc = ed.DeleteTree(parent, k.name);
    if (rc != ERROR_SUCCESS) throw Failure{HRESULT_FROM_WIN32(rc), KeyError(k.name, rc)};
    if (k.flag == KeyFlag::Delete) return;
  }
  HKEY key = nullptr;
  rc = ed.Create(parent, k.name, &key);
  if (rc != ERROR_SUCCESS) throw Failure{HRESULT_FROM_WIN32(rc), KeyError(k.name, rc)};
  if (k.defaultValue && (rc = ed.SetValue(key, *k.defaultValue)) != ERROR_SUCCESS)
    throw Failure{HRESULT_FROM_WIN32(rc), KeyError(k.name, rc)};
  for (const auto& v : k.values) {
    if ((rc = ed.SetValue(key, v)) != ERROR_SUCCESS) throw Failure{HRESULT_FROM_WIN32(rc), KeyError(k.name, rc)};
  }
  for (const auto& child : k.children) RegisterKey(ed, key, child);
}

void UnregisterKey(Editor& ed, HKEY parent, const ScriptKey& k) {
  if (k.flag == KeyFlag::Delete) return;
  LONG rc = ERROR_SUCCESS;
  if (k.flag == KeyFlag::ForceRemove) {
    if ((rc = ed.DeleteTree(parent, k.name)) != ERROR_SUCCESS) throw Failure{HRESULT_FROM_WIN32(rc), KeyError(k.name, rc)};
    return;
  }
  HKEY key = nullptr;
  rc = ed.Open(parent, k.name, &key);
  if (rc == ERROR_FILE_NOT_FOUND) return;  // nothing of ours left here
  if (rc != ERROR_SUCCESS) throw Failure{HRESULT_FROM_WIN32(rc), KeyError(k.name, rc)};
  for (const auto& child : k.children) UnregisterKey(ed, key, child);
  if (k.flag == KeyFlag::NoRemove) return;
  for (const auto& v : k.values) {
    if ((rc = ed.DeleteValue(key, v.name)) != ERROR_SUCCESS) throw Failure{HRESULT_FROM_WIN32(rc), KeyError(k.name, rc)};
  }
  if (k.defaultValue && (rc = ed.DeleteValue(key, std::wstring())) != ERROR_SUCCESS)
    throw Failure{HRESULT_FROM_WIN32(rc), KeyError(k.name, rc)};
  // What others put below the key keeps it.
  if (Editor::IsEmpty(key) && (rc = ed.DeleteTree(parent, k.name)) != ERROR_SUCCESS)
    throw Failure{HRESULT_FROM_WIN32(rc), KeyError(k.name, rc)};
}

}  // namespace

bool CRegistrar::NoCaseLess::operator()(const std::wstring& a, const std::wstring& b) const {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    wint_t x = std::towlower(static_cast<wint_t>(a[i])), y = std::towlower(static_cast<wint_t>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

HRESULT CRegistrar::AddReplacement(LPCOLESTR key, LPCOLESTR item) {
  if (!key || !item) return E_INVALIDARG;
  if (!*key) return E_INVALIDARG;
  try {
    m_replacements[key] = item;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CRegistrar::ClearReplacements() {
  m_replacements.clear();
  return S_OK;
}

HRESULT CRegistrar::StringRegister(LPCOLESTR script) { return Run(script, true); }
HRESULT CRegistrar::StringUnregister(LPCOLESTR script) { return Run(script, false); }

HRESULT CRegistrar::ResourceRegister(HINSTANCE module, UINT nID) {
  std::optional<std::wstring> text = FindTextResourceIn(module, nID, L"REGISTRY");
  if (!text) {
    m_error = L"no REGISTRY resource " + std::to_wstring(nID);
    return HRESULT_FROM_WIN32(kResourceNameNotFound);
  }
  return Run(text->c_str(), true);
}

HRESULT CRegistrar::ResourceUnregister(HINSTANCE module, UINT nID) {
  std::optional<std::wstring> text = FindTextResourceIn(module, nID, L"REGISTRY");
  if (!text) {
    m_error = L"no REGISTRY resource " + std::to_wstring(nID);
    return HRESULT_FROM_WIN32(kResourceNameNotFound);
  }
  return Run(text->c_str(), false);
}

HRESULT CRegistrar::Run(LPCOLESTR script, bool bRegister) {
  m_error.clear();
  if (!script) {
    m_error = L"no script";
    return E_INVALIDARG;
  }
  try {
    std::wstring text(script);
    auto replace = [this](const std::wstring& name) -> const std::wstring* {
      auto it = m_replacements.find(name);
      return it == m_replacements.end() ? nullptr : &it->second;
    };
    std::vector<ScriptHive> hives;
    try {
      hives = Parser<decltype(replace)>(Lexer(text).Run(), replace).Run();
    } catch (const ScriptError& e) {
      m_error = e.text;
      return DISP_E_EXCEPTION;
    }
    Editor ed;
    try {
      for (const auto& hive : hives) {
        for (const auto& key : hive.keys) {
          if (bRegister) RegisterKey(ed, hive.root, key);
          else UnregisterKey(ed, hive.root, key);
        }
      }
    } catch (const Failure& f) {
      ed.Rollback();
      m_error = f.text;
      return f.hr;
    } catch (...) {
      ed.Rollback();
      throw;
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    m_error = L"out of memory";
    return E_OUTOFMEMORY;
  } catch (...) {
    m_error = L"unexpected failure";
    return E_FAIL;
  }
}
