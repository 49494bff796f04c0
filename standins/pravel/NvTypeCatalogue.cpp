#include "standins/pravel/NvTypeCatalogue.h"

#include "platform/com/Bstr.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"

#include <cmath>
#include <cwchar>
#include <cwctype>
#include <limits>

namespace {

NvFieldDef Number(std::wstring name, std::wstring typeName, int offset, int length, NvCoding coding, double scale,
                  double bias, int decimals, double min, double max, VARTYPE canonical, bool temperature = false) {
  NvFieldDef f;
  f.name = std::move(name);
  f.typeName = std::move(typeName);
  f.offset = offset;
  f.length = length;
  f.coding = coding;
  f.scale = scale;
  f.bias = bias;
  f.decimals = decimals;
  f.min = min;
  f.max = max;
  f.canonical = canonical;
  f.temperature = temperature;
  return f;
}

NvFieldDef Text(int length) {
  NvFieldDef f;
  f.typeName = L"char";
  f.length = length;
  f.coding = NvCoding::Ascii;
  f.canonical = VT_BSTR;
  return f;
}

NvTypeDef Scalar(short index, std::wstring name, NvFieldDef value) {
  NvTypeDef t;
  t.index = index;
  t.name = std::move(name);
  t.fields.push_back(std::move(value));
  return t;
}

NvTypeDef Struct(short index, std::wstring name, std::vector<NvFieldDef> fields) {
  NvTypeDef t;
  t.index = index;
  t.name = std::move(name);
  t.structured = true;
  t.fields = std::move(fields);
  return t;
}

constexpr NvCoding U = NvCoding::Unsigned;
constexpr NvCoding S = NvCoding::Signed;

NvTypeDef TempP(short index, std::wstring name) {
  return Scalar(index, std::move(name), Number(L"", L"", 0, 2, S, 0.01, 0, 2, -273.17, 327.66, VT_R4, true));
}

// ---- byte arrays in VARIANTs ------------------------------------------------------------------
SAFEARRAY* ByteArrayOf(const VARIANT& v) {
  const VARIANT* p = &v;
  if (p->vt == (VT_BYREF | VT_VARIANT)) {
    if (!p->pvarVal) return nullptr;
    p = p->pvarVal;
  }
  SAFEARRAY* sa = nullptr;
  if (p->vt == (VT_ARRAY | VT_UI1)) sa = p->parray;
  else if (p->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && p->pparray) sa = *p->pparray;
  if (!sa || SafeArrayGetDim(sa) != 1 || SafeArrayGetElemsize(sa) != 1) return nullptr;
  return sa;
}

LONG ElementCount(SAFEARRAY* sa) {
  LONG lo = 0, hi = -1;
  if (FAILED(SafeArrayGetLBound(sa, 1, &lo)) || FAILED(SafeArrayGetUBound(sa, 1, &hi))) return 0;
  return hi < lo ? 0 : hi - lo + 1;
}

// The first min(len, array size) bytes; false for no array or a negative length.
bool ReadBytes(const VARIANT& data, short len, std::vector<BYTE>& out) {
  SAFEARRAY* sa = ByteArrayOf(data);
  if (!sa || len < 0) return false;
  LONG n = ElementCount(sa);
  if (len < n) n = len;
  void* raw = nullptr;
  if (FAILED(SafeArrayAccessData(sa, &raw))) return false;
  out.assign(static_cast<BYTE*>(raw), static_cast<BYTE*>(raw) + n);
  SafeArrayUnaccessData(sa);
  return true;
}

bool WriteBytes(const VARIANT& data, const std::vector<BYTE>& bytes) {
  SAFEARRAY* sa = ByteArrayOf(data);
  if (!sa || ElementCount(sa) < static_cast<LONG>(bytes.size())) return false;
  void* raw = nullptr;
  if (FAILED(SafeArrayAccessData(sa, &raw))) return false;
  std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(raw));
  SafeArrayUnaccessData(sa);
  return true;
}

