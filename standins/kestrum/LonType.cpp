#include "standins/kestrum/LonType.h"

#include <charconv>

#include "platform/com/Variant.h"

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <cwctype>

namespace kestrum::sim {

namespace {

LonField Num(std::wstring member, size_t offset, size_t size, bool isSigned, double scale, VARTYPE vt, double low,
             double high, int decimals) {
  return LonField{std::move(member), offset, size, isSigned, scale, vt, low, high, decimals, FieldKind::Number};
}

std::vector<CLonType> BuildTable() {
  std::vector<CLonType> t;
  t.emplace_back(L"SNVT_temp_p", 105, 2, std::vector<LonField>{Num(L"", 0, 2, true, 0.01, VT_R8, -273.17, 327.66, 2)},
                 VT_R8);
  t.emplace_back(L"SNVT_lev_percent", 81, 2,
                 std::vector<LonField>{Num(L"", 0, 2, true, 0.005, VT_R8, -163.84, 163.83, 3)}, VT_R8);
  t.emplace_back(L"SNVT_switch", 95, 2,
                 std::vector<LonField>{Num(L"value", 0, 1, false, 0.5, VT_R8, 0, 100, 1),
                                       Num(L"state", 1, 1, true, 1, VT_I2, -1, 1, 0)},
                 VT_BSTR);
  t.emplace_back(L"SNVT_count", 8, 2, std::vector<LonField>{Num(L"", 0, 2, false, 1, VT_I4, 0, 65535, 0)}, VT_I4);
  t.emplace_back(L"SNVT_time_sec", 107, 2, std::vector<LonField>{Num(L"", 0, 2, false, 0.1, VT_R8, 0, 6553.4, 1)},
                 VT_R8);
  t.emplace_back(L"SNVT_str_asc", 36, 31,
                 std::vector<LonField>{LonField{L"", 0, 31, false, 1, VT_BSTR, 0, 0, 0, FieldKind::Text}}, VT_BSTR);
  t.emplace_back(L"SNVT_time_stamp", 84, 7,
                 std::vector<LonField>{Num(L"year", 0, 2, false, 1, VT_I4, 0, 3000, 0),
                                       Num(L"month", 2, 1, false, 1, VT_I4, 0, 12, 0),
                                       Num(L"day", 3, 1, false, 1, VT_I4, 0, 31, 0),
                                       Num(L"hour", 4, 1, false, 1, VT_I4, 0, 23, 0),
                                       Num(L"minute", 5, 1, false, 1, VT_I4, 0, 59, 0),
                                       Num(L"second", 6, 1, false, 1, VT_I4, 0, 59, 0)},
                 VT_BSTR);
  return t;
}

bool ToDouble(const VARIANT& value, double* out) {
  CComVariant d;
  if (FAILED(VariantChangeType(&d, &value, 0, VT_R8))) return false;
  *out = d.dblVal;
  return true;
}

}  // namespace

CLonType::CLonType(std::wstring name, short index, size_t size, std::vector<LonField> fields, VARTYPE wholeCanonical)
    : m_name(std::move(name)), m_index(index), m_size(size), m_fields(std::move(fields)), m_wholeCanonical(wholeCanonical) {}

const std::vector<CLonType>& CLonType::Table() {
  static const std::vector<CLonType> table = BuildTable();
  return table;
}

const CLonType* CLonType::Find(const std::wstring& name) {
  for (const CLonType& t : Table())
    if (t.m_name == name) return &t;
  return nullptr;
}

const LonField* CLonType::FieldOf(short field) const {
  if (!IsField(field)) return nullptr;
  if (field == -1) return m_fields.size() == 1 ? &m_fields[0] : nullptr;
  return &m_fields[static_cast<size_t>(field)];
}

std::wstring CLonType::MemberName(short field) const {
  const LonField* f = field >= 0 ? FieldOf(field) : nullptr;
  return f ? f->member : std::wstring();
}

VARTYPE CLonType::CanonicalType(short field) const {
  if (field == -1) return m_wholeCanonical;
  const LonField* f = FieldOf(field);
  return f ? f->canonical : static_cast<VARTYPE>(VT_EMPTY);
}

bool CLonType::Range(short field, double* low, double* high) const {
  const LonField* f = FieldOf(field);
  if (!f || f->kind != FieldKind::Number) return false;
  *low = f->low;
  *high = f->high;
  return true;
}

double CLonType::FieldNumber(const std::vector<BYTE>& bytes, const LonField& f) const {
  uint64_t raw = 0;
  for (size_t i = 0; i < f.size; ++i) raw = (raw << 8) | (f.offset + i < bytes.size() ? bytes[f.offset + i] : 0);
  int64_t value = static_cast<int64_t>(raw);
  if (f.isSigned && f.size < 8 && (raw & (uint64_t{1} << (f.size * 8 - 1)))) value -= int64_t{1} << (f.size * 8);
  double v = static_cast<double>(value) * f.scale;
  // Keep the decimals the encoding has, so 21.5 does not read back as 21.500000000000004.
  double factor = std::pow(10.0, f.decimals);
  return std::round(v * factor) / factor;
}

HRESULT CLonType::PutNumber(std::vector<BYTE>& bytes, const LonField& f, double value) const {
  if (!std::isfinite(value)) return DISP_E_OVERFLOW;
  // Round to the encoding's step first, then test the range on the stored value.
  double raw = std::nearbyint(value / f.scale);
  double stored = raw * f.scale;
  double eps = f.scale / 2;
  if (stored < f.low - eps || stored > f.high + eps) return DISP_E_OVERFLOW;
  auto r = static_cast<int64_t>(raw);
  auto u = static_cast<uint64_t>(r);
  for (size_t i = 0; i < f.size; ++i) bytes[f.offset + f.size - 1 - i] = static_cast<BYTE>(u >> (8 * i));
  return S_OK;
}

std::wstring CLonType::FieldText(const std::vector<BYTE>& bytes, const LonField& f) const {
  if (f.kind == FieldKind::Text) {
    std::wstring s;
    for (size_t i = 0; i < f.size && f.offset + i < bytes.size(); ++i) {
      BYTE b = bytes[f.offset + i];
      if (b == 0) break;
      s += static_cast<wchar_t>(b);
    }
    return s;
  }
  // As "%.*f" gives it, without the cost of a wide printf on every read.
  char buf[512];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, FieldNumber(bytes, f), std::chars_format::fixed, f.decimals);
  if (ec != std::errc()) return std::wstring();
  return std::wstring(buf, end);
}

