#include "platform/win32/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/win32/TextConv.h"

namespace {

// Widths and precisions beyond this are cut: a hostile format must not ask for gigabytes.
constexpr int kMaxWidth = 1 << 16;

enum class Size { Default, Short, Long, LongLong, Int64, Int32 };

struct Spec {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = 0;
  int precision = -1;  // -1: none
  Size size = Size::Default;
  wchar_t conv = 0;
};

class Formatter {
 public:
  Formatter(std::wstring& out, const FormatArg* args, size_t count) : m_out(out), m_args(args), m_count(count) {}

  void Run(const wchar_t* fmt) {
    if (!fmt) return;
    const wchar_t* p = fmt;
    while (*p) {
      if (*p != L'%') {
        const wchar_t* q = p;
        while (*q && *q != L'%') ++q;
        m_out.append(p, static_cast<size_t>(q - p));
        p = q;
        continue;
      }
      const wchar_t* start = p++;
      if (*p == L'%') {
        m_out.push_back(L'%');
        ++p;
        continue;
      }
      Spec spec;
      p = ParseSpec(p, spec);
      if (!spec.conv) {  // the format ended inside the specifier
        m_out.append(start);
        return;
      }
      ++p;
      Emit(spec, start, p);
    }
  }

 private:
  const FormatArg* Next() { return m_next < m_count ? &m_args[m_next++] : nullptr; }

  int IntArg() {
    const FormatArg* a = Next();
    if (!a) return 0;
    switch (a->kind()) {
      case FormatArg::Kind::Signed:
        return static_cast<int>(std::clamp<int64_t>(a->asSigned(), -kMaxWidth, kMaxWidth));
      case FormatArg::Kind::Unsigned:
        return static_cast<int>(std::min<uint64_t>(a->asUnsigned(), kMaxWidth));
      case FormatArg::Kind::Double:
        return std::isfinite(a->asDouble()) ? static_cast<int>(std::clamp(a->asDouble(), -1.0 * kMaxWidth, 1.0 * kMaxWidth))
                                            : 0;
      default:
        return 0;
    }
  }

  const wchar_t* ParseSpec(const wchar_t* p, Spec& s) {
    for (;; ++p) {
      if (*p == L'-') s.left = true;
      else if (*p == L'+') s.plus = true;
      else if (*p == L' ') s.space = true;
      else if (*p == L'#') s.alt = true;
      else if (*p == L'0') s.zero = true;
      else break;
    }
    if (*p == L'*') {
      int w = IntArg();
      if (w < 0) {
        s.left = true;
        w = -w;
      }
      s.width = w;
      ++p;
    } else {
      while (*p >= L'0' && *p <= L'9') {
        s.width = std::min(s.width * 10 + (*p - L'0'), kMaxWidth);
        ++p;
      }
    }
    if (*p == L'.') {
      ++p;
      s.precision = 0;
      if (*p == L'*') {
        int pr = IntArg();
        s.precision = pr < 0 ? -1 : pr;
        ++p;
      } else {
        while (*p >= L'0' && *p <= L'9') {
          s.precision = std::min(s.precision * 10 + (*p - L'0'), kMaxWidth);
          ++p;
        }
      }
    }
    // Size prefixes.
    if (*p == L'h') {
      s.size = Size::Short;
      ++p;
      if (*p == L'h') ++p;  // hh: treated as h
    } else if (*p == L'l') {
      ++p;
      if (*p == L'l') {
        s.size = Size::LongLong;
        ++p;
      } else {
        s.size = Size::Long;
      }
    } else if (*p == L'w' || *p == L'L' || *p == L'z' || *p == L't' || *p == L'j') {
      s.size = (*p == L'w' || *p == L'L') ? Size::Default : Size::Int64;
      ++p;
    } else if (*p == L'I') {
      if (p[1] == L'6' && p[2] == L'4') {
        s.size = Size::Int64;
        p += 3;
      } else if (p[1] == L'3' && p[2] == L'2') {
        s.size = Size::Int32;
        p += 3;
      } else {
        s.size = Size::Int64;  // pointer-sized
        ++p;
      }
    }
    s.conv = *p;
    return p;
  }