std::wstring Trim(const std::wstring& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::iswspace(s[b])) ++b;
  while (e > b && std::iswspace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::vector<std::wstring> SplitBlanks(const std::wstring& s) {
  std::vector<std::wstring> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && std::iswspace(s[i])) ++i;
    size_t start = i;
    while (i < s.size() && !std::iswspace(s[i])) ++i;
    if (i > start) out.push_back(s.substr(start, i - start));
  }
  return out;
}

double RawMin(const NvFieldDef& f) {
  return f.coding == NvCoding::Signed ? -std::ldexp(1.0, 8 * f.length - 1) : 0.0;
}
double RawMax(const NvFieldDef& f) {
  return f.coding == NvCoding::Signed ? std::ldexp(1.0, 8 * f.length - 1) - 1 : std::ldexp(1.0, 8 * f.length) - 1;
}

bool IsNumeric(const NvFieldDef& f) { return f.coding == NvCoding::Unsigned || f.coding == NvCoding::Signed; }

}  // namespace

int NvTypeDef::Length() const {
  int length = 0;
  for (const NvFieldDef& f : fields) length = std::max(length, f.offset + f.length);
  return length;
}

namespace nvtypes {

const std::vector<NvTypeDef>& StandardNvTypes() {
  static const std::vector<NvTypeDef> types = {
      Scalar(8, L"SNVT_count", Number(L"", L"", 0, 2, U, 1, 0, 0, 0, 65535, VT_UI2)),
      Scalar(36, L"SNVT_str_asc", Text(31)),
      Scalar(39, L"SNVT_temp", Number(L"", L"", 0, 2, U, 0.1, -274, 1, -274, 6279.5, VT_R4, true)),
      Scalar(81, L"SNVT_lev_percent", Number(L"", L"", 0, 2, S, 0.005, 0, 3, -163.84, 163.835, VT_R4)),
      Scalar(83, L"SNVT_state", Number(L"", L"", 0, 2, U, 1, 0, 0, 0, 65535, VT_UI2)),
      Struct(95, L"SNVT_switch",
             {Number(L"value", L"SNVT_lev_cont", 0, 1, U, 0.5, 0, 1, 0, 100, VT_R4),
              Number(L"state", L"signed char", 1, 1, S, 1, 0, 0, -1, 1, VT_I2)}),
      TempP(105, L"SNVT_temp_p"),
  };
  return types;
}

const std::vector<NvTypeDef>& StandardCpTypes() {
  static const std::vector<NvTypeDef> types = {
      Scalar(17, L"SCPT_location", Text(6)),
      Scalar(49, L"SCPT_maxSendTime", Number(L"", L"", 0, 2, U, 0.1, 0, 1, 0, 6553.5, VT_R4)),
      Scalar(52, L"SCPT_minSendTime", Number(L"", L"", 0, 2, U, 0.1, 0, 1, 0, 6553.5, VT_R4)),
  };
  return types;
}

const std::vector<UserType>& UserTypes() {
  // Numbered 1, 3 and 4 at selector 0: a device's list may have gaps.
  static const std::vector<UserType> types = {
      {kDemoPid, 0, true, Scalar(1, L"UNVT_mode", Number(L"", L"", 0, 1, U, 1, 0, 0, 0, 3, VT_UI1))},
      {kDemoPid, 0, true,
       Struct(3, L"UNVT_setpoints",
              {Number(L"comfort", L"SNVT_temp_p", 0, 2, S, 0.01, 0, 2, -273.17, 327.66, VT_R4, true),
               Number(L"eco", L"SNVT_temp_p", 2, 2, S, 0.01, 0, 2, -273.17, 327.66, VT_R4, true)})},
      {kDemoPid, 0, true, Scalar(4, L"UNVT_counter32", Number(L"", L"", 0, 4, U, 1, 0, 0, 0, 4294967295.0, VT_UI4))},
      {kDemoPid, 0, false, Scalar(2, L"UCPT_delay", Number(L"", L"", 0, 2, U, 1, 0, 0, 0, 60000, VT_UI2))},
      {kDemoPid, 1, true, Scalar(1, L"UNVT_mode_v2", Number(L"", L"", 0, 2, U, 1, 0, 0, 0, 7, VT_UI2))},
  };
  return types;
}

const NvTypeDef& RawType() {
  static const NvTypeDef raw = [] {
    NvFieldDef f;
    f.typeName = L"byte";
    f.coding = NvCoding::Raw;
    f.canonical = VT_ARRAY | VT_UI1;
    return Scalar(0, L"RAW_DATA", f);
  }();
  return raw;
}

const NvTypeDef* FindByIndex(const std::vector<NvTypeDef>& list, short index) {
  for (const NvTypeDef& t : list)
    if (t.index == index) return &t;
  return nullptr;
}

const NvTypeDef* FindByName(const std::vector<NvTypeDef>& list, const std::wstring& name) {
  for (const NvTypeDef& t : list)
    if (t.name == name) return &t;
  return nullptr;
}

}  // namespace nvtypes

