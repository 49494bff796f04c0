#include "ombrel/tests/OmbrelTestSupport.h"

#include "platform/com/Variant.h"
#include "standins/pravel/NvTypeCatalogue.h"

namespace {

using namespace ombrel_test;

const std::wstring kDemoPid = nvtypes::kDemoPid;

class UNVTElementTest : public OmbrelFixture {
 protected:
  void SetUp() override {
    Register(kPravel | kGorrin);
    CreateControl();
  }

 public:
  COleDispatchDriver ByName(const std::wstring& name, short selector = 0) {
    return Element(ctrl.InvokeMethod<CComPtr<IDispatch>>(ombrel::DISPID_GET_TYPE_BY_NAME, name, kDemoPid, selector));
  }
  COleDispatchDriver Snvt(short index) { return Element(SNVType(index)); }
  // FormatVT's result and text.
  static std::pair<bool, std::wstring> Format(COleDispatchDriver& e, const VARIANT& data, short sub,
                                              VARTYPE vt = VT_BSTR) {
    CComVariant out;
    bool ok = e.InvokeMethod<bool>(ombrel::DISPID_ELEM_FORMAT_VT, data, short(BytesOf(data).size()), short(vt), static_cast<VARIANT*>(&out),
                                   sub);
    CComVariant text;
    if (ok && FAILED(VariantChangeType(&text, &out, 0, VT_BSTR))) return {ok, L"?"};
    return {ok, ok ? tessaly::BstrToString(text.bstrVal) : L""};
  }
};

TEST_F(UNVTElementTest, FormatsValuesThroughPravelAndGorrin) {
  struct Case {
    const char* what;
    std::function<COleDispatchDriver(UNVTElementTest*)> element;
    std::vector<BYTE> data;
    short sub;
    VARTYPE vt;
    std::wstring text;
  } cases[] = {
      {"Gorrin fixed point", [](auto* t) { return t->Snvt(105); }, {0x08, 0x66}, -1, VT_BSTR, L"21.50"},
      {"Gorrin negative", [](auto* t) { return t->Snvt(105); }, {0xFF, 0x9C}, -1, VT_BSTR, L"-1.00"},
      {"as a number", [](auto* t) { return t->Snvt(105); }, {0x08, 0x66}, -1, VT_R8, L"21.5"},
      {"structure whole", [](auto* t) { return t->Snvt(95); }, {0xC8, 0x01}, -1, VT_BSTR, L"100.0 1"},
      {"structure field", [](auto* t) { return t->Snvt(95); }, {0x65, 0xFF}, 1, VT_BSTR, L"-1"},
      {"user structure", [](auto* t) { return t->ByName(L"UNVT_setpoints"); }, {0x08, 0x66, 0x07, 0x08}, 1, VT_BSTR, L"18.00"},
      {"text", [](auto* t) { return t->Snvt(36); },
       {'h', 'a', 'l', 'l', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, -1, VT_BSTR, L"hall"},
      {"Pravel raw", [](auto* t) { return t->Snvt(0); }, {0x01, 0xAB}, -1, VT_BSTR, L"01AB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    COleDispatchDriver e = c.element(this);
    ASSERT_NE(e.m_lpDispatch, nullptr);
    CComVariant data = Bytes(c.data);
    EXPECT_EQ(Format(e, data, c.sub, c.vt), std::make_pair(true, c.text));
  }
}

TEST_F(UNVTElementTest, FailuresAnswerFalseWithoutAnAutomationError) {
  COleDispatchDriver e = Snvt(105);
  struct Case {
    const char* what;
    CComVariant data;
    short sub;
  } cases[] = {
      {"not a byte array", CComVariant(42), -1},
      {"too short", Bytes({0x08}), -1},
      {"no such field", Bytes({0x08, 0x66}), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Format(e, c.data, c.sub), std::make_pair(false, std::wstring()));
  }
}

TEST_F(UNVTElementTest, ParsesTextAndNumbersIntoTheCallersArray) {
  struct Case {
    const char* what;
    short snvt;
    CComVariant value;
    short sub;
    bool ok;
    std::vector<BYTE> bytes;  // the array afterwards (unchanged on failure)
  } cases[] = {
      {"text", 105, CComVariant(L"22.75"), -1, true, {0x08, 0xE3}},
      {"number", 105, CComVariant(-1.0), -1, true, {0xFF, 0x9C}},
      {"structure whole", 95, CComVariant(L"50.5 1"), -1, true, {0x65, 0x01}},
      {"structure field", 95, CComVariant(L"0"), 1, true, {0x11, 0x00}},
      {"above the bounds", 105, CComVariant(L"400"), -1, false, {0x11, 0x22}},
      {"not a number", 105, CComVariant(L"warm"), -1, false, {0x11, 0x22}},
      {"structure short of a field", 95, CComVariant(L"50"), -1, false, {0x11, 0x22}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    COleDispatchDriver e = Snvt(c.snvt);
    CComVariant data = Bytes({0x11, 0x22});
    EXPECT_EQ(e.InvokeMethod<bool>(ombrel::DISPID_ELEM_WRITE_FORMAT_VT, static_cast<const VARIANT&>(data), short(2),
                                   static_cast<const VARIANT&>(c.value), c.sub),
              c.ok);
    EXPECT_EQ(BytesOf(data), c.bytes);
  }
}

TEST_F(UNVTElementTest, WriteValue2MakesTheArrayWhenTheCallerHasNone) {
  COleDispatchDriver e = ByName(L"UNVT_setpoints");
  CComVariant data;  // empty
  CComVariant value(L"21.5 18");
  EXPECT_TRUE(e.InvokeMethod<bool>(ombrel::DISPID_ELEM_WRITE_VALUE2, static_cast<VARIANT*>(&data), short(0),
                                   static_cast<const VARIANT&>(value), short(-1)));
  EXPECT_EQ(BytesOf(data), (std::vector<BYTE>{0x08, 0x66, 0x07, 0x08}));
}

TEST_F(UNVTElementTest, AnIncludedStandardNumberFormatsThroughPravelWithTheSwitchOn) {
  SetSetting(L"BackTypeComp include", REG_SZ, L"105");
  SetBackTypeComp(false);  // reloads the list
  COleDispatchDriver included = Snvt(105);
  COleDispatchDriver other = Snvt(81);
  CComVariant data = Bytes({0x08, 0x66});
  pravelLog.Clear();
  gorrinLog.Clear();
  // Pravel's legacy texts drop trailing zeros: the switch was on for the call.
  EXPECT_EQ(Format(included, data, -1), std::make_pair(true, std::wstring(L"21.5")));
  EXPECT_EQ(pravelLog.Calls(), (std::vector<std::wstring>{L"11=1", L"4(105,2,8,-1)", L"11=0"}));
  EXPECT_TRUE(gorrinLog.Calls().empty());

  pravelLog.Clear();
  EXPECT_EQ(Format(other, data, -1).first, true);
  EXPECT_TRUE(pravelLog.Calls().empty());
  EXPECT_EQ(gorrinLog.Calls(), std::vector<std::wstring>{L"SNVT_lev_percent.5(2,8,-1)"});

  // With the control's switch on, the element re-syncs Pravel to TRUE after the call.
  SetBackTypeComp(true);
  pravelLog.Clear();
  CComVariant value(L"20");
  EXPECT_TRUE(other.InvokeMethod<bool>(ombrel::DISPID_ELEM_WRITE_FORMAT_VT, static_cast<const VARIANT&>(data), short(2),
                                       static_cast<const VARIANT&>(value), short(-1)));
  EXPECT_EQ(pravelLog.Calls(), (std::vector<std::wstring>{L"11=1", L"5(81,2,-1)", L"11=1"}));
}

TEST_F(UNVTElementTest, EachKindAnswersItsMembers) {
  SetBackTypeComp(true);
  COleDispatchDriver standard = ByName(L"SNVT_switch");  // Pravel answers (kind 1)
  SetBackTypeComp(false);
  COleDispatchDriver user = ByName(L"UNVT_setpoints");   // Gorrin's element (kind 2)
  COleDispatchDriver versioned = ByName(L"UNVT_mode_v2", 1);

  struct Row {
    const char* what;
    COleDispatchDriver* e;
    short fields, selector, index, canonical, length, subindex;
    std::wstring fieldType;
  } rows[] = {
      {"kind 1", &standard, 2, 0, 95, VT_I2, 1, 1, L"signed char"},
      {"kind 2", &user, 2, 0, 3, VT_R4, 2, 1, L"SNVT_temp_p"},
      {"kind 2 at a selector", &versioned, 0, 1, 1, 0, 0, 0, L""},
  };
  for (Row& r : rows) {
    SCOPED_TRACE(r.what);
    COleDispatchDriver& e = *r.e;
    EXPECT_EQ(e.GetProperty<short>(ombrel::DISPID_ELEM_SUBFIELD_COUNT), r.fields);
    EXPECT_EQ(e.GetProperty<short>(ombrel::DISPID_ELEM_SELECTOR), r.selector);
    EXPECT_EQ(e.GetProperty<short>(ombrel::DISPID_ELEM_INDEX), r.index);
    EXPECT_EQ(e.InvokeMethod<short>(ombrel::DISPID_ELEM_CANONICAL, short(1)), r.canonical);
    EXPECT_EQ(e.InvokeMethod<short>(ombrel::DISPID_ELEM_LENGTH, short(1)), r.length);
    EXPECT_EQ(e.InvokeMethod<short>(ombrel::DISPID_ELEM_SUBINDEX_BY_NAME, std::wstring(r.e == &standard ? L"state" : L"eco")),
              r.subindex);
    EXPECT_EQ(e.InvokeMethod<std::wstring>(ombrel::DISPID_ELEM_TYPE, short(1)), r.fieldType);
  }
  // Kind 1 reads "SI" and ignores writes.
  standard.SetProperty(ombrel::DISPID_ELEM_MEASUREMENT, VT_BSTR, std::wstring(L"US"));
  EXPECT_EQ(standard.GetProperty<std::wstring>(ombrel::DISPID_ELEM_MEASUREMENT), L"SI");
  // Kind 2 hands it to Gorrin's element, which then speaks Fahrenheit.
  double lo = 0, hi = 0;
  COleDispatchDriver temp = Snvt(105);
  temp.SetProperty(ombrel::DISPID_ELEM_MEASUREMENT, VT_BSTR, std::wstring(L"US"));
  EXPECT_EQ(temp.GetProperty<std::wstring>(ombrel::DISPID_ELEM_MEASUREMENT), L"US");
  CComVariant data = Bytes({0x08, 0x66});
  EXPECT_EQ(Format(temp, data, -1), std::make_pair(true, std::wstring(L"70.70")));
  EXPECT_TRUE(temp.InvokeMethod<bool>(ombrel::DISPID_ELEM_GET_BOUNDS, &lo, &hi, short(-1)));
  EXPECT_NEAR(hi, 327.66 * 9 / 5 + 32, 1e-9);
  // Bounds of a structure as a whole do not exist; of a field they do.
  EXPECT_FALSE(standard.InvokeMethod<bool>(ombrel::DISPID_ELEM_GET_BOUNDS, &lo, &hi, short(-1)));
  EXPECT_TRUE(standard.InvokeMethod<bool>(ombrel::DISPID_ELEM_GET_BOUNDS, &lo, &hi, short(0)));
  EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(0.0, 100.0));
  // The value of all-zero data.
  CComVariant zero;
  EXPECT_TRUE(user.InvokeMethod<bool>(ombrel::DISPID_ELEM_GET_VALUE_VT, short(VT_BSTR), static_cast<VARIANT*>(&zero), short(-1)));
  EXPECT_EQ(tessaly::BstrToString(zero.bstrVal), L"0.00 0.00");
}

TEST_F(UNVTElementTest, AnElementOutlivesItsControl) {
  COleDispatchDriver e = Snvt(105);
  ctrl.ReleaseDispatch();
  CComVariant data = Bytes({0x08, 0x66});
  EXPECT_EQ(Format(e, data, -1), std::make_pair(true, std::wstring(L"21.50")));
}

}  // namespace