CComVariant CLonType::Decode(const std::vector<BYTE>& bytes, short field) const {
  if (field == -1 && m_fields.size() > 1) return CComVariant(Text(bytes, -1).c_str());
  const LonField* f = FieldOf(field);
  if (!f) return CComVariant();
  if (f->kind == FieldKind::Text) return CComVariant(FieldText(bytes, *f).c_str());
  CComVariant d(FieldNumber(bytes, *f));
  CComVariant out;
  if (FAILED(VariantChangeType(&out, &d, 0, f->canonical))) return d;
  return out;
}

std::wstring CLonType::Text(const std::vector<BYTE>& bytes, short field) const {
  if (field == -1 && m_fields.size() > 1) {
    if (m_name == L"SNVT_time_stamp") {
      wchar_t buf[64];
      std::swprintf(buf, 64, L"%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(FieldNumber(bytes, m_fields[0])),
                    static_cast<int>(FieldNumber(bytes, m_fields[1])), static_cast<int>(FieldNumber(bytes, m_fields[2])),
                    static_cast<int>(FieldNumber(bytes, m_fields[3])), static_cast<int>(FieldNumber(bytes, m_fields[4])),
                    static_cast<int>(FieldNumber(bytes, m_fields[5])));
      return buf;
    }
    std::wstring s;
    for (const LonField& f : m_fields) {
      if (!s.empty()) s += L' ';
      s += FieldText(bytes, f);
    }
    return s;
  }
  const LonField* f = FieldOf(field);
  return f ? FieldText(bytes, *f) : std::wstring();
}

HRESULT CLonType::Encode(std::vector<BYTE>& bytes, short field, const VARIANT& value) const {
  if (bytes.size() != m_size) bytes.resize(m_size, 0);
  if (field == -1 && m_fields.size() > 1) {
    CComVariant text;
    if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
    return ParseWhole(bytes, tessaly::BstrToString(text.bstrVal));
  }
  const LonField* f = FieldOf(field);
  if (!f) return DISP_E_BADINDEX;
  std::vector<BYTE> copy = bytes;
  if (f->kind == FieldKind::Text) {
    CComVariant text;
    if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
    std::wstring s = tessaly::BstrToString(text.bstrVal);
    if (s.size() >= f->size) return DISP_E_OVERFLOW;  // one byte stays for the terminating NUL
    for (size_t i = 0; i < f->size; ++i) {
      wchar_t c = i < s.size() ? s[i] : 0;
      if (c > 0x7F) return DISP_E_TYPEMISMATCH;  // ASCII only
      copy[f->offset + i] = static_cast<BYTE>(c);
    }
  } else {
    double d;
    if (!ToDouble(value, &d)) return DISP_E_TYPEMISMATCH;
    HRESULT hr = PutNumber(copy, *f, d);
    if (FAILED(hr)) return hr;
  }
  bytes.swap(copy);
  return S_OK;
}

HRESULT CLonType::Parse(std::vector<BYTE>& bytes, short field, const std::wstring& text) const {
  CComVariant v(text.c_str());
  return Encode(bytes, field, v);
}

HRESULT CLonType::ParseWhole(std::vector<BYTE>& bytes, const std::wstring& text) const {
  // The numbers of a structure's text in member order, whatever separates them.
  std::vector<std::wstring> parts;
  std::wstring cur;
  bool timeStamp = m_name == L"SNVT_time_stamp";
  for (wchar_t c : text) {
    bool sep = std::iswspace(c) || (timeStamp && (c == L'-' || c == L':' || c == L'T'));
    if (sep) {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  if (parts.size() != m_fields.size()) return DISP_E_TYPEMISMATCH;
  std::vector<BYTE> copy = bytes;
  for (size_t i = 0; i < m_fields.size(); ++i) {
    HRESULT hr = Parse(copy, static_cast<short>(i), parts[i]);
    if (FAILED(hr)) return hr;
  }
  bytes.swap(copy);
  return S_OK;
}

double CLonType::Number(const std::vector<BYTE>& bytes) const {
  return IsNumeric() ? FieldNumber(bytes, m_fields[0]) : 0.0;
}

void CLonType::SetNumber(std::vector<BYTE>& bytes, double value) const {
  if (!IsNumeric()) return;
  if (bytes.size() != m_size) bytes.resize(m_size, 0);
  const LonField& f = m_fields[0];
  PutNumber(bytes, f, std::min(std::max(value, f.low), f.high));
}

}  // namespace kestrum::sim
