// CString: the MFC string shape on std::wstring.
//
// Positions and lengths are ints as in MFC; out-of-range arguments are clamped rather
// than asserted (GetAt outside the string gives L'\0', SetAt outside it does nothing).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/win32/Format.h"
#include "platform/win32/ThisModule.h"
#include "platform/win32/WinTypes.h"

class CString {
 public:
  CString() = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString(const wchar_t* s);               // NOLINT(google-explicit-constructor) null gives ""
  CString(const wchar_t* s, int len);      // at most len characters (stops at none)
  CString(const char* text);               // NOLINT narrow text, read by the ANSI rule
  CString(const std::wstring& s) : m_str(s) {}              // NOLINT
  CString(std::wstring&& s) noexcept : m_str(std::move(s)) {}  // NOLINT
  CString(std::nullptr_t) {}                                 // NOLINT
  explicit CString(wchar_t ch, int nRepeat = 1);
  ~CString() = default;

  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(const wchar_t* s);
  CString& operator=(const char* text);
  CString& operator=(const std::wstring& s);
  CString& operator=(wchar_t ch);

  // ---- access -----------------------------------------------------------------
  operator LPCTSTR() const { return m_str.c_str(); }  // NOLINT(google-explicit-constructor)
  LPCTSTR GetString() const { return m_str.c_str(); }
  const std::wstring& wstr() const { return m_str; }
  int GetLength() const { return static_cast<int>(m_str.size()); }
  bool IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }
  wchar_t GetAt(int i) const;
  void SetAt(int i, wchar_t ch);
  template <typename I>
    requires std::is_integral_v<I>
  wchar_t operator[](I i) const {
    return GetAt(static_cast<int>(i));
  }

  // ---- concatenation ------------------------------------------------------------
  CString& operator+=(const CString& s);
  CString& operator+=(const wchar_t* s);
  CString& operator+=(const char* text);
  CString& operator+=(const std::wstring& s);
  CString& operator+=(wchar_t ch);
  void Append(const wchar_t* s) { *this += s; }
  void Append(const wchar_t* s, int len);
  void AppendChar(wchar_t ch) { m_str.push_back(ch); }

  friend CString operator+(const CString& a, const CString& b);
  friend CString operator+(const CString& a, const wchar_t* b);
  friend CString operator+(const wchar_t* a, const CString& b);
  friend CString operator+(const CString& a, wchar_t b);
  friend CString operator+(wchar_t a, const CString& b);

  // ---- comparison ---------------------------------------------------------------
  int Compare(const wchar_t* s) const;        // ordinal, <0 / 0 / >0
  int CompareNoCase(const wchar_t* s) const;  // case folded (towlower)
  friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
  friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
  friend bool operator<(const CString& a, const CString& b) { return a.m_str < b.m_str; }
  friend bool operator<(const CString& a, const wchar_t* b) { return a.Compare(b) < 0; }
  friend bool operator<(const wchar_t* a, const CString& b) { return b.Compare(a) > 0; }
  friend bool operator>(const CString& a, const CString& b) { return b < a; }
  friend bool operator>(const CString& a, const wchar_t* b) { return a.Compare(b) > 0; }
  friend bool operator>(const wchar_t* a, const CString& b) { return b < a; }
  friend bool operator<=(const CString& a, const CString& b) { return !(b < a); }
  friend bool operator<=(const CString& a, const wchar_t* b) { return a.Compare(b) <= 0; }
  friend bool operator>=(const CString& a, const CString& b) { return !(a < b); }
  friend bool operator>=(const CString& a, const wchar_t* b) { return a.Compare(b) >= 0; }

  // ---- searching and extracting ---------------------------------------------------
  int Find(wchar_t ch, int start = 0) const;           // -1 when not found
  int Find(const wchar_t* sub, int start = 0) const;   // -1 when not found or sub empty
  int FindOneOf(const wchar_t* chars) const;
  int ReverseFind(wchar_t ch) const;
  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;
  CString SpanIncluding(const wchar_t* chars) const;
  CString SpanExcluding(const wchar_t* chars) const;
  // Next token after iStart, skipping empty ones; at the end gives "" and iStart = -1.
  CString Tokenize(const wchar_t* delims, int& iStart) const;

  // ---- editing ----------------------------------------------------------------------
  int Replace(wchar_t oldCh, wchar_t newCh);                  // count replaced
  int Replace(const wchar_t* oldText, const wchar_t* newText);  // count replaced
  int Remove(wchar_t ch);                                      // count removed
  int Insert(int index, wchar_t ch);                           // new length
  int Insert(int index, const wchar_t* s);                     // new length
  int Delete(int index, int count = 1);                        // new length
  CString& Trim();
  CString& Trim(wchar_t ch);
  CString& Trim(const wchar_t* chars);
  CString& TrimLeft();
  CString& TrimLeft(wchar_t ch);
  CString& TrimLeft(const wchar_t* chars);
  CString& TrimRight();
  CString& TrimRight(wchar_t ch);
  CString& TrimRight(const wchar_t* chars);
  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();

  // ---- formatting (see Format.h for the rules) ----------------------------------------
  template <typename... Args>
  void Format(const wchar_t* fmt, const Args&... args) {
    std::wstring out;
    FormatAppendTo(out, fmt, args...);
    m_str = std::move(out);  // args may refer to *this
  }
  // The format is string resource id; a missing resource gives "".
  template <typename... Args>
  void Format(UINT id, const Args&... args) {
    CString fmt;
    fmt.LoadString(id);
    Format(fmt.GetString(), args...);
  }
  template <typename... Args>
  void AppendFormat(const wchar_t* fmt, const Args&... args) {
    std::wstring out = m_str;
    FormatAppendTo(out, fmt, args...);
    m_str = std::move(out);
  }
  template <typename... Args>
  void AppendFormat(UINT id, const Args&... args) {
    CString fmt;
    fmt.LoadString(id);
    AppendFormat(fmt.GetString(), args...);
  }

  // String resource id of the calling module (else of the executable); unchanged and FALSE
  // when missing.
  TESSALY_MODULE_LOCAL BOOL LoadString(UINT id) { return LoadString(ThisModuleHandle(), id); }
  BOOL LoadString(HINSTANCE module, UINT id);

  // ---- direct buffer access for C-style fillers ----------------------------------------
  // The buffer holds at least minLen characters plus a terminator, until ReleaseBuffer.
  LPTSTR GetBuffer(int minLen = 0);
  LPTSTR GetBufferSetLength(int length);
  // newLen -1: the text ends at the first NUL written (or at the buffer's end).
  void ReleaseBuffer(int newLen = -1);

 private:
  std::wstring m_str;
};

inline bool operator==(const wchar_t* a, const CString& b) { return b == a; }

template <typename... Args>
CString FormatString(const wchar_t* fmt, const Args&... args) {
  return CString(FormatToWString(fmt, args...));
}

// UTF-8 text of a CString (what CT2A with CP_UTF8 gives).
std::string CStringToUtf8(const CString& s);

// Piece index of full split at sep (empty pieces count); FALSE past the last piece.
BOOL AfxExtractSubString(CString& out, const wchar_t* full, int index, wchar_t sep = L'\n');

template <>
struct std::hash<CString> {
  size_t operator()(const CString& s) const noexcept { return std::hash<std::wstring>()(s.wstr()); }
};