  void Emit(const Spec& spec, const wchar_t* start, const wchar_t* end) {
    switch (spec.conv) {
      case L'd': case L'i': case L'u': case L'x': case L'X': case L'o':
        EmitInteger(spec);
        return;
      case L'f': case L'F': case L'e': case L'E': case L'g': case L'G': case L'a': case L'A':
        EmitDouble(spec);
        return;
      case L's': case L'S': case L'Z':
        EmitString(spec);
        return;
      case L'c': case L'C':
        EmitChar(spec);
        return;
      case L'p':
        EmitPointer(spec);
        return;
      case L'n':
        Next();  // consumed, never written through
        return;
      default:
        m_out.append(start, static_cast<size_t>(end - start));
        return;
    }
  }

  // ---- pieces ----------------------------------------------------------------------
  void Pad(std::wstring_view body, const Spec& spec, wchar_t fill = L' ') {
    size_t w = static_cast<size_t>(spec.width);
    if (body.size() >= w) {
      m_out.append(body);
      return;
    }
    if (spec.left) {
      m_out.append(body);
      m_out.append(w - body.size(), L' ');
    } else {
      m_out.append(w - body.size(), fill);
      m_out.append(body);
    }
  }

  static std::wstring Widen(const char* s, size_t n) {
    std::wstring w;
    w.reserve(n);
    for (size_t i = 0; i < n; ++i) w.push_back(static_cast<wchar_t>(static_cast<unsigned char>(s[i])));
    return w;
  }

  // Runs snprintf on a format we build ourselves from the parsed flags.
  template <typename T>
  std::wstring CFormat(const Spec& spec, const char* lengthMod, char conv, T value, bool usePrecision = true) {
    char fmt[32];
    size_t n = 0;
    fmt[n++] = '%';
    if (spec.left) fmt[n++] = '-';
    if (spec.plus) fmt[n++] = '+';
    if (spec.space) fmt[n++] = ' ';
    if (spec.alt) fmt[n++] = '#';
    if (spec.zero) fmt[n++] = '0';
    fmt[n++] = '*';
    if (usePrecision && spec.precision >= 0) {
      fmt[n++] = '.';
      fmt[n++] = '*';
    }
    for (const char* m = lengthMod; *m; ++m) fmt[n++] = *m;
    fmt[n++] = conv;
    fmt[n] = 0;
    std::string buf;
    int need;
    if (usePrecision && spec.precision >= 0) {
      need = std::snprintf(nullptr, 0, fmt, spec.width, spec.precision, value);
      if (need < 0) return {};
      buf.resize(static_cast<size_t>(need) + 1);
      std::snprintf(buf.data(), buf.size(), fmt, spec.width, spec.precision, value);
    } else {
      need = std::snprintf(nullptr, 0, fmt, spec.width, value);
      if (need < 0) return {};
      buf.resize(static_cast<size_t>(need) + 1);
      std::snprintf(buf.data(), buf.size(), fmt, spec.width, value);
    }
    return Widen(buf.data(), static_cast<size_t>(need));
  }

  void EmitSignedValue(const Spec& spec, int64_t v) {
    m_out += CFormat(spec, "ll", 'd', static_cast<long long>(v));
  }