// ---- CNvTypeCodec --------------------------------------------------------------------------------

const NvFieldDef* CNvTypeCodec::Field(short sub) const {
  if (sub == -1) return m_def.structured ? nullptr : &m_def.fields.front();
  if (!m_def.structured || sub < 0 || sub >= static_cast<short>(m_def.fields.size())) return nullptr;
  return &m_def.fields[static_cast<size_t>(sub)];
}

short CNvTypeCodec::SubFieldCount() const {
  return m_def.structured ? static_cast<short>(m_def.fields.size()) : 0;
}

std::wstring CNvTypeCodec::TypeName(short sub) const {
  if (sub == -1) return m_def.name;
  const NvFieldDef* f = Field(sub);
  return f ? f->typeName : std::wstring();
}

short CNvTypeCodec::Canonical(short sub) const {
  if (sub == -1 && m_def.structured) return VT_BSTR;
  const NvFieldDef* f = Field(sub);
  return f ? static_cast<short>(f->canonical) : 0;
}

short CNvTypeCodec::Length(short sub) const {
  if (sub == -1) return static_cast<short>(m_def.Length());
  const NvFieldDef* f = Field(sub);
  return f ? static_cast<short>(f->length) : 0;
}

short CNvTypeCodec::SubindexByName(const std::wstring& name) const {
  if (!m_def.structured) return -1;
  for (size_t i = 0; i < m_def.fields.size(); ++i)
    if (m_def.fields[i].name == name) return static_cast<short>(i);
  return -1;
}

bool CNvTypeCodec::GetBounds(short sub, double& min, double& max) const {
  const NvFieldDef* f = Field(sub);
  if (!f || !IsNumeric(*f)) return false;
  min = f->min;
  max = f->max;
  if (f->temperature && m_options.usUnits) {
    min = min * 9 / 5 + 32;
    max = max * 9 / 5 + 32;
  }
  return true;
}

bool CNvTypeCodec::ValueOfField(const NvFieldDef& f, const std::vector<BYTE>& bytes, double& value) const {
  if (!IsNumeric(f) || static_cast<int>(bytes.size()) < f.offset + f.length) return false;
  unsigned long long raw = 0;
  for (int i = 0; i < f.length; ++i) raw = (raw << 8) | bytes[static_cast<size_t>(f.offset + i)];
  double r = static_cast<double>(raw);
  if (f.coding == NvCoding::Signed && (raw >> (8 * f.length - 1)) & 1) r -= std::ldexp(1.0, 8 * f.length);
  value = r * f.scale + f.bias;
  if (f.temperature && m_options.usUnits) value = value * 9 / 5 + 32;
  return true;
}

bool CNvTypeCodec::FormatField(const NvFieldDef& f, const std::vector<BYTE>& bytes, std::wstring& text) const {
  if (f.coding == NvCoding::Raw) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    text.clear();
    for (BYTE b : bytes) {
      text += kDigits[b >> 4];
      text += kDigits[b & 15];
    }
    return true;
  }
  if (f.coding == NvCoding::Ascii) {
    if (static_cast<int>(bytes.size()) < f.offset + f.length) return false;
    text.clear();
    for (int i = 0; i < f.length; ++i) {
      BYTE b = bytes[static_cast<size_t>(f.offset + i)];
      if (b == 0) break;
      text += static_cast<wchar_t>(b);
    }
    return true;
  }
  double value = 0;
  if (!ValueOfField(f, bytes, value)) return false;
  wchar_t buf[64];
  std::swprintf(buf, 64, L"%.*f", f.decimals, value);
  text = buf;
  if (m_options.legacyNumbers && f.decimals > 0) {
    while (!text.empty() && text.back() == L'0') text.pop_back();
    if (!text.empty() && text.back() == L'.') text.pop_back();
  }
  if (text == L"-0") text = L"0";
  return true;
}

