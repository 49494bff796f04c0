// The small type catalogue that the Pravel and Gorrin stand-ins share: type definitions with
// fields, lengths, bounds and text formats, and the codec that formats raw NV data to text or
// numbers and parses it back. Raw data is big-endian, as on the LON wire.
#pragma once

#include "platform/com/ComTypes.h"

#include <string>
#include <vector>

enum class NvCoding { Unsigned, Signed, Ascii, Raw };

struct NvFieldDef {
  std::wstring name;      // member name of a structured type; empty for a scalar type
  std::wstring typeName;  // what Type(sub) answers for the field
  int offset = 0;         // bytes into the value
  int length = 0;         // bytes; 0 for Raw: whatever the caller has
  NvCoding coding = NvCoding::Unsigned;
  double scale = 1.0;  // value = raw * scale + bias
  double bias = 0.0;
  int decimals = 0;
  double min = 0.0;
  double max = 0.0;
  VARTYPE canonical = VT_I4;
  bool temperature = false;  // degrees Celsius, shown in Fahrenheit for "US"
};

struct NvTypeDef {
  short index = 0;
  std::wstring name;
  bool structured = false;         // several named fields; else fields holds the one value
  std::vector<NvFieldDef> fields;
  int Length() const;
};

struct NvFormatOptions {
  bool legacyNumbers = false;  // trailing zeros of fixed-point values left off
  bool usUnits = false;        // temperatures in degrees Fahrenheit
};

// The catalogue. Standard NV types by SNVT number, standard CP types by SCPT number, and the
// user types of one demo device program ID.
namespace nvtypes {
constexpr const wchar_t* kDemoPid = L"9FFFFF0501840401";

const std::vector<NvTypeDef>& StandardNvTypes();
const std::vector<NvTypeDef>& StandardCpTypes();
struct UserType {
  std::wstring pid;
  short selector;
  bool isNv;
  NvTypeDef def;
};
const std::vector<UserType>& UserTypes();
// The raw-data type (number 0) that only Pravel knows.
const NvTypeDef& RawType();

const NvTypeDef* FindByIndex(const std::vector<NvTypeDef>& list, short index);
const NvTypeDef* FindByName(const std::vector<NvTypeDef>& list, const std::wstring& name);
}  // namespace nvtypes

// The operations on one type. Every failure answers FALSE (or 0, -1, "") and leaves the
// caller's data untouched.
class CNvTypeCodec {
 public:
  CNvTypeCodec(const NvTypeDef& def, NvFormatOptions options) : m_def(def), m_options(options) {}

  short SubFieldCount() const;
  std::wstring TypeName(short sub) const;
  short Canonical(short sub) const;
  short Length(short sub) const;
  short SubindexByName(const std::wstring& name) const;  // -1 when there is no such field
  bool GetBounds(short sub, double& min, double& max) const;
  // data: a byte array VARIANT (by reference too); len: the bytes the caller says it holds.
  // vt VT_BSTR or VT_EMPTY gives text; a numeric vt gives the value of a numeric field.
  bool FormatVT(const VARIANT& data, short len, VARTYPE vt, VARIANT* fmtdata, short sub) const;
  // The value that all-zero data has, as FormatVT gives it.
  bool GetValueVT(VARTYPE vt, VARIANT* value, short sub) const;
  // Parses value (text, or a number for a numeric field) into the caller's array, in place.
  bool WriteFormatVT(const VARIANT& data, short len, const VARIANT& value, short sub) const;
  // As WriteFormatVT; an empty or too short data gets a new zeroed array of the type's length.
  bool WriteValue2(VARIANT* data, short len, const VARIANT& value, short sub) const;

 private:
  const NvFieldDef* Field(short sub) const;  // the field, or the scalar's value for -1
  bool FormatField(const NvFieldDef& f, const std::vector<BYTE>& bytes, std::wstring& text) const;
  bool ValueOfField(const NvFieldDef& f, const std::vector<BYTE>& bytes, double& value) const;
  bool ParseField(const NvFieldDef& f, const std::wstring& text, std::vector<BYTE>& bytes) const;
  bool StoreNumber(const NvFieldDef& f, double value, std::vector<BYTE>& bytes) const;
  bool Parse(const VARIANT& value, short sub, std::vector<BYTE>& bytes) const;
  bool FormatBytes(const std::vector<BYTE>& bytes, VARTYPE vt, VARIANT* fmtdata, short sub) const;

  const NvTypeDef& m_def;
  NvFormatOptions m_options;
};
