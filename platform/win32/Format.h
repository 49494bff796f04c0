// Type-safe printf with the Windows wide rules.
//
// %s and %S both print whatever string is passed (wide or narrow), so the Windows
// distinction (%s wide, %S narrow) can never be got wrong. Every argument carries its
// type, so a mismatch prints something sensible instead of reading garbage:
//   - a number for %s/%S prints the number (integers in decimal, doubles as %g), a
//     character (char, wchar_t) prints the character;
//   - a string for a numeric or %c specifier prints the string;
//   - a double for an integer specifier is truncated toward zero (saturating);
//   - an integer for %f/%e/%g is converted to double;
//   - a specifier without an argument prints nothing; extra arguments are ignored;
//   - %n never writes anything; an unknown conversion is copied as it stands.
// Integer widths follow the specifier (%d is 32-bit, %hd 16-bit, %I64d/%lld 64-bit)
// for arguments of 32 bits or less, as the Windows runtime does after promotion; a
// 64-bit argument is never cut down, so a size_t given to %d prints its full value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/win32/WinTypes.h"

class FormatArg {
 public:
  enum class Kind : uint8_t { Signed, Unsigned, Double, WideStr, NarrowStr, Pointer };

  // Integers (bool and enums included) keep their signedness and width.
  template <typename T>
    requires(std::is_integral_v<T> || std::is_enum_v<T>)
  FormatArg(T v) {  // NOLINT(google-explicit-constructor)
    using U = std::conditional_t<std::is_enum_v<T>, std::underlying_type<T>, std::type_identity<T>>;
    using I = typename U::type;
    m_bytes = static_cast<uint8_t>(sizeof(I));
    m_isChar = std::is_same_v<I, char> || std::is_same_v<I, wchar_t> || std::is_same_v<I, char8_t> ||
               std::is_same_v<I, char16_t> || std::is_same_v<I, char32_t>;
    if constexpr (std::is_same_v<I, bool>) {
      m_kind = Kind::Unsigned;
      m_u = v ? 1u : 0u;
    } else if constexpr (std::is_signed_v<I>) {
      m_kind = Kind::Signed;
      m_i = static_cast<int64_t>(static_cast<I>(v));
    } else {
      m_kind = Kind::Unsigned;
      m_u = static_cast<uint64_t>(static_cast<I>(v));
    }
  }
  FormatArg(float v) : m_kind(Kind::Double), m_d(v) {}         // NOLINT
  FormatArg(double v) : m_kind(Kind::Double), m_d(v) {}        // NOLINT
  FormatArg(long double v) : m_kind(Kind::Double), m_d(static_cast<double>(v)) {}  // NOLINT
  FormatArg(const wchar_t* s) : m_kind(Kind::WideStr), m_ws(s), m_len(npos) {}  // NOLINT
  FormatArg(wchar_t* s) : FormatArg(static_cast<const wchar_t*>(s)) {}          // NOLINT
  FormatArg(const char* s) : m_kind(Kind::NarrowStr), m_ns(s), m_len(npos) {}   // NOLINT
  FormatArg(char* s) : FormatArg(static_cast<const char*>(s)) {}                // NOLINT
  FormatArg(std::wstring_view s) : m_kind(Kind::WideStr), m_ws(s.data()), m_len(s.size()) {}  // NOLINT
  FormatArg(const std::wstring& s) : FormatArg(std::wstring_view(s)) {}  // NOLINT
  FormatArg(std::string_view s) : m_kind(Kind::NarrowStr), m_ns(s.data()), m_len(s.size()) {}  // NOLINT
  FormatArg(const std::string& s) : FormatArg(std::string_view(s)) {}  // NOLINT
  FormatArg(std::nullptr_t) : m_kind(Kind::Pointer), m_p(nullptr) {}  // NOLINT
  // Any other pointer prints as an address.
  template <typename T>
  FormatArg(T* p) : m_kind(Kind::Pointer), m_p(static_cast<const void*>(p)) {}  // NOLINT
  // String classes (CString and its kind): anything with GetString() and GetLength().
  template <typename S>
    requires requires(const S& s) {
      { s.GetString() } -> std::convertible_to<const wchar_t*>;
      { s.GetLength() } -> std::convertible_to<int>;
    }
  FormatArg(const S& s)  // NOLINT
      : m_kind(Kind::WideStr), m_ws(s.GetString()), m_len(static_cast<size_t>(s.GetLength())) {}

  Kind kind() const { return m_kind; }
  unsigned bytes() const { return m_bytes; }  // width of an integer argument
  bool isChar() const { return m_isChar; }     // a character type (printed as such by %s)
  int64_t asSigned() const { return m_i; }
  uint64_t asUnsigned() const { return m_u; }
  double asDouble() const { return m_d; }
  const wchar_t* wide() const { return m_ws; }
  const char* narrow() const { return m_ns; }
  const void* pointer() const { return m_p; }
  // Length of a string argument, or npos when NUL-terminated.
  size_t length() const { return m_len; }

  static constexpr size_t npos = static_cast<size_t>(-1);

 private:
  Kind m_kind = Kind::Signed;
  uint8_t m_bytes = 0;
  bool m_isChar = false;
  union {
    int64_t m_i = 0;
    uint64_t m_u;
    double m_d;
    const wchar_t* m_ws;
    const char* m_ns;
    const void* m_p;
  };
  size_t m_len = 0;
};

// The one non-template core: appends the formatted text to out.
void FormatAppendArgs(std::wstring& out, const wchar_t* fmt, const FormatArg* args, size_t count);
std::wstring FormatArgs(const wchar_t* fmt, const FormatArg* args, size_t count);

template <typename... Args>
void FormatAppendTo(std::wstring& out, const wchar_t* fmt, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    FormatAppendArgs(out, fmt, nullptr, 0);
  } else {
    const FormatArg packed[] = {FormatArg(args)...};
    FormatAppendArgs(out, fmt, packed, sizeof...(Args));
  }
}

template <typename... Args>
std::wstring FormatToWString(const wchar_t* fmt, const Args&... args) {
  std::wstring out;
  FormatAppendTo(out, fmt, args...);
  return out;
}
