// Values on the wire and the checks on what arrives.
#include <gtest/gtest.h>

#include <capnp/message.h>

#include <cmath>

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"
#include "platform/rpc/LocalServer.h"
#include "platform/rpc/Marshal.h"
#include "platform/rpc/RemoteSettings.h"

namespace {

using tessaly::rpc::CMalformed;

VARIANT RoundTrip(const VARIANT& in, HRESULT* encoded = nullptr) {
  capnp::MallocMessageBuilder message;
  auto b = message.initRoot<tessaly::rpc::wire::Variant>();
  HRESULT hr = tessaly::rpc::EncodeVariant(b, in);
  if (encoded) *encoded = hr;
  VARIANT out;
  VariantInit(&out);
  if (SUCCEEDED(hr)) tessaly::rpc::DecodeVariant(b.asReader(), &out);
  return out;
}

TEST(MarshalTest, ScalarVariantsArriveWithTypeAndValue) {
  struct Case {
    VARTYPE vt;
    double value;
  } cases[] = {{VT_EMPTY, 0},  {VT_I1, -5},     {VT_I2, -300}, {VT_I4, -70000}, {VT_I8, -5e12}, {VT_UI1, 200},
               {VT_UI2, 60000}, {VT_UI4, 4e9}, {VT_UI8, 1e15}, {VT_R4, 1.5},    {VT_R8, -2.25}, {VT_BOOL, -1},
               {VT_DATE, 45000.5}, {VT_CY, 12.5}, {VT_INT, -7}, {VT_UINT, 7}, {VT_ERROR, -2147024809.0}};
  for (const Case& c : cases) {
    VARIANT r8, in;
    VariantInit(&r8);
    VariantInit(&in);
    r8.vt = VT_R8;
    r8.dblVal = c.value;
    if (c.vt == VT_ERROR) {
      in.vt = VT_ERROR;
      in.scode = static_cast<SCODE>(c.value);
    } else if (c.vt != VT_EMPTY) {
      ASSERT_EQ(S_OK, VariantChangeType(&in, &r8, 0, c.vt)) << c.vt;
    }
    VARIANT out = RoundTrip(in);
    EXPECT_EQ(c.vt, out.vt);
    EXPECT_TRUE(tessaly::VariantEquals(in, out)) << c.vt;
  }
}

TEST(MarshalTest, StringsAndArraysArriveWhole) {
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"Grüße \u20AC");
  VARIANT out = RoundTrip(text);
  EXPECT_EQ(VT_BSTR, out.vt);
  EXPECT_EQ(std::wstring(L"Grüße \u20AC"), tessaly::BstrToString(out.bstrVal));
  VariantClear(&out);
  VariantClear(&text);

  VARIANT array;
  VariantInit(&array);
  array.vt = VT_ARRAY | VT_I2;
  array.parray = SafeArrayCreateVector(VT_I2, 3, 4);
  for (LONG i = 3; i < 7; ++i) {
    SHORT v = static_cast<SHORT>(i * 10);
    SafeArrayPutElement(array.parray, &i, &v);
  }
  out = RoundTrip(array);
  ASSERT_EQ(VT_ARRAY | VT_I2, out.vt);
  LONG lower = 0, upper = 0;
  SafeArrayGetLBound(out.parray, 1, &lower);
  SafeArrayGetUBound(out.parray, 1, &upper);
  EXPECT_EQ(3, lower);
  EXPECT_EQ(6, upper);
  LONG at = 5;
  SHORT v = 0;
  SafeArrayGetElement(out.parray, &at, &v);
  EXPECT_EQ(50, v);
  VariantClear(&out);
  VariantClear(&array);
}

TEST(MarshalTest, TypesThatCannotTravelAreRefusedBeforeSending) {
  VARIANT unknown;
  VariantInit(&unknown);
  unknown.vt = VT_UNKNOWN;
  HRESULT hr = S_OK;
  RoundTrip(unknown, &hr);
  EXPECT_EQ(DISP_E_BADVARTYPE, hr);
}

TEST(MarshalTest, AVariantWhoseTypeAndValueDifferIsMalformed) {
  capnp::MallocMessageBuilder message;
  auto b = message.initRoot<tessaly::rpc::wire::Variant>();
  struct Case {
    VARTYPE vt;
    int value;  // 0 signed, 1 text, 2 array
  } cases[] = {{VT_BSTR, 0}, {VT_I4, 1}, {VT_UNKNOWN, 0}, {VT_I4 | VT_BYREF, 0}, {VT_ARRAY | VT_I4, 0},
               {VT_I4, 2}};
  for (const Case& c : cases) {
    b.setVt(c.vt);
    if (c.value == 0) b.setSigned(1);
    if (c.value == 1) b.setText("x");
    if (c.value == 2) b.initArray().initElements(1)[0].setVt(VT_I4);
    VARIANT out;
    VariantInit(&out);
    EXPECT_THROW(tessaly::rpc::DecodeVariant(b.asReader(), &out), CMalformed) << c.vt;
    VariantClear(&out);
  }
}

TEST(MarshalTest, CountsMustMatchTheirListsAndStayInBounds) {
  EXPECT_NO_THROW(tessaly::rpc::CheckCount(3, 3, "items"));
  EXPECT_THROW(tessaly::rpc::CheckCount(2, 5, "items"), CMalformed);
  EXPECT_THROW(tessaly::rpc::CheckCount(5, 2, "items"), CMalformed);
  EXPECT_THROW(tessaly::rpc::CheckBound(tessaly::rpc::kMaxListItems + 1, "items"), CMalformed);
  capnp::MallocMessageBuilder message;
  auto b = message.initRoot<tessaly::rpc::wire::Variant>();
  b.setText(std::string(tessaly::rpc::kMaxTextBytes + 1, 'x'));
  EXPECT_THROW(tessaly::rpc::TextFromWire(b.asReader().getText()), CMalformed);
}

TEST(MarshalTest, CommandLines) {
  using V = std::vector<std::string>;
  struct Case {
    const char* line;
    V words;
  } cases[] = {{"", {}},
               {"/opt/t/host", {"/opt/t/host"}},
               {"\"/opt/my dir/host\" --clsid {X}", {"/opt/my dir/host", "--clsid", "{X}"}},
               {"  a   b  ", {"a", "b"}},
               {"\"\"", {""}}};
  for (const Case& c : cases) EXPECT_EQ(c.words, tessaly::rpc::SplitCommandLine(c.line)) << c.line;
}

TEST(MarshalTest, AccessKeys) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {{"secret", "secret", true}, {"secret", "secreT", false}, {"secret", "secret2", false},
               {"", "", true},             {"x", "", false}};
  for (const Case& c : cases) EXPECT_EQ(c.equal, tessaly::rpc::AccessKeysEqual(c.a, c.b)) << c.a << " " << c.b;
}

}  // namespace