  // Arguments of 32 bits or less are cut to the specifier's width, as the Windows runtime
  // does after promotion; 64-bit arguments keep all their bits.
  void EmitInteger(const Spec& spec) {
    const FormatArg* a = Next();
    if (!a) return;
    uint64_t raw = 0;
    unsigned argBytes = 8;
    switch (a->kind()) {
      case FormatArg::Kind::Signed:
        raw = static_cast<uint64_t>(a->asSigned());
        argBytes = a->bytes();
        break;
      case FormatArg::Kind::Unsigned:
        raw = a->asUnsigned();
        argBytes = a->bytes();
        break;
      case FormatArg::Kind::Double: {
        double d = a->asDouble();
        int64_t t = 0;
        if (std::isnan(d)) t = 0;
        else if (d >= 9223372036854775807.0) t = std::numeric_limits<int64_t>::max();
        else if (d <= -9223372036854775808.0) t = std::numeric_limits<int64_t>::min();
        else t = static_cast<int64_t>(d);
        raw = static_cast<uint64_t>(t);
        // Fits in 32 bits: behave as an int would.
        argBytes = (t >= std::numeric_limits<int32_t>::min() && t <= std::numeric_limits<int32_t>::max()) ? 4 : 8;
        break;
      }
      case FormatArg::Kind::Pointer:
        raw = reinterpret_cast<uintptr_t>(a->pointer());
        argBytes = 8;
        break;
      case FormatArg::Kind::WideStr:
      case FormatArg::Kind::NarrowStr:
        EmitStringArg(spec, *a);
        return;
    }
    int specBits = 32;
    if (spec.size == Size::Short) specBits = 16;
    if (spec.size == Size::LongLong || spec.size == Size::Int64) specBits = 64;
    int bits = (argBytes > 4 && specBits < 64) ? 64 : specBits;
    bool isSigned = spec.conv == L'd' || spec.conv == L'i';
    if (isSigned) {
      int64_t v;
      if (bits == 16) v = static_cast<int16_t>(raw);
      else if (bits == 32) v = static_cast<int32_t>(raw);
      else v = static_cast<int64_t>(raw);
      EmitSignedValue(spec, v);
      return;
    }
    uint64_t v = raw;
    if (bits == 16) v = static_cast<uint16_t>(raw);
    else if (bits == 32) v = static_cast<uint32_t>(raw);
    char conv = spec.conv == L'X' ? 'X' : spec.conv == L'x' ? 'x' : spec.conv == L'o' ? 'o' : 'u';
    m_out += CFormat(spec, "ll", conv, static_cast<unsigned long long>(v));
  }

  void EmitDoubleValue(const Spec& spec, double d) {
    char conv = static_cast<char>(spec.conv);
    m_out += CFormat(spec, "", conv, d);
  }

  void EmitDouble(const Spec& spec) {
    const FormatArg* a = Next();
    if (!a) return;
    switch (a->kind()) {
      case FormatArg::Kind::Double:
        EmitDoubleValue(spec, a->asDouble());
        return;
      case FormatArg::Kind::Signed:
        EmitDoubleValue(spec, static_cast<double>(a->asSigned()));
        return;
      case FormatArg::Kind::Unsigned:
        EmitDoubleValue(spec, static_cast<double>(a->asUnsigned()));
        return;
      case FormatArg::Kind::Pointer:
        EmitDoubleValue(spec, static_cast<double>(reinterpret_cast<uintptr_t>(a->pointer())));
        return;
      default:
        EmitStringArg(spec, *a);
        return;
    }
  }

  static std::wstring StringOf(const FormatArg& a) {
    if (a.kind() == FormatArg::Kind::WideStr) {
      if (!a.wide()) return L"(null)";
      return a.length() == FormatArg::npos ? std::wstring(a.wide()) : std::wstring(a.wide(), a.length());
    }
    if (!a.narrow()) return L"(null)";
    std::string_view v = a.length() == FormatArg::npos ? std::string_view(a.narrow())
                                                          : std::string_view(a.narrow(), a.length());
    return AnsiToWide(v);
  }

  void EmitStringArg(const Spec& spec, const FormatArg& a) {
    std::wstring s = StringOf(a);
    if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < s.size()) s.resize(static_cast<size_t>(spec.precision));
    Pad(s, spec, spec.zero && !spec.left ? L'0' : L' ');
  }

