#include <gtest/gtest.h>

#include <climits>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/DataTypeNames.h"
#include "lon/LonDispatch.h"
#include "lon/LonGuiLinks.h"
#include "lon/NodeTreeObject.h"
#include "lon/NvTreeObject.h"
#include "lon/testing/FakeLonObject.h"
#include "platform/com/ComBSTR.h"
#include "platform/win32/Profile.h"
#include "views/models/DeviceDialogModel.h"
#include "views/models/MultiSetDlgModel.h"
#include "views/models/ReplaceNodeModel.h"
#include "views/models/ScanWindowModel.h"
#include "views/models/TagDialogModel.h"
#include "views/models/WaitOnServicePinModel.h"
#include "views/models/tests/ConfigFixture.h"

namespace {

class DialogModelsTest : public ConfigFixture {
 protected:
  int Count(kestrum::ObjectKind kind, const wchar_t* key, DISPID id) {
    LONG count = 0;
    m_simulation->GetCallCount(kind, key, id, &count);
    return count;
  }
};

TEST(DeviceDialogDomainTest, DomainIdsOfTwoSixOrTwelveHexDigitsOrEmpty) {
  struct Case {
    const wchar_t* text;
    bool valid;
  };
  const Case cases[] = {{L"", true},         {L"4b", true},          {L"4B", true},  {L"0a0B0c", true},
                        {L"0123456789aB", true}, {L"4", false},      {L"4B1", false}, {L"4G", false},
                        {L"0123456789", false},  {L"0123456789abc", false}};
  for (const Case& each : cases) EXPECT_EQ(each.valid, CDeviceDialogModel::IsDomainTextValid(each.text)) << each.text;
}

// Each text either gives its number or is refused with the range's message; a long input stops
// at the first digit that leaves the range (no overflow on the way).
TEST_F(DialogModelsTest, RangedIntegersTakeOnlyNumbersInTheirRange) {
  struct Case {
    const wchar_t* text;
    long long low, high;
    bool accepted;
    long long value;
  } cases[] = {
      {L"127", 0, 127, true, 127},
      {L" +5 ", 0, 127, true, 5},
      {L"128", 0, 127, false, 0},
      {L"-0", 0, 127, true, 0},
      {L"-1", 0, 127, false, 0},
      {L"12345678901234567890123456", 0, 2147483647, false, 0},
      {L"-12345678901234567890123456", 0, 2147483647, false, 0},
      {L"99999999999999999999999999", LLONG_MIN, LLONG_MAX, false, 0},
      {L"9223372036854775807", LLONG_MIN, LLONG_MAX, true, LLONG_MAX},
      {L"-9223372036854775808", LLONG_MIN, LLONG_MAX, true, LLONG_MIN},
      {L"9223372036854775808", LLONG_MIN, LLONG_MAX, false, 0},
      {L"2147483648", 0, 2147483647, false, 0},
      {L"-40", -50, 50, true, -40},
      {L"12a", 0, 127, false, 0},
      {L"", 0, 127, false, 0},
      {L"-", 0, 127, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "text " << std::wstring(c.text).size() << " long: " << c.text);
    const size_t boxes = m_boxes->Texts().size();
    long long value = -7;
    EXPECT_EQ(c.accepted, ExchangeRangedInt(c.text, c.low, c.high, value));
    EXPECT_EQ(c.accepted ? c.value : -7, value);
    EXPECT_EQ(boxes + (c.accepted ? 0u : 1u), m_boxes->Texts().size());
  }
}

TEST_F(DialogModelsTest, DeviceDialogChecksRangesAndDomainsBeforeItWritesTheRecord) {
  CDeviceDialogRecord record;
  record.m_strName = L"Plant";
  CDeviceDialogModel dialog(record, nullptr);
  dialog.OnInitDialog();
  EXPECT_EQ(CString(L"5000"), dialog.m_strCacheTimeout);  // no document

  dialog.m_strNode0 = L"128";
  EXPECT_FALSE(dialog.OnOK());
  dialog.m_strNode0 = L"127";
  dialog.m_strSubnet0 = L"255";
  dialog.m_strDomain0 = L"4B1";
  EXPECT_FALSE(dialog.OnOK());
  dialog.m_strDomain0 = L"4b";
  dialog.m_strDomain1 = L"xy";
  EXPECT_FALSE(dialog.OnOK());
  ASSERT_EQ(3u, m_boxes->Texts().size());
  EXPECT_EQ(CString(L"Please enter an integer between 0 and 127."), m_boxes->Texts()[0]);
  EXPECT_EQ(CString(L"Domain0 must be hexadecimal: 1, 3, 6"), m_boxes->Texts()[1]);
  EXPECT_EQ(CString(L"Domain1 must be hexadecimal: 1, 3, 6"), m_boxes->Texts()[2]);
  EXPECT_EQ(CString(), record.m_domains[0].GetDomain().ToHexText());

  dialog.m_strDomain1 = L"";
  dialog.m_strName = L"Hall";
  EXPECT_TRUE(dialog.OnOK());
  EXPECT_EQ(CString(L"Hall"), record.m_strName);
  EXPECT_EQ(CString(L"4B"), record.m_domains[0].GetDomain().ToHexText());
  EXPECT_EQ(255, record.m_domains[0].m_subnet);
  EXPECT_EQ(127, record.m_domains[0].m_node);
}

TEST_F(DialogModelsTest, InitAllAsksFirstAndSetsTheControlsDefaultTimeout) {
  Start();
  CDeviceDialogRecord record;
  CDeviceDialogModel dialog(record, m_doc.get());
  dialog.OnInitDialog();
  dialog.m_strCacheTimeout = L"1234";
  m_boxes->Answer({IDNO, IDYES});
  dialog.OnInitAll();
  EXPECT_NE(1234, m_doc->m_control.GetProperty<LONG>(kestrum::ctl::kDefaultCacheTimeout));
  dialog.OnInitAll();
  EXPECT_EQ(1234, m_doc->m_control.GetProperty<LONG>(kestrum::ctl::kDefaultCacheTimeout));
}

TEST(TagDialogModelTest, ATypeOutsideTheTableStaysUnlessOneIsPickedAndNoChangeGivesTheSameRecord) {
  CTagProperties record{L"a.b.c", L"text", false, 0x4242, 300};
  CTagDialogModel dialog(record);
  dialog.OnInitDialog();
  EXPECT_EQ(GetDataTypeNameList(), dialog.m_dataTypeNames);
  EXPECT_TRUE(dialog.IsCacheTimeoutEnabled());
  ASSERT_TRUE(dialog.OnOK());
  EXPECT_EQ(record, dialog.GetTagProperties());

  dialog.m_bAlwaysUseCache = true;
  EXPECT_FALSE(dialog.IsCacheTimeoutEnabled());
  dialog.m_strDataType = GetDataTypeNames()[1].name;
  dialog.m_strCacheTimeout = L"-1";
  EXPECT_FALSE(dialog.OnOK());
  dialog.m_strCacheTimeout = L"2147483647";
  ASSERT_TRUE(dialog.OnOK());
  EXPECT_EQ(GetDataTypeNames()[1].vt, dialog.GetTagProperties().m_vtCanonical);
  EXPECT_EQ(2147483647, dialog.GetTagProperties().m_nCacheTimeout);
}

class MultiSetDlgModelTest : public ConfigFixture {
 protected:
  void SetUp() override {
    ConfigFixture::SetUp();
    m_profile.SetRegistryKey(L"Norvane GmbH");
    AfxSetRegistryProfile(&m_profile);
  }
  void TearDown() override {
    AfxSetRegistryProfile(nullptr);
    ConfigFixture::TearDown();
  }
  CNetworkVariable* Nv() {
    auto* object = CNvTreeObject::FromObject(Find(TreeObjectNV));
    return object != nullptr ? object->m_pNV : nullptr;
  }
  CString Log() {
    CComBSTR log;
    m_simulation->GetCallLog(&log);
    return CString(log.m_str);
  }
  CRegistryProfile m_profile{L"Tessaly"};
};

TEST_F(MultiSetDlgModelTest, ApplyWritesTheTickedChoicesAndTheScopesIntoTheSettingsObject) {
  Start();
  CNetworkVariable* nv = Nv();
  ASSERT_NE(nullptr, nv);
  struct Case {
    bool cacheUse, dataType, timeout, monitoring;
    int tagScope, nodeScope;
    bool location, programId;
    const wchar_t* log;
  };
  const Case cases[] = {
      {false, true, true, false, 0, 0, true, true, L"multisetting  put 1\nmultisetting  put 2\nmultisetting  method 5\nmultisetting  put 8\n"},
      {true, false, false, true, 1, 1, false, true, L"multisetting  put 3\nmultisetting  put 4\nmultisetting  put 6\nmultisetting  put 10\n"},
      {false, false, true, false, 2, 1, true, false, L"multisetting  put 2\nmultisetting  put 7\nmultisetting  put 11\n"},
      {false, false, true, false, 2, 1, false, false, L"multisetting  put 2\nmultisetting  put 7\n"},
  };
  for (const Case& each : cases) {
    CMultiSetDlgModel dialog(nv);
    dialog.OnInitDialog();
    dialog.m_bApplyCacheUse = each.cacheUse;
    dialog.m_bApplyDataType = each.dataType;
    dialog.m_bApplyCacheTimeout = each.timeout;
    dialog.m_bApplyMonitoring = each.monitoring;
    dialog.m_nTagScope = each.tagScope;
    dialog.m_nNodeScope = each.nodeScope;
    dialog.m_bFromThisLocation = each.location;
    dialog.m_bWithThisProgramId = each.programId;
    COleDispatchDriver settings = lon_dispatch::GetObject(m_doc->m_control, kestrum::ctl::kMultiSetting);
    m_simulation->RecordCalls(TRUE);
    m_simulation->ResetCalls();
    dialog.ApplyTo(settings);
    // Only the settings object's lines.
    CString lines;
    CString log = Log();
    int start = 0;
    while (start < log.GetLength()) {
      int end = log.Find(L'\n', start);
      if (end < 0) end = log.GetLength();
      CString line = log.Mid(start, end - start);
      if (line.Left(13) == L"multisetting ") lines += line + L"\n";
      start = end + 1;
    }
    EXPECT_STREQ(each.log, lines.GetString()) << each.tagScope << each.nodeScope;
  }
  // "with this program ID" sends the node's program ID.
  CFakeLonObject fake;
  for (DISPID id = 1; id <= 11; ++id) fake.SetProp(id, FakeLong(0));
  COleDispatchDriver settings(fake.GetIDispatch(TRUE), TRUE);
  CMultiSetDlgModel dialog(nv);
  dialog.OnInitDialog();
  dialog.m_nNodeScope = CMultiSetDlgModel::AllNodes;
  dialog.m_nTagScope = CMultiSetDlgModel::TagsOfName;
  dialog.m_bWithThisProgramId = true;
  dialog.ApplyTo(settings);
  EXPECT_EQ(nv->m_pNode->GetProgramId(), CString(fake.GetProp(kestrum::ms::kProgramIdScope).bstrVal));
  settings.ReleaseDispatch();
  fake.ClearProps();
}

TEST_F(MultiSetDlgModelTest, OkNeedsAnApplyBoxAndClosingKeepsOnlyTheChoicesClamped) {
  Start();
  CNetworkVariable* nv = Nv();
  ASSERT_NE(nullptr, nv);
  {
    CMultiSetDlgModel dialog(nv);
    dialog.OnInitDialog();
    EXPECT_TRUE(dialog.IsOkEnabled());
    EXPECT_FALSE(dialog.AreNodeFiltersEnabled());
    dialog.m_bApplyDataType = dialog.m_bApplyCacheTimeout = false;
    EXPECT_FALSE(dialog.IsOkEnabled());
    dialog.m_bApplyMonitoring = true;
    dialog.m_nNodeScope = CMultiSetDlgModel::AllNodes;
    dialog.m_nCacheTimeout = 1;
    EXPECT_TRUE(dialog.AreNodeFiltersEnabled());
    dialog.OnDestroy();  // Cancel stores the choices too
  }
  CMultiSetDlgModel again(nv);
  again.OnInitDialog();
  EXPECT_FALSE(again.m_bApplyDataType);
  EXPECT_TRUE(again.m_bApplyMonitoring);
  EXPECT_EQ(CMultiSetDlgModel::AllNodes, again.m_nNodeScope);
  EXPECT_EQ(lon_dispatch::GetLong(nv->m_dispatch, kestrum::nv::kCacheTimeout), again.m_nCacheTimeout);

  std::vector<BYTE> stored(32, 0);
  stored[16] = 9;     // tag scope 9
  stored[20] = 0xFF;  // node scope -1
  stored[21] = stored[22] = stored[23] = 0xFF;
  m_profile.WriteProfileBinary(L"CMultiSetDlg", L"BaseSetting", stored.data(), 32);
  CMultiSetDlgModel clamped(nv);
  clamped.OnInitDialog();
  EXPECT_EQ(CMultiSetDlgModel::TagsOfName, clamped.m_nTagScope);
  EXPECT_EQ(CMultiSetDlgModel::ThisNode, clamped.m_nNodeScope);
}

TEST_F(DialogModelsTest, TheFirstServicePinEndsTheWaitAndReportingIsOnOnlyWhileTheDialogIs) {
  Start();
  std::vector<int> ends;
  auto reporting = [&] { return m_doc->m_control.GetProperty<bool>(kestrum::ctl::kServicePinReporting); };
  {
    CWaitOnServicePinModel wait(m_doc.get(), [&](int result) { ends.push_back(result); });
    wait.OnInitDialog();
    EXPECT_TRUE(reporting());
    m_simulation->PressServicePin(L"040000000002");
    m_simulation->PressServicePin(L"040000000003");
    Pump();
    EXPECT_EQ(std::vector<int>{IDOK}, ends);
    EXPECT_EQ(CString(L"040000000002"), wait.GetNeuronId());
    wait.OnDestroy();
    EXPECT_FALSE(reporting());
  }
  // A dialog that outlives the document's sink detaches without touching it.
  auto wait = std::make_unique<CWaitOnServicePinModel>(m_doc.get(), nullptr);
  m_doc->RemoveView(&m_view);
  m_doc.reset();
  wait.reset();
}

// The replace dialog as the program runs it: its wait is the service-pin dialog on the document,
// ended by a service pin pressed on the wire; the device then takes that Neuron ID.
class CReplaceByServicePin : public CLonGuiLinks {
 public:
  CReplaceByServicePin(CDoc* doc, std::function<void()> pressPin) : m_pDoc(doc), m_pressPin(std::move(pressPin)) {}
  std::unique_ptr<CScanWindowLink> CreateScanWindow() override { return nullptr; }
  void ShowPropertiesPane() override {}
  int ShowDeviceProperties() override { return IDCANCEL; }
  int RunTagDialog(CTagProperties&) override { return IDCANCEL; }
  int RunReplaceNodeDialog(CString& neuronId) override {
    CReplaceNodeModel dialog([this](CString& id) {
      int result = IDCANCEL;
      CWaitOnServicePinModel wait(m_pDoc, [&](int ended) { result = ended; });
      wait.OnInitDialog();
      m_pressPin();
      id = wait.GetNeuronId();
      wait.OnDestroy();
      return result;
    });
    if (!dialog.OnOK()) return IDCANCEL;
    neuronId = dialog.GetNeuronId();
    return IDOK;
  }
  void ShowNodeStatusSheet(const CString&, IDispatch*) override {}
  void ShowRouterStatusSheet(const CString&, const CString&, IDispatch*, const CString&, IDispatch*) override {}

