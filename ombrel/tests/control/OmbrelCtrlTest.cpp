#include "ombrel/tests/OmbrelTestSupport.h"

#include "platform/com/Activation.h"
#include "standins/pravel/NvTypeCatalogue.h"

namespace {

using namespace ombrel_test;

const std::wstring kDemoPid = nvtypes::kDemoPid;
const std::wstring kMarker = GORRIN_STANDARD_PID;

class OmbrelCtrlTest : public OmbrelFixture {};

TEST_F(OmbrelCtrlTest, RegistersTheControlAndItsPageAndIsCreatedByProgId) {
  Register(kPravel | kGorrin);
  CLSID clsid = GUID_NULL;
  ASSERT_EQ(CLSIDFromProgID(OMBREL_PROGID, &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_OmbrelCtrl);
  ASSERT_EQ(CLSIDFromProgID(OMBREL_PROPPAGE_PROGID, &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_OmbrelPropPage);

  CreateControl();
  EXPECT_EQ(ctrl.GetProperty<std::wstring>(ombrel::DISPID_VERSION), L"1.0");
  CComPtr<IUnknown> asInterface;
  EXPECT_EQ(ctrl.m_lpDispatch->QueryInterface(IID_DOmbrel, reinterpret_cast<void**>(&asInterface.p)), S_OK);

  auto unreg = reinterpret_cast<HRESULT (*)()>(::dlsym(::dlopen(OMBREL_MODULE, RTLD_NOW | RTLD_LOCAL), "DllUnregisterServer"));
  ASSERT_NE(unreg, nullptr);
  EXPECT_EQ(unreg(), S_OK);
  EXPECT_EQ(CLSIDFromProgID(OMBREL_PROGID, &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(OMBREL_PROPPAGE_PROGID, &clsid), CO_E_CLASSSTRING);
}

TEST_F(OmbrelCtrlTest, ConstructionPutsPravelsSwitchOffAndTheSetterFollowsIt) {
  Register(kPravel | kGorrin);
  ASSERT_TRUE(ctrl.CreateDispatch(OMBREL_PROGID));
  EXPECT_EQ(pravelLog.Calls(), std::vector<std::wstring>{L"11=0"});
  EXPECT_FALSE(ctrl.GetProperty<bool>(ombrel::DISPID_BACK_TYPE_COMPATIBILITY));

  pravelLog.Clear();
  SetBackTypeComp(true);
  EXPECT_TRUE(ctrl.GetProperty<bool>(ombrel::DISPID_BACK_TYPE_COMPATIBILITY));
  SetBackTypeComp(false);
  EXPECT_EQ(pravelLog.Calls(), (std::vector<std::wstring>{L"11=1", L"11=0"}));
}

// Which partner answers a type getter, and the name it gives. "Pravel" means Pravel made the
// element (Gorrin may have been asked first).
struct Route {
  const char* what;
  DISPID getter;
  short index;
  std::wstring pid;
  short selector;
  bool backTypeComp;
  std::vector<std::wstring> gorrinCalls;  // what Gorrin was asked while the element was made
  bool pravelAnswers;
  std::wstring type;  // "" = no element
};

std::vector<std::wstring> LookupCallsOnly(const std::vector<std::wstring>& calls) {
  std::vector<std::wstring> out;
  for (const std::wstring& c : calls)
    if (c.find(L'.') == std::wstring::npos) out.push_back(c);  // control calls, not element calls
  return out;
}

TEST_F(OmbrelCtrlTest, TypeGettersRouteByIndexSelectorAndSwitch) {
  const std::wstring D = kDemoPid;
  const Route routes[] = {
      {"SNVT 0 always Pravel", ombrel::DISPID_GET_SNV_TYPE, 0, L"", 0, false, {}, true, L"RAW_DATA"},
      {"SNVT 255 always Pravel, unknown there", ombrel::DISPID_GET_SNV_TYPE, 255, L"", 0, false, {}, true, L""},
      {"SNVT through Gorrin with the marker", ombrel::DISPID_GET_SNV_TYPE, 105, L"", 0, false, {L"3(105," + kMarker + L",0)"}, false, L"SNVT_temp_p"},
      {"SNVT with the switch on", ombrel::DISPID_GET_SNV_TYPE, 105, L"", 0, true, {}, true, L"SNVT_temp_p"},
      {"SNVT unknown to Gorrin falls back to 0", ombrel::DISPID_GET_SNV_TYPE, 200, L"", 0, false, {L"3(200," + kMarker + L",0)"}, true, L"RAW_DATA"},
      {"selector asks Gorrin first, even 0", ombrel::DISPID_GET_NV_TYPE_BY_INDEX, 0, D, 1, false, {L"3(0," + D + L",1)"}, true, L"RAW_DATA"},
      {"selector asks Gorrin first, even 255", ombrel::DISPID_GET_NV_TYPE_BY_INDEX, 255, D, 1, true, {L"3(255," + D + L",1)"}, true, L"RAW_DATA"},
      {"user type at a selector", ombrel::DISPID_GET_NV_TYPE_BY_INDEX, 1, D, 1, true, {L"3(1," + D + L",1)"}, false, L"UNVT_mode_v2"},
      {"user type at selector 0", ombrel::DISPID_GET_NV_TYPE_BY_INDEX, 4, D, 0, false, {L"3(4," + D + L",0)"}, false, L"UNVT_counter32"},
      {"selector 0 with the switch goes to Pravel", ombrel::DISPID_GET_NV_TYPE_BY_INDEX, 105, D, 0, true, {}, true, L"SNVT_temp_p"},
      {"a client's marker is no marker", ombrel::DISPID_GET_NV_TYPE_BY_INDEX, 105, kMarker, 1, true, {L"3(105," + kMarker + L",1)"}, true, L"RAW_DATA"},
      {"SCPT never eligible", ombrel::DISPID_GET_SCP_TYPE, 49, L"", 0, true, {L"4(49," + kMarker + L",0)"}, false, L"SCPT_maxSendTime"},
      {"CP user type", ombrel::DISPID_GET_CP_TYPE_BY_INDEX, 2, D, 0, true, {L"4(2," + D + L",0)"}, false, L"UCPT_delay"},
  };
  Register(kPravel | kGorrin);
  CreateControl();
  for (const Route& r : routes) {
    SCOPED_TRACE(r.what);
    SetBackTypeComp(r.backTypeComp);
    pravelLog.Clear();
    gorrinLog.Clear();
    CComPtr<IDispatch> element;
    if (r.getter == ombrel::DISPID_GET_SNV_TYPE || r.getter == ombrel::DISPID_GET_SCP_TYPE)
      element = ctrl.InvokeMethod<CComPtr<IDispatch>>(r.getter, r.index);
    else
      element = ctrl.InvokeMethod<CComPtr<IDispatch>>(r.getter, r.index, r.pid, r.selector);
    EXPECT_EQ(LookupCallsOnly(gorrinLog.Calls()), r.gorrinCalls);
    std::vector<std::wstring> pravel = pravelLog.Calls();
    bool pravelNamed = false;
    for (const std::wstring& c : pravel) pravelNamed |= c.rfind(L"2(", 0) == 0;
    EXPECT_EQ(pravelNamed, r.pravelAnswers);
    if (r.type.empty()) {
      EXPECT_EQ(element, nullptr);
      continue;
    }
    ASSERT_NE(element, nullptr);
    COleDispatchDriver e = Element(element);
    EXPECT_EQ(e.InvokeMethod<std::wstring>(ombrel::DISPID_ELEM_TYPE, short(-1)), r.type);
  }
}

TEST_F(OmbrelCtrlTest, TypeByNameAsksPravelOnlyForStandardNamesAtSelectorZero) {
  struct Case {
    std::wstring name;
    short selector;
    bool pravelAsked;
    short index;  // 0: no element
  } cases[] = {
      {L"UNVT_mode", 0, false, 1},
      {L"SNVT_temp_p", 0, true, 105},
      {L"SNVT_temp_p", 1, false, 105},
      {L"snvt_temp_p", 0, false, 0},  // "SNVT" is looked for as written, and Gorrin knows no such name
      {L"UNVT_unknown", 0, false, 0},
  };
  Register(kPravel | kGorrin);
  CreateControl();
  SetBackTypeComp(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name.begin(), c.name.end()) + " " + std::to_string(c.selector));
    pravelLog.Clear();
    CComPtr<IDispatch> element =
        ctrl.InvokeMethod<CComPtr<IDispatch>>(ombrel::DISPID_GET_TYPE_BY_NAME, c.name, kDemoPid, c.selector);
    EXPECT_EQ(!pravelLog.Calls().empty(), c.pravelAsked);
    if (c.index == 0) {
      EXPECT_EQ(element, nullptr);
      continue;
    }
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(Element(element).GetProperty<short>(ombrel::DISPID_ELEM_INDEX), c.index);
  }
}

TEST_F(OmbrelCtrlTest, NextItemNumbersTheListFromOneToTheCount) {
  Register(kPravel | kGorrin);
  CreateControl();
  // The demo device's NV user types at selector 0 are numbered 1, 3 and 4: position 2 has no
  // Gorrin element and is answered by Pravel's number 0.
  const std::vector<std::wstring> expected = {L"UNVT_mode", L"RAW_DATA", L"UNVT_setpoints", L"", L""};
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    EXPECT_TRUE(ctrl.InvokeMethod<bool>(ombrel::DISPID_INITIALIZE_LIST, kDemoPid, short(0)));
    for (const std::wstring& type : expected) {
      CComPtr<IDispatch> item = ctrl.InvokeMethod<CComPtr<IDispatch>>(ombrel::DISPID_NEXT_ITEM);
      if (type.empty()) {
        EXPECT_EQ(item, nullptr);
        continue;
      }
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(Element(item).InvokeMethod<std::wstring>(ombrel::DISPID_ELEM_TYPE, short(-1)), type);
    }
  }
  gorrinLog.Clear();
  ctrl.InvokeMethod<bool>(ombrel::DISPID_INITIALIZE_LIST, kDemoPid, short(1));
  EXPECT_NE(ctrl.InvokeMethod<CComPtr<IDispatch>>(ombrel::DISPID_NEXT_ITEM), nullptr);
  EXPECT_EQ(gorrinLog.Calls().front(), L"5(" + kDemoPid + L",1,0)");
}

TEST_F(OmbrelCtrlTest, AGapInTheListYieldsNullWithoutEndingItWhenPravelIsAbsent) {
  Register(kGorrin);
  CreateControl();
  ctrl.InvokeMethod<bool>(ombrel::DISPID_INITIALIZE_LIST, kDemoPid, short(0));
  std::vector<bool> made;
  for (int i = 0; i < 4; ++i) made.push_back(ctrl.InvokeMethod<CComPtr<IDispatch>>(ombrel::DISPID_NEXT_ITEM) != nullptr);
  EXPECT_EQ(made, (std::vector<bool>{true, false, true, false}));
}

TEST_F(OmbrelCtrlTest, LocaleIdIsGorrins) {
  Register(kPravel | kGorrin);
  CreateControl();
  EXPECT_EQ(ctrl.GetProperty<std::wstring>(ombrel::DISPID_LOCALE_ID), L"en-US");
  ctrl.SetProperty(ombrel::DISPID_LOCALE_ID, VT_BSTR, std::wstring(L"de-DE"));
  EXPECT_EQ(ctrl.GetProperty<std::wstring>(ombrel::DISPID_LOCALE_ID), L"de-DE");
}

TEST_F(OmbrelCtrlTest, WithoutPartnersTheControlStillWorksAndAnswersNothing) {
  Register(0);
  CreateControl();
  EXPECT_EQ(ctrl.GetProperty<std::wstring>(ombrel::DISPID_VERSION), L"1.0");
  SetBackTypeComp(true);
  EXPECT_FALSE(ctrl.GetProperty<bool>(ombrel::DISPID_BACK_TYPE_COMPATIBILITY));
  ctrl.InvokeMethod<bool>(ombrel::DISPID_INITIALIZE_LIST, kDemoPid, short(0));
  EXPECT_EQ(ctrl.InvokeMethod<CComPtr<IDispatch>>(ombrel::DISPID_NEXT_ITEM), nullptr);
  EXPECT_EQ(ctrl.GetProperty<std::wstring>(ombrel::DISPID_LOCALE_ID), L"");
  ctrl.SetProperty(ombrel::DISPID_LOCALE_ID, VT_BSTR, std::wstring(L"de-DE"));
  EXPECT_EQ(ctrl.GetProperty<std::wstring>(ombrel::DISPID_LOCALE_ID), L"");
  EXPECT_EQ(SNVType(0), nullptr);
  EXPECT_EQ(SNVType(105), nullptr);
  EXPECT_EQ(ctrl.InvokeMethod<CComPtr<IDispatch>>(ombrel::DISPID_GET_TYPE_BY_NV_INDEX, short(1), kDemoPid), nullptr);
  // Nobody took the change.
  EXPECT_FALSE(ctrl.InvokeMethod<bool>(ombrel::DISPID_UPDATE_ITEM, short(1), std::wstring(L"UNVT_mode"), kDemoPid,
                                       short(0)));
}

}  // namespace