  void EmitString(const Spec& spec) {
    const FormatArg* a = Next();
    if (!a) return;
    Spec plain;  // a number shown for %s: decimal or %g, padded to the width
    plain.width = spec.width;
    plain.left = spec.left;
    switch (a->kind()) {
      case FormatArg::Kind::WideStr:
      case FormatArg::Kind::NarrowStr:
        EmitStringArg(spec, *a);
        return;
      case FormatArg::Kind::Signed:
        if (a->isChar()) break;
        m_out += CFormat(plain, "ll", 'd', static_cast<long long>(a->asSigned()));
        return;
      case FormatArg::Kind::Unsigned:
        if (a->isChar()) break;
        m_out += CFormat(plain, "ll", 'u', static_cast<unsigned long long>(a->asUnsigned()));
        return;
      case FormatArg::Kind::Double:
        m_out += CFormat(plain, "", 'g', a->asDouble());
        return;
      case FormatArg::Kind::Pointer:
        EmitPointerValue(plain, a->pointer());
        return;
    }
    EmitCharArg(spec, *a);
  }

  void EmitChar(const Spec& spec) {
    const FormatArg* a = Next();
    if (a) EmitCharArg(spec, *a);
  }

  void EmitCharArg(const Spec& spec, const FormatArg& arg) {
    const FormatArg* a = &arg;
    wchar_t ch = 0;
    switch (a->kind()) {
      case FormatArg::Kind::Signed:
      case FormatArg::Kind::Unsigned: {
        uint64_t v = a->kind() == FormatArg::Kind::Signed ? static_cast<uint64_t>(a->asSigned()) : a->asUnsigned();
        if (a->bytes() == 1) {
          char c = static_cast<char>(v & 0xFF);
          ch = Cp1252ToWide(std::string_view(&c, 1))[0];  // a narrow char is a Windows-1252 byte
        } else {
          ch = static_cast<wchar_t>(v & 0x1FFFFF);
          if (static_cast<uint32_t>(ch) > 0x10FFFF) ch = 0xFFFD;
        }
        break;
      }
      case FormatArg::Kind::Double: {
        double d = a->asDouble();
        ch = (std::isfinite(d) && d >= 0 && d <= 0x10FFFF) ? static_cast<wchar_t>(d) : 0xFFFD;
        break;
      }
      case FormatArg::Kind::Pointer:
        ch = 0xFFFD;
        break;
      default:
        EmitStringArg(spec, *a);
        return;
    }
    if (ch == 0) {  // a NUL cannot live in the text; nothing is written for it
      Pad(std::wstring_view(), spec);
      return;
    }
    Pad(std::wstring_view(&ch, 1), spec);
  }

  void EmitPointerValue(const Spec& spec, const void* p) {
    Spec s = spec;
    s.alt = s.plus = s.space = s.zero = false;
    s.precision = -1;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
    std::wstring w = Widen(buf, std::strlen(buf));
    Pad(w, s);
  }

  void EmitPointer(const Spec& spec) {
    const FormatArg* a = Next();
    if (!a) return;
    switch (a->kind()) {
      case FormatArg::Kind::Pointer:
        EmitPointerValue(spec, a->pointer());
        return;
      case FormatArg::Kind::Signed:
        EmitPointerValue(spec, reinterpret_cast<const void*>(static_cast<intptr_t>(a->asSigned())));
        return;
      case FormatArg::Kind::Unsigned:
        EmitPointerValue(spec, reinterpret_cast<const void*>(static_cast<uintptr_t>(a->asUnsigned())));
        return;
      case FormatArg::Kind::Double:
        EmitDoubleValue(spec, a->asDouble());  // cannot be an address; show the number
        return;
      case FormatArg::Kind::WideStr:
      case FormatArg::Kind::NarrowStr:
        EmitStringArg(spec, *a);
        return;
    }
  }

  std::wstring& m_out;
  const FormatArg* m_args;
  size_t m_count;
  size_t m_next = 0;
};

}  // namespace

void FormatAppendArgs(std::wstring& out, const wchar_t* fmt, const FormatArg* args, size_t count) {
  Formatter(out, args, count).Run(fmt);
}

std::wstring FormatArgs(const wchar_t* fmt, const FormatArg* args, size_t count) {
  std::wstring out;
  FormatAppendArgs(out, fmt, args, count);
  return out;
}