bool CNvTypeCodec::StoreNumber(const NvFieldDef& f, double value, std::vector<BYTE>& bytes) const {
  if (!std::isfinite(value)) return false;
  if (f.temperature && m_options.usUnits) value = (value - 32) * 5 / 9;
  // Half a step of slack so a value shown rounded still parses back.
  double slack = f.scale / 2;
  if (value < f.min - slack || value > f.max + slack) return false;
  double raw = std::nearbyint((value - f.bias) / f.scale);
  if (raw < RawMin(f) || raw > RawMax(f)) return false;
  unsigned long long bits =
      raw < 0 ? static_cast<unsigned long long>(static_cast<long long>(raw)) : static_cast<unsigned long long>(raw);
  if (static_cast<int>(bytes.size()) < f.offset + f.length) bytes.resize(static_cast<size_t>(f.offset + f.length));
  for (int i = f.length - 1; i >= 0; --i) {
    bytes[static_cast<size_t>(f.offset + i)] = static_cast<BYTE>(bits & 0xFF);
    bits >>= 8;
  }
  return true;
}

bool CNvTypeCodec::ParseField(const NvFieldDef& f, const std::wstring& input, std::vector<BYTE>& bytes) const {
  std::wstring text = Trim(input);
  if (f.coding == NvCoding::Raw) {
    std::wstring digits;
    for (wchar_t c : text)
      if (!std::iswspace(c)) digits += c;
    if (digits.size() % 2 != 0) return false;
    std::vector<BYTE> out;
    for (size_t i = 0; i < digits.size(); i += 2) {
      wchar_t pair[3] = {digits[i], digits[i + 1], 0};
      if (!std::iswxdigit(pair[0]) || !std::iswxdigit(pair[1])) return false;
      out.push_back(static_cast<BYTE>(std::wcstoul(pair, nullptr, 16)));
    }
    if (out.size() > bytes.size()) return false;
    std::copy(out.begin(), out.end(), bytes.begin());
    return true;
  }
  if (f.coding == NvCoding::Ascii) {
    if (static_cast<int>(input.size()) > f.length) return false;
    for (wchar_t c : input)
      if (c < 1 || c > 127) return false;
    if (static_cast<int>(bytes.size()) < f.offset + f.length) bytes.resize(static_cast<size_t>(f.offset + f.length));
    for (int i = 0; i < f.length; ++i)
      bytes[static_cast<size_t>(f.offset + i)] =
          i < static_cast<int>(input.size()) ? static_cast<BYTE>(input[static_cast<size_t>(i)]) : 0;
    return true;
  }
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  double value = std::wcstod(text.c_str(), &end);
  if (!end || *end != 0) return false;
  return StoreNumber(f, value, bytes);
}

// Parses into bytes (already the caller's data, at least the type's length).
bool CNvTypeCodec::Parse(const VARIANT& input, short sub, std::vector<BYTE>& bytes) const {
  const VARIANT* value = &input;
  if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal) value = value->pvarVal;
  const bool isText = value->vt == VT_BSTR;
  if (sub == -1 && m_def.structured) {
    if (!isText) return false;
    std::vector<std::wstring> parts = SplitBlanks(tessaly::BstrToString(value->bstrVal));
    if (parts.size() != m_def.fields.size()) return false;
    for (size_t i = 0; i < parts.size(); ++i)
      if (!ParseField(m_def.fields[i], parts[i], bytes)) return false;
    return true;
  }
  const NvFieldDef* f = Field(sub);
  if (!f) return false;
  if (isText) return ParseField(*f, tessaly::BstrToString(value->bstrVal), bytes);
  if (!IsNumeric(*f)) return false;
  VARIANT number;
  VariantInit(&number);
  if (FAILED(VariantChangeType(&number, value, 0, VT_R8))) return false;
  return StoreNumber(*f, number.dblVal, bytes);
}

