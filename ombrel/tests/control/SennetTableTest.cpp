// The control with the real Sennet behind it: the user-type table in nv_types.xml.
#include "ombrel/tests/OmbrelTestSupport.h"

#include "standins/pravel/NvTypeCatalogue.h"

#include <stdlib.h>

#include <filesystem>

namespace {

using namespace ombrel_test;

const std::wstring kDemoPid = nvtypes::kDemoPid;

class SennetTableTest : public OmbrelFixture {
 protected:
  void SetUp() override {
    if (!SennetBuilt()) GTEST_SKIP() << "Sennet is not part of this build";
    folder = root.Path() + "/types";
    std::filesystem::create_directories(folder);
    WriteTable(
        "<types><node><pid>9FFFFF0501840401</pid>"
        "<nv><index>7</index><type>UNVT_mode</type><selector>0</selector></nv>"
        "<nv><index>8</index><type>UNVT_gone</type><selector>0</selector></nv>"
        "</node></types>");
  }
  void WriteTable(const std::string& xml) { std::ofstream(folder + "/nv_types.xml") << xml; }
  std::string ReadTable() {
    std::ifstream in(folder + "/nv_types.xml");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Start(const std::wstring& path, DWORD type = REG_SZ) {
    SetSetting(L"XMLFilePath", type, path);
    Register(kAll);
    CreateControl();
  }
  COleDispatchDriver ByNvIndex(short index) {
    return Element(ctrl.InvokeMethod<CComPtr<IDispatch>>(ombrel::DISPID_GET_TYPE_BY_NV_INDEX, index, kDemoPid));
  }
  bool Update(short index, const std::wstring& name, short selector = 0) {
    return ctrl.InvokeMethod<bool>(ombrel::DISPID_UPDATE_ITEM, index, name, kDemoPid, selector);
  }
  std::wstring TypeOf(COleDispatchDriver& e) {
    return e.m_lpDispatch ? e.InvokeMethod<std::wstring>(ombrel::DISPID_ELEM_TYPE, short(-1)) : L"(none)";
  }

  std::string folder;
};

TEST_F(SennetTableTest, TheConfiguredFolderIsOpenedHoweverItIsWritten) {
  ::setenv("OMBREL_TEST_TYPES", folder.c_str(), 1);
  struct Case {
    const char* what;
    std::wstring path;
    DWORD type;
  } cases[] = {
      {"plain", Utf8ToWide(folder), REG_SZ},
      {"trailing slash", Utf8ToWide(folder) + L"/", REG_SZ},
      {"expandable", L"%OMBREL_TEST_TYPES%", REG_EXPAND_SZ},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Start(c.path, c.type);
    COleDispatchDriver e = ByNvIndex(7);
    EXPECT_EQ(TypeOf(e), L"UNVT_mode");
    ctrl.ReleaseDispatch();
  }
  ::unsetenv("OMBREL_TEST_TYPES");
}

TEST_F(SennetTableTest, WithoutAFolderNoTableIsOpenedAndUpdatesReportFailure) {
  Start(L"");
  COleDispatchDriver e = ByNvIndex(7);
  EXPECT_EQ(TypeOf(e), L"RAW_DATA");  // not found: Pravel's number 0
  EXPECT_FALSE(Update(7, L"UNVT_counter32"));
}

TEST_F(SennetTableTest, UpdateItemSetsAndRemovesEntriesThatLookupsThenFind) {
  Start(Utf8ToWide(folder));
  EXPECT_TRUE(Update(9, L"UNVT_setpoints"));
  EXPECT_NE(ReadTable().find("<type>UNVT_setpoints</type>"), std::string::npos);
  COleDispatchDriver added = ByNvIndex(9);
  EXPECT_EQ(TypeOf(added), L"UNVT_setpoints");
  EXPECT_EQ(added.GetProperty<short>(ombrel::DISPID_ELEM_INDEX), 3);

  EXPECT_TRUE(Update(7, L"UNVT_mode_v2", 1));  // the stored selector goes to Gorrin
  COleDispatchDriver changed = ByNvIndex(7);
  EXPECT_EQ(TypeOf(changed), L"UNVT_mode_v2");
  EXPECT_EQ(changed.GetProperty<short>(ombrel::DISPID_ELEM_SELECTOR), 1);

  EXPECT_TRUE(Update(9, L""));
  COleDispatchDriver removed = ByNvIndex(9);
  EXPECT_EQ(TypeOf(removed), L"RAW_DATA");
  EXPECT_EQ(ReadTable().find("UNVT_setpoints"), std::string::npos);
}

TEST_F(SennetTableTest, ANameNobodyKnowsGivesAnElementThatCarriesOnlyTheName) {
  Start(Utf8ToWide(folder));
  COleDispatchDriver e = ByNvIndex(8);
  ASSERT_NE(e.m_lpDispatch, nullptr);
  EXPECT_EQ(TypeOf(e), L"UNVT_gone");
  EXPECT_EQ(e.InvokeMethod<std::wstring>(ombrel::DISPID_ELEM_TYPE, short(0)), L"");
  EXPECT_EQ(e.GetProperty<short>(ombrel::DISPID_ELEM_SUBFIELD_COUNT), 0);
  EXPECT_EQ(e.GetProperty<short>(ombrel::DISPID_ELEM_INDEX), 0);
  EXPECT_EQ(e.GetProperty<short>(ombrel::DISPID_ELEM_SELECTOR), 0);
  EXPECT_EQ(e.InvokeMethod<short>(ombrel::DISPID_ELEM_SUBINDEX_BY_NAME, std::wstring(L"x")), -1);
  EXPECT_EQ(e.InvokeMethod<short>(ombrel::DISPID_ELEM_LENGTH, short(-1)), 0);
  e.SetProperty(ombrel::DISPID_ELEM_MEASUREMENT, VT_BSTR, std::wstring(L"US"));
  EXPECT_EQ(e.GetProperty<std::wstring>(ombrel::DISPID_ELEM_MEASUREMENT), L"SI");
  CComVariant data = Bytes({1});
  CComVariant out;
  EXPECT_FALSE(e.InvokeMethod<bool>(ombrel::DISPID_ELEM_FORMAT_VT, static_cast<const VARIANT&>(data), short(1),
                                    short(VT_BSTR), static_cast<VARIANT*>(&out), short(-1)));
  double lo = 0, hi = 0;
  EXPECT_FALSE(e.InvokeMethod<bool>(ombrel::DISPID_ELEM_GET_BOUNDS, &lo, &hi, short(-1)));
}

}  // namespace
