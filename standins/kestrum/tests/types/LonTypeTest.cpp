// The simulated devices' value encodings, type by type: limits, just past them, negative values
// of the signed types, scale and rounding, text lengths. A refused value leaves the bytes alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/ComVariant.h"
#include "standins/kestrum/LonType.h"

namespace {

using kestrum::sim::CLonType;

struct EncodeCase {
  const wchar_t* type;
  short field;
  double number;  // used when text is null
  const wchar_t* text;
  HRESULT expected;
  const wchar_t* shown;     // the field's text afterwards (when accepted)
  std::vector<BYTE> bytes;  // the encoding (when accepted and given)
};

void PrintTo(const EncodeCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(std::wstring(c.type)) << " field " << c.field << " "
      << (c.text ? ::testing::PrintToString(std::wstring(c.text)) : std::to_string(c.number));
}

class LonTypeEncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(LonTypeEncodeTest, EncodesOrRefusesWithoutHarm) {
  const EncodeCase& c = GetParam();
  const CLonType* type = CLonType::Find(c.type);
  ASSERT_NE(nullptr, type);
  std::vector<BYTE> bytes(type->Size(), 0x5A);
  const std::vector<BYTE> before = bytes;
  CComVariant value = c.text ? CComVariant(c.text) : CComVariant(c.number);
  ASSERT_EQ(c.expected, type->Encode(bytes, c.field, value));
  if (FAILED(c.expected)) {
    EXPECT_EQ(before, bytes);
    return;
  }
  EXPECT_EQ(std::wstring(c.shown), type->Text(bytes, c.field));
  if (!c.bytes.empty()) {
    EXPECT_EQ(c.bytes, std::vector<BYTE>(bytes.begin(), bytes.begin() + c.bytes.size()));
  }
  // What is shown reads back as the same encoding.
  std::vector<BYTE> again(type->Size(), 0);
  ASSERT_EQ(S_OK, type->Parse(again, c.field, c.shown));
  EXPECT_EQ(type->Text(bytes, c.field), type->Text(again, c.field));
}

const std::wstring k30(30, L'x');
const std::wstring k31(31, L'x');

INSTANTIATE_TEST_SUITE_P(
    StandardTypes, LonTypeEncodeTest,
    ::testing::Values(
        // SNVT_temp_p: signed 16 bits of 0.01 degrees, -273.17 to 327.66.
        EncodeCase{L"SNVT_temp_p", -1, 327.66, nullptr, S_OK, L"327.66", {0x7F, 0xFE}},
        EncodeCase{L"SNVT_temp_p", -1, 327.67, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_temp_p", -1, -273.17, nullptr, S_OK, L"-273.17", {0x95, 0x4B}},
        EncodeCase{L"SNVT_temp_p", -1, -273.18, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_temp_p", -1, -0.01, nullptr, S_OK, L"-0.01", {0xFF, 0xFF}},
        EncodeCase{L"SNVT_temp_p", -1, 21.554, nullptr, S_OK, L"21.55", {}},  // to the nearest step
        EncodeCase{L"SNVT_temp_p", -1, 21.556, nullptr, S_OK, L"21.56", {}},
        EncodeCase{L"SNVT_temp_p", -1, 0, L"warm", DISP_E_TYPEMISMATCH, nullptr, {}},
        // SNVT_lev_percent: signed 16 bits of 0.005 %, -163.84 to 163.83.
        EncodeCase{L"SNVT_lev_percent", -1, 163.83, nullptr, S_OK, L"163.830", {0x7F, 0xFE}},
        EncodeCase{L"SNVT_lev_percent", -1, 163.84, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_lev_percent", -1, -163.84, nullptr, S_OK, L"-163.840", {0x80, 0x00}},
        EncodeCase{L"SNVT_lev_percent", -1, -163.85, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_lev_percent", -1, 0.004, nullptr, S_OK, L"0.005", {0x00, 0x01}},
        // SNVT_switch: value unsigned 8 bits of 0.5 % (0 to 100), state signed 8 bits (-1 to 1).
        EncodeCase{L"SNVT_switch", 0, 100, nullptr, S_OK, L"100.0", {0xC8}},
        EncodeCase{L"SNVT_switch", 0, 100.5, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_switch", 0, -0.5, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_switch", 0, 0.3, nullptr, S_OK, L"0.5", {0x01}},
        EncodeCase{L"SNVT_switch", 1, -1, nullptr, S_OK, L"-1", {0x5A, 0xFF}},
        EncodeCase{L"SNVT_switch", 1, 2, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_switch", 1, -2, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_switch", -1, 0, L"50.0 1", S_OK, L"50.0 1", {0x64, 0x01}},
        EncodeCase{L"SNVT_switch", -1, 0, L"50.0", DISP_E_TYPEMISMATCH, nullptr, {}},  // a member missing
        EncodeCase{L"SNVT_switch", 2, 1, nullptr, DISP_E_BADINDEX, nullptr, {}},
        // SNVT_count: unsigned 16 bits, 0 to 65535.
        EncodeCase{L"SNVT_count", -1, 65535, nullptr, S_OK, L"65535", {0xFF, 0xFF}},
        EncodeCase{L"SNVT_count", -1, 65536, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_count", -1, 0, nullptr, S_OK, L"0", {0x00, 0x00}},
        EncodeCase{L"SNVT_count", -1, -1, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        // SNVT_time_sec: unsigned 16 bits of 0.1 s, 0 to 6553.4.
        EncodeCase{L"SNVT_time_sec", -1, 6553.4, nullptr, S_OK, L"6553.4", {0xFF, 0xFE}},
        EncodeCase{L"SNVT_time_sec", -1, 6553.5, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_time_sec", -1, 0.04, nullptr, S_OK, L"0.0", {0x00, 0x00}},
        // SNVT_str_asc: 31 bytes, up to 30 ASCII characters and a NUL.
        EncodeCase{L"SNVT_str_asc", -1, 0, L"", S_OK, L"", {0x00}},
        EncodeCase{L"SNVT_str_asc", -1, 0, k30.c_str(), S_OK, k30.c_str(), {}},
        EncodeCase{L"SNVT_str_asc", -1, 0, k31.c_str(), DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_str_asc", -1, 0, L"Caf\u00e9", DISP_E_TYPEMISMATCH, nullptr, {}},
        EncodeCase{L"SNVT_str_asc", -1, 42, nullptr, S_OK, L"42", {'4', '2', 0}},
        // SNVT_time_stamp: year 16 bits to 3000, the rest 8 bits each.
        EncodeCase{L"SNVT_time_stamp", 0, 3000, nullptr, S_OK, L"3000", {0x0B, 0xB8}},
        EncodeCase{L"SNVT_time_stamp", 0, 3001, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_time_stamp", 1, 13, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_time_stamp", 5, 59, nullptr, S_OK, L"59", {}},
        EncodeCase{L"SNVT_time_stamp", 5, 60, nullptr, DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_time_stamp",
                   -1,
                   0,
                   L"2024-02-29 23:59:59",
                   S_OK,
                   L"2024-02-29 23:59:59",
                   {0x07, 0xE8, 2, 29, 23, 59, 59}},
        EncodeCase{L"SNVT_time_stamp", -1, 0, L"2024-02-29 24:00:00", DISP_E_OVERFLOW, nullptr, {}},
        EncodeCase{L"SNVT_time_stamp", -1, 0, L"2024-02-29", DISP_E_TYPEMISMATCH, nullptr, {}}));

TEST(LonTypeTest, DecodesInTheCanonicalTypeOfEachField) {
  struct Case {
    const wchar_t* type;
    short field;
    std::vector<BYTE> bytes;
    VARTYPE vt;
    double number;  // for numeric results
  } cases[] = {
      {L"SNVT_temp_p", -1, {0xFF, 0x9C}, VT_R8, -1.0},
      {L"SNVT_count", -1, {0xFF, 0xFF}, VT_I4, 65535},
      {L"SNVT_switch", 1, {0x00, 0xFF}, VT_I2, -1},
      {L"SNVT_switch", 0, {0xC8, 0x01}, VT_R8, 100.0},
      {L"SNVT_time_stamp", 1, {0x07, 0xE8, 12, 31, 0, 0, 0}, VT_I4, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.type)));
    const CLonType* type = CLonType::Find(c.type);
    ASSERT_NE(nullptr, type);
    std::vector<BYTE> bytes = c.bytes;
    bytes.resize(type->Size(), 0);
    CComVariant v = type->Decode(bytes, c.field);
    EXPECT_EQ(c.vt, v.vt);
    CComVariant d;
    ASSERT_EQ(S_OK, VariantChangeType(&d, &v, 0, VT_R8));
    EXPECT_DOUBLE_EQ(c.number, d.dblVal);
  }
  // A structure as a whole is its text; a field that is not there decodes to nothing.
  const CLonType* sw = CLonType::Find(L"SNVT_switch");
  CComVariant whole = sw->Decode({0x64, 0x01}, -1);
  ASSERT_EQ(VT_BSTR, whole.vt);
  EXPECT_STREQ(L"50.0 1", whole.bstrVal);
  EXPECT_EQ(VT_EMPTY, sw->Decode({0x64, 0x01}, 2).vt);
  EXPECT_EQ(nullptr, CLonType::Find(L"SNVT_nothing"));
}

}  // namespace