bool CNvTypeCodec::FormatBytes(const std::vector<BYTE>& bytes, VARTYPE vt, VARIANT* fmtdata, short sub) const {
  if (!fmtdata) return false;
  VARIANT result;
  VariantInit(&result);
  if (vt == (VT_ARRAY | VT_UI1)) {
    // The raw bytes as they are, for any type.
    SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!sa) return false;
    void* raw = nullptr;
    if (FAILED(SafeArrayAccessData(sa, &raw))) {
      SafeArrayDestroy(sa);
      return false;
    }
    std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(raw));
    SafeArrayUnaccessData(sa);
    result.vt = VT_ARRAY | VT_UI1;
    result.parray = sa;
  } else if (vt == VT_BSTR || vt == VT_EMPTY) {
    std::wstring text;
    if (sub == -1 && m_def.structured) {
      if (static_cast<int>(bytes.size()) < m_def.Length()) return false;
      for (const NvFieldDef& f : m_def.fields) {
        std::wstring part;
        if (!FormatField(f, bytes, part)) return false;
        if (!text.empty()) text += L' ';
        text += part;
      }
    } else {
      const NvFieldDef* f = Field(sub);
      if (!f || !FormatField(*f, bytes, text)) return false;
    }
    result.vt = VT_BSTR;
    result.bstrVal = tessaly::SysAllocStringView(text);
  } else {
    const NvFieldDef* f = Field(sub);
    double value = 0;
    if (!f || !ValueOfField(*f, bytes, value)) return false;
    VARIANT number;
    VariantInit(&number);
    number.vt = VT_R8;
    number.dblVal = value;
    if (FAILED(VariantChangeType(&result, &number, 0, vt))) return false;
  }
  VariantClear(fmtdata);
  *fmtdata = result;
  return true;
}

bool CNvTypeCodec::FormatVT(const VARIANT& data, short len, VARTYPE vt, VARIANT* fmtdata, short sub) const {
  std::vector<BYTE> bytes;
  if (!ReadBytes(data, len, bytes)) return false;
  if (static_cast<int>(bytes.size()) < m_def.Length()) return false;
  return FormatBytes(bytes, vt, fmtdata, sub);
}

bool CNvTypeCodec::GetValueVT(VARTYPE vt, VARIANT* value, short sub) const {
  std::vector<BYTE> zero(static_cast<size_t>(m_def.Length()), 0);
  return FormatBytes(zero, vt, value, sub);
}

bool CNvTypeCodec::WriteFormatVT(const VARIANT& data, short len, const VARIANT& value, short sub) const {
  std::vector<BYTE> bytes;
  if (!ReadBytes(data, len, bytes)) return false;
  if (static_cast<int>(bytes.size()) < m_def.Length()) return false;
  // Parsed into a copy and written back whole, so a bad value changes nothing.
  if (!Parse(value, sub, bytes)) return false;
  return WriteBytes(data, bytes);
}

bool CNvTypeCodec::WriteValue2(VARIANT* data, short len, const VARIANT& value, short sub) const {
  if (!data) return false;
  VARIANT* target = data->vt == (VT_BYREF | VT_VARIANT) ? data->pvarVal : data;
  if (!target) return false;
  std::vector<BYTE> bytes;
  if (ReadBytes(*target, len, bytes) && static_cast<int>(bytes.size()) >= m_def.Length())
    return WriteFormatVT(*target, len, value, sub);
  if (target->vt != VT_EMPTY && !ByteArrayOf(*target)) return false;
  // Too short or none: a new array of the type's length.
  bytes.assign(static_cast<size_t>(m_def.Length()), 0);
  if (!Parse(value, sub, bytes)) return false;
  SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!sa) return false;
  void* raw = nullptr;
  if (FAILED(SafeArrayAccessData(sa, &raw))) {
    SafeArrayDestroy(sa);
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(raw));
  SafeArrayUnaccessData(sa);
  if (target->vt == (VT_BYREF | VT_ARRAY | VT_UI1)) {
    SafeArrayDestroy(*target->pparray);
    *target->pparray = sa;
  } else {
    VariantClear(target);
    target->vt = VT_ARRAY | VT_UI1;
    target->parray = sa;
  }
  return true;
}
