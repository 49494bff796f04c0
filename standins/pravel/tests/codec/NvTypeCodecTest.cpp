// The codec's raw (hex) and ASCII encodings: what bytes give as text and what text gives as bytes,
// with the lengths and characters each refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/ComVariant.h"
#include "platform/com/SafeArray.h"
#include "standins/pravel/NvTypeCatalogue.h"

namespace {

CComVariant Bytes(const std::vector<BYTE>& bytes) {
  CComVariant v;
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  void* data = nullptr;
  SafeArrayAccessData(v.parray, &data);
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  SafeArrayUnaccessData(v.parray);
  return v;
}

std::vector<BYTE> BytesOf(const VARIANT& v) {
  LONG lo = 0, hi = -1;
  SafeArrayGetLBound(v.parray, 1, &lo);
  SafeArrayGetUBound(v.parray, 1, &hi);
  void* data = nullptr;
  SafeArrayAccessData(v.parray, &data);
  std::vector<BYTE> out(static_cast<BYTE*>(data), static_cast<BYTE*>(data) + (hi - lo + 1));
  SafeArrayUnaccessData(v.parray);
  return out;
}

std::wstring Format(const CNvTypeCodec& codec, const std::vector<BYTE>& bytes) {
  CComVariant data = Bytes(bytes), text;
  if (!codec.FormatVT(data, static_cast<short>(bytes.size()), VT_BSTR, &text, -1)) return L"<refused>";
  return text.bstrVal ? text.bstrVal : L"";
}

struct WriteCase {
  const wchar_t* text;
  bool accepted;
  std::vector<BYTE> bytes;  // afterwards: the input bytes again when refused
};

void ExpectWrites(const CNvTypeCodec& codec, const std::vector<BYTE>& start, const std::vector<WriteCase>& cases) {
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.text)));
    CComVariant data = Bytes(start);
    CComVariant value(c.text);
    EXPECT_EQ(c.accepted, codec.WriteFormatVT(data, static_cast<short>(start.size()), value, -1));
    EXPECT_EQ(c.accepted ? c.bytes : start, BytesOf(data));
  }
}

TEST(NvTypeCodecTest, RawDataIsUppercaseHexOfEveryByte) {
  CNvTypeCodec raw(nvtypes::RawType(), {});
  EXPECT_EQ(L"01AB00FF", Format(raw, {0x01, 0xAB, 0x00, 0xFF}));
  EXPECT_EQ(L"", Format(raw, {}));
  ExpectWrites(raw, {1, 2, 3, 4},
               {{L"ff00ab01", true, {0xFF, 0x00, 0xAB, 0x01}},
                {L" FF 00\tAB 01 ", true, {0xFF, 0x00, 0xAB, 0x01}},  // blanks between digits
                {L"AA", true, {0xAA, 2, 3, 4}},                       // fewer bytes: the rest stays
                {L"", true, {1, 2, 3, 4}},
                {L"ABC", false, {}},           // half a byte
                {L"0G", false, {}},            // not a hex digit
                {L"0102030405", false, {}}});  // more bytes than the data holds
}

TEST(NvTypeCodecTest, AsciiTextFillsItsFieldAndStopsAtTheFirstNul) {
  const NvTypeDef* location = nvtypes::FindByName(nvtypes::StandardCpTypes(), L"SCPT_location");
  ASSERT_NE(nullptr, location);
  CNvTypeCodec text(*location, {});
  EXPECT_EQ(L"Room", Format(text, {'R', 'o', 'o', 'm', 0, 'x'}));
  EXPECT_EQ(L"Lounge", Format(text, {'L', 'o', 'u', 'n', 'g', 'e'}));  // the whole field, no NUL
  EXPECT_EQ(L"", Format(text, {0, 'a', 'b', 'c', 'd', 'e'}));
  EXPECT_EQ(L"<refused>", Format(text, {'a', 'b'}));  // shorter than the type
  ExpectWrites(text, {'x', 'x', 'x', 'x', 'x', 'x'},
               {{L"Hall", true, {'H', 'a', 'l', 'l', 0, 0}},
                {L"Office", true, {'O', 'f', 'f', 'i', 'c', 'e'}},  // exactly the field's length
                {L"", true, {0, 0, 0, 0, 0, 0}},
                {L" a b ", true, {' ', 'a', ' ', 'b', ' ', 0}},  // blanks are text
                {L"Kitchen", false, {}},                         // one character too many
                {L"Caf\u00e9", false, {}},                       // not ASCII
                {L"a\x01"
                 L"b",
                 true,
                 {'a', 1, 'b', 0, 0, 0}}});
}

}  // namespace