 private:
  CDoc* m_pDoc;
  std::function<void()> m_pressPin;
};

// The service pin pressed reaches the device's replace call. The network control refuses a
// Neuron ID it knows already (the stand-in counts a device on the wire not yet uploaded as known),
// and the view shows why and keeps the device as it was.
TEST_F(DialogModelsTest, ReplaceSendsTheNeuronIdOfTheServicePinPressed) {
  Start();
  auto* node = CNodeTreeObject::FromObject(Find(TreeObjectNode, [](CDefaultObject* object) {
    auto* typed = CNodeTreeObject::FromObject(object);
    return typed->m_pNode->GetNeuronId() == L"040000000002";
  }));
  ASSERT_NE(nullptr, node);
  CReplaceByServicePin links(m_doc.get(), [&] {
    m_simulation->PressServicePin(L"040000000005");  // a device on the wire, not in the project
    Pump();
  });
  CScopedLonGuiLinks scope(&links);
  m_simulation->RecordCalls(TRUE);
  m_simulation->ResetCalls();
  node->ReplaceNode();
  EXPECT_EQ(1, Count(kestrum::kObjNode, L"040000000002", kestrum::node::kReplace));
  EXPECT_EQ(std::vector<CString>{L"The Neuron ID 040000000005 belongs to another device."}, m_boxes->Texts());
  EXPECT_EQ(CString(L"040000000002"), node->m_pNode->GetNeuronId());

  // Without a pin the wait is cancelled and nothing is sent.
  CReplaceByServicePin noPin(m_doc.get(), [] {});
  CScopedLonGuiLinks noPinScope(&noPin);
  node->ReplaceNode();
  EXPECT_EQ(1, Count(kestrum::kObjNode, L"040000000002", kestrum::node::kReplace));
}

TEST(ReplaceNodeModelTest, ATypedIdMustBeANeuronIdAndACancelledWaitKeepsTheDialog) {
  auto boxes = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter scope(boxes);
  int answer = IDCANCEL;
  CReplaceNodeModel dialog([&](CString& id) {
    id = L"04000000000A";
    return answer;
  });
  EXPECT_FALSE(dialog.IsIdEnabled());
  EXPECT_FALSE(dialog.OnOK());  // the wait was cancelled
  EXPECT_EQ(CString(), dialog.GetNeuronId());
  EXPECT_EQ(CReplaceNodeModel::ServicePin, dialog.m_nMode);
  answer = IDOK;
  EXPECT_TRUE(dialog.OnOK());
  EXPECT_EQ(CString(L"04000000000A"), dialog.GetNeuronId());

  dialog.m_nMode = CReplaceNodeModel::Manual;
  EXPECT_TRUE(dialog.IsIdEnabled());
  for (const wchar_t* bad : {L"", L"04000000000", L"04000000000G"}) {
    dialog.m_strNeuronId = bad;
    EXPECT_FALSE(dialog.OnOK()) << bad;
  }
  EXPECT_EQ(3u, boxes->Texts().size());
  dialog.m_strNeuronId = L" 04000000000b ";
  EXPECT_TRUE(dialog.OnOK());
  EXPECT_EQ(CString(L"04000000000b"), dialog.GetNeuronId());
}

TEST(ScanWindowModelTest, TheWindowShowsOnceAndAnEmptyDomainClearsTheNodeLine) {
  int shown = 0;
  CScanWindowModel scan([&] { ++shown; });
  scan.SetNode(L"040000000001", 1, 4);
  EXPECT_EQ(CString(L"Neuron ID: 040000000001    Node 1 of 4"), scan.GetNodeLine());
  scan.SetDomain(L"");
  EXPECT_EQ(CString(L"Domain: <empty>"), scan.GetDomainLine());
  EXPECT_EQ(CString(), scan.GetNodeLine());
  scan.SetDomain(L"4B");
  EXPECT_EQ(CString(L"Domain: 4B"), scan.GetDomainLine());
  EXPECT_EQ(1, shown);
}

}  // namespace
