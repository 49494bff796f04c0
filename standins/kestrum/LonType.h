// A standard LON value type: its big-endian encoding, its members, their canonical VARTYPEs,
// value texts and ranges. The table holds the few types the simulated devices use.
#pragma once

#include "platform/com/ComVariant.h"

#include <string>
#include <vector>

namespace kestrum::sim {

enum class FieldKind { Number, Text, Date };

struct LonField {
  std::wstring member;  // "" for the one field of a plain type
  size_t offset;
  size_t size;          // bytes
  bool isSigned;
  double scale;         // value = raw * scale
  VARTYPE canonical;
  double low;
  double high;
  int decimals;         // in value texts
  FieldKind kind;
};

class CLonType {
 public:
  CLonType(std::wstring name, short index, size_t size, std::vector<LonField> fields, VARTYPE wholeCanonical);

  // nullptr for a name that is not in the table.
  static const CLonType* Find(const std::wstring& name);
  static const std::vector<CLonType>& Table();

  const std::wstring& Name() const { return m_name; }
  short Index() const { return m_index; }
  size_t Size() const { return m_size; }
  // Members of a structured type; 0 for a plain one.
  size_t FieldCount() const { return m_fields.size() > 1 ? m_fields.size() : 0; }
  // field -1 (whole) or 0..FieldCount()-1; false for any other.
  bool IsField(short field) const { return field == -1 || (field >= 0 && static_cast<size_t>(field) < FieldCount()); }
  std::wstring MemberName(short field) const;
  VARTYPE CanonicalType(short field) const;
  // Range of a numeric field (the whole value of a plain numeric type); false otherwise.
  bool Range(short field, double* low, double* high) const;

  // The value of the field in its canonical type.
  CComVariant Decode(const std::vector<BYTE>& bytes, short field) const;
  std::wstring Text(const std::vector<BYTE>& bytes, short field) const;
  // Puts a value into the field of bytes (sized Size()); a failure leaves bytes as they were
  // and returns DISP_E_TYPEMISMATCH (not convertible) or DISP_E_OVERFLOW (out of range).
  HRESULT Encode(std::vector<BYTE>& bytes, short field, const VARIANT& value) const;
  HRESULT Parse(std::vector<BYTE>& bytes, short field, const std::wstring& text) const;
  // The numeric value of a plain numeric type (for the behaviours), and back (clamped).
  bool IsNumeric() const { return m_fields.size() == 1 && m_fields[0].kind == FieldKind::Number; }
  double Number(const std::vector<BYTE>& bytes) const;
  void SetNumber(std::vector<BYTE>& bytes, double value) const;

 private:
  const LonField* FieldOf(short field) const;
  double FieldNumber(const std::vector<BYTE>& bytes, const LonField& f) const;
  HRESULT PutNumber(std::vector<BYTE>& bytes, const LonField& f, double value) const;
  std::wstring FieldText(const std::vector<BYTE>& bytes, const LonField& f) const;
  HRESULT ParseWhole(std::vector<BYTE>& bytes, const std::wstring& text) const;

  std::wstring m_name;
  short m_index;
  size_t m_size;
  std::vector<LonField> m_fields;
  VARTYPE m_wholeCanonical;
};

}  // namespace kestrum::sim
