#include "platform/win32/CString.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/win32/Resources.h"
#include "platform/win32/TextConv.h"

namespace {

std::wstring_view View(const wchar_t* s) { return s ? std::wstring_view(s) : std::wstring_view(); }

bool IsBlank(wchar_t ch) { return std::iswspace(static_cast<wint_t>(ch)) != 0; }

bool InSet(wchar_t ch, std::wstring_view set) { return set.find(ch) != std::wstring_view::npos; }

}  // namespace

CString::CString(const wchar_t* s) : m_str(View(s)) {}

CString::CString(const wchar_t* s, int len) {
  if (s && len > 0) m_str.assign(s, static_cast<size_t>(len));
}

CString::CString(const char* text) {
  if (text) m_str = AnsiToWide(text);
}

CString::CString(wchar_t ch, int nRepeat) {
  if (nRepeat > 0) m_str.assign(static_cast<size_t>(nRepeat), ch);
}

CString& CString::operator=(const wchar_t* s) {
  m_str = std::wstring(View(s));  // s may point into m_str
  return *this;
}

CString& CString::operator=(const char* text) {
  m_str = text ? AnsiToWide(text) : std::wstring();
  return *this;
}

CString& CString::operator=(const std::wstring& s) {
  m_str = s;
  return *this;
}

CString& CString::operator=(wchar_t ch) {
  m_str.assign(1, ch);
  return *this;
}

wchar_t CString::GetAt(int i) const {
  if (i < 0 || i >= GetLength()) return L'\0';
  return m_str[static_cast<size_t>(i)];
}

void CString::SetAt(int i, wchar_t ch) {
  if (i < 0 || i >= GetLength()) return;
  m_str[static_cast<size_t>(i)] = ch;
}

CString& CString::operator+=(const CString& s) {
  m_str += s.m_str;
  return *this;
}

CString& CString::operator+=(const wchar_t* s) {
  m_str += std::wstring(View(s));  // copy first: s may point into m_str
  return *this;
}

CString& CString::operator+=(const char* text) {
  if (text) m_str += AnsiToWide(text);
  return *this;
}

CString& CString::operator+=(const std::wstring& s) {
  m_str += s;
  return *this;
}

CString& CString::operator+=(wchar_t ch) {
  m_str.push_back(ch);
  return *this;
}

void CString::Append(const wchar_t* s, int len) {
  if (s && len > 0) m_str += std::wstring(s, static_cast<size_t>(len));
}

CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
CString operator+(const CString& a, const wchar_t* b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(const wchar_t* a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(const CString& a, wchar_t b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(wchar_t a, const CString& b) {
  CString r(a, 1);
  r += b;
  return r;
}

int CString::Compare(const wchar_t* s) const {
  int c = std::wstring_view(m_str).compare(View(s));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CString::CompareNoCase(const wchar_t* s) const {
  std::wstring_view a(m_str), b = View(s);
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    wint_t ca = std::towlower(static_cast<wint_t>(a[i]));
    wint_t cb = std::towlower(static_cast<wint_t>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CString::Find(wchar_t ch, int start) const {
  if (start < 0) start = 0;
  if (start >= GetLength()) return -1;
  size_t p = m_str.find(ch, static_cast<size_t>(start));
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const wchar_t* sub, int start) const {
  std::wstring_view v = View(sub);
  if (v.empty()) return -1;
  if (start < 0) start = 0;
  if (start > GetLength()) return -1;
  size_t p = m_str.find(v, static_cast<size_t>(start));
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const wchar_t* chars) const {
  std::wstring_view v = View(chars);
  if (v.empty()) return -1;
  size_t p = m_str.find_first_of(v);
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(wchar_t ch) const {
  size_t p = m_str.rfind(ch);
  return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

CString CString::Left(int count) const {
  if (count <= 0) return CString();
  return CString(m_str.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  int len = GetLength();
  if (first >= len) return CString();
  if (count > len - first) count = len - first;
  return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
  if (count <= 0) return CString();
  int len = GetLength();
  if (count >= len) return *this;
  return CString(m_str.substr(static_cast<size_t>(len - count)));
}

CString CString::SpanIncluding(const wchar_t* chars) const {
  size_t p = m_str.find_first_not_of(View(chars));
  return CString(m_str.substr(0, p));
}

CString CString::SpanExcluding(const wchar_t* chars) const {
  std::wstring_view set = View(chars);
  if (set.empty()) return *this;
  size_t p = m_str.find_first_of(set);
  return CString(m_str.substr(0, p));
}

CString CString::Tokenize(const wchar_t* delims, int& iStart) const {
  if (iStart < 0 || iStart > GetLength()) {
    iStart = -1;
    return CString();
  }
  std::wstring_view set = View(delims);
  if (set.empty()) {
    // Nothing separates: the rest is one token.
    if (iStart < GetLength()) {
      CString token(m_str.substr(static_cast<size_t>(iStart)));
      iStart = GetLength();
      return token;
    }
    iStart = -1;
    return CString();
  }
  size_t from = m_str.find_first_not_of(set, static_cast<size_t>(iStart));
  if (from == std::wstring::npos) {
    iStart = -1;
    return CString();
  }
  size_t to = m_str.find_first_of(set, from);
  if (to == std::wstring::npos) to = m_str.size();
  // Continue after the delimiter that ended the token, as MFC does.
  iStart = static_cast<int>(to == m_str.size() ? to : to + 1);
  return CString(m_str.substr(from, to - from));
}

int CString::Replace(wchar_t oldCh, wchar_t newCh) {
  int n = 0;
  for (auto& c : m_str) {
    if (c == oldCh) {
      c = newCh;
      ++n;
    }
  }
  return n;
}

int CString::Replace(const wchar_t* oldText, const wchar_t* newText) {
  std::wstring from(View(oldText)), to(View(newText));
  if (from.empty()) return 0;
  std::wstring out;
  int n = 0;
  size_t pos = 0;
  for (;;) {
    size_t hit = m_str.find(from, pos);
    if (hit == std::wstring::npos) break;
    out.append(m_str, pos, hit - pos);
    out += to;
    pos = hit + from.size();
    ++n;
  }
  if (n == 0) return 0;
  out.append(m_str, pos, std::wstring::npos);
  m_str = std::move(out);
  return n;
}

int CString::Remove(wchar_t ch) {
  size_t before = m_str.size();
  std::erase(m_str, ch);
  return static_cast<int>(before - m_str.size());
}

int CString::Insert(int index, wchar_t ch) {
  index = std::clamp(index, 0, GetLength());
  m_str.insert(static_cast<size_t>(index), 1, ch);
  return GetLength();
}

int CString::Insert(int index, const wchar_t* s) {
  index = std::clamp(index, 0, GetLength());
  m_str.insert(static_cast<size_t>(index), std::wstring(View(s)));
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0) index = 0;
  if (count > 0 && index < GetLength()) {
    m_str.erase(static_cast<size_t>(index), static_cast<size_t>(count));
  }
  return GetLength();
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(wchar_t ch) { return TrimRight(ch).TrimLeft(ch); }
CString& CString::Trim(const wchar_t* chars) { return TrimRight(chars).TrimLeft(chars); }

CString& CString::TrimLeft() {
  auto it = std::find_if(m_str.begin(), m_str.end(), [](wchar_t c) { return !IsBlank(c); });
  m_str.erase(m_str.begin(), it);
  return *this;
}
CString& CString::TrimLeft(wchar_t ch) {
  m_str.erase(0, m_str.find_first_not_of(ch));
  return *this;
}
CString& CString::TrimLeft(const wchar_t* chars) {
  std::wstring set(View(chars));
  if (!set.empty()) m_str.erase(0, m_str.find_first_not_of(set));
  return *this;
}

CString& CString::TrimRight() {
  while (!m_str.empty() && IsBlank(m_str.back())) m_str.pop_back();
  return *this;
}
CString& CString::TrimRight(wchar_t ch) {
  while (!m_str.empty() && m_str.back() == ch) m_str.pop_back();
  return *this;
}
CString& CString::TrimRight(const wchar_t* chars) {
  std::wstring set(View(chars));
  while (!m_str.empty() && !set.empty() && InSet(m_str.back(), set)) m_str.pop_back();
  return *this;
}

CString& CString::MakeUpper() {
  for (auto& c : m_str) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return *this;
}

CString& CString::MakeLower() {
  for (auto& c : m_str) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return *this;
}

CString& CString::MakeReverse() {
  std::reverse(m_str.begin(), m_str.end());
  return *this;
}

BOOL CString::LoadString(HINSTANCE module, UINT id) {
  auto text = FindStringResourceIn(module, id);
  if (!text) return FALSE;
  m_str = std::move(*text);
  return TRUE;
}

LPTSTR CString::GetBuffer(int minLen) {
  if (minLen > GetLength()) m_str.resize(static_cast<size_t>(minLen));
  return m_str.data();
}

LPTSTR CString::GetBufferSetLength(int length) {
  m_str.resize(static_cast<size_t>(std::max(length, 0)));
  return m_str.data();
}

void CString::ReleaseBuffer(int newLen) {
  if (newLen < 0) {
    m_str.resize(std::wcslen(m_str.c_str()));  // the string's own terminator bounds it
  } else if (static_cast<size_t>(newLen) < m_str.size()) {
    m_str.resize(static_cast<size_t>(newLen));
  }
}

std::string CStringToUtf8(const CString& s) { return WideToUtf8(s.wstr()); }

BOOL AfxExtractSubString(CString& out, const wchar_t* full, int index, wchar_t sep) {
  out.Empty();
  if (!full || index < 0) return FALSE;
  std::wstring_view v(full);
  size_t pos = 0;
  for (int i = 0; i < index; ++i) {
    size_t hit = v.find(sep, pos);
    if (hit == std::wstring_view::npos) return FALSE;
    pos = hit + 1;
  }
  size_t end = v.find(sep, pos);
  if (end == std::wstring_view::npos) end = v.size();
  out = CString(std::wstring(v.substr(pos, end - pos)));
  return TRUE;
}
