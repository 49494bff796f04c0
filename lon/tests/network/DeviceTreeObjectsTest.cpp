// The device tree objects on the simulated network: the rows each shows in the properties pane,
// the edits each takes and what they send to the control, a selection's common rows, and the
// dialogs and sheets they open through the GUI links.
#include <algorithm>
#include <functional>
#include <memory>
#include <set>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/DeviceTreeObjects.h"
#include "lon/LonDeviceTreeObject.h"
#include "lon/NVTag.h"
#include "lon/tests/network/LonNetworkFixture.h"
#include "platform/com/ComVariant.h"

namespace lon_network_testing {
namespace {

// One line per row: "group/name = value", then " [id n]" for an editable row, " (off)" for a
// disabled one and the options' count for a choice.
std::vector<std::wstring> Rows(const CPropertyList& list) {
  std::vector<std::wstring> out;
  for (const auto& group : list) {
    for (const auto& row : group->m_children) {
      CComVariant text;
      std::wstring value = SUCCEEDED(VariantChangeType(&text, &row->m_value, 0, VT_BSTR)) && text.bstrVal
                               ? std::wstring(text.bstrVal)
                               : L"?";
      std::wstring line =
          std::wstring(group->m_strName.GetString()) + L"/" + row->m_strName.GetString() + L" = " + value;
      if (row->m_bEditable) line += L" [id " + std::to_wstring(row->m_nDataId) + L"]";
      if (!row->m_bEnabled) line += L" (off)";
      if (!row->m_options.empty()) line += L" {" + std::to_wstring(row->m_options.size()) + L" options}";
      out.push_back(line);
    }
  }
  return out;
}

std::vector<std::wstring> Rows(CDefaultObject& object) {
  CPropertyList list;
  object.FillProperties(list);
  return Rows(list);
}

class DeviceTreeObjectsTest : public LonNetworkTest {
 protected:
  explicit DeviceTreeObjectsTest(kestrum::testing::EnvironmentOptions options = {}) : LonNetworkTest(options) {}
  void SetUp() override {
    LonNetworkTest::SetUp();
    ASSERT_TRUE(OpenSimulated());
    manager->BuildDeviceTree(&tree, 1);
  }
  template <class T>
  T* Find(std::function<bool(T*)> match) {
    T* found = nullptr;
    std::function<void(CTreeObject*)> walk = [&](CTreeObject* object) {
      for (CTreeObject* child : object->m_children) {
        if (T* typed = dynamic_cast<T*>(child); typed && !found && match(typed)) found = typed;
        walk(child);
      }
    };
    walk(&tree);
    return found;
  }
  CNodeTreeObject* Node(const wchar_t* neuronId) {
    return Find<CNodeTreeObject>([&](CNodeTreeObject* o) { return o->m_pNode->GetNeuronId() == neuronId; });
  }
  CNvTreeObject* Nv(const wchar_t* id) {
    return Find<CNvTreeObject>([&](CNvTreeObject* o) { return o->m_pNV->GetItemID() == id; });
  }
  CCPTreeObject* Cp(const wchar_t* id) {
    return Find<CCPTreeObject>([&](CCPTreeObject* o) { return o->m_pCP->GetItemID() == id; });
  }
  CSubfieldTreeObject* Field(CDefaultObject* parent, const wchar_t* member) {
    for (CTreeObject* child : parent->m_children)
      if (child->GetName() == member) return static_cast<CSubfieldTreeObject*>(child);
    return nullptr;
  }

  CDefaultObject tree{L"Network"};
};

TEST_F(DeviceTreeObjectsTest, EachObjectShowsItsRows) {
  CNvTreeObject* setpoint = Nv(kSetpoint);
  ASSERT_NE(nullptr, setpoint);
  ASSERT_TRUE(CNVTag(setpoint->m_pNV, -1).Refresh(OPC_DS_DEVICE));  // so the time stamp is set
  CCPTreeObject* stateCp = Cp(L"4B.1.4.O1.1");
  ASSERT_NE(nullptr, stateCp);
  struct Case {
    const char* what;
    CDefaultObject* object;
    std::vector<std::wstring> rows;
  } cases[] = {
      {"node",
       Node(kRoomController),
       {L"Misc/Name = RC-00001", L"Misc/Location = Floor 1 Room 1", L"Misc/Program ID = 9FFFFF0501020A01",
        L"Misc/Neuron ID = 040000000001", L"Statistic/NVs count = 10", L"Statistic/LMOs count = 0", L"Domain 0/ID = 4B",
        L"Domain 0/Subnet = 1", L"Domain 0/Node = 1", L"Domain 1/ID = ", L"Domain 1/Subnet = 0", L"Domain 1/Node = 0",
        L"OPC Specifics/Is active = -1 [id 8]"}},
      {"block device", Node(L"040000000004"), {}},  // checked below for its block count only
      {"NV",
       setpoint,
       {L"Misc/Address = 4B.1.1.0", L"Misc/NV Name = nviSetpoint", L"Misc/Direction = Input",
        L"Misc/Type = SNVT_temp_p", L"Misc/Timestamp = 00:00:00.000 01/01/24", L"Misc/Description =  [id 1]",
        L"Misc/Cache timeout = 5000 [id 0]", L"Misc/Always use cache = 0 [id 2]", L"Misc/Monitor = -1 [id 3]",
        L"Misc/Datatype = Double [id 4] {16 options}", L"Misc/OPC unique ID = 4B.1.1.0 nviSetpoint [id 0]"}},
      {"output NV", Nv(kSpaceTemp), {}},
      {"CP",
       Cp(kNodeCp),
       {L"Misc/Address = 4B.1.1.11", L"Misc/Name = nciMaxSendTime", L"Misc/Type = SNVT_time_sec", L"Misc/Timestamp = ",
        L"Misc/Description =  [id 5]", L"Misc/Cache timeout = 5000 [id 6]",
        L"Misc/Datatype = Double [id 7] {16 options}", L"Misc/OPC unique ID = 4B.1.1.11 nciMaxSendTime [id 0]"}},
      {"NV field",
       Field(Nv(kOccupancy), L"state"),
       {L"Misc/Name = state", L"Misc/Datatype = Short [id 4] {16 options}",
        L"Misc/OPC unique ID = 4B.1.1.3 nviOccupancy__state"}},
      {"CP field",
       Field(stateCp, L"value"),
       {L"Misc/Name = value", L"Misc/Datatype = Double", L"Misc/OPC unique ID = 4B.1.4.O1.1 nciDefaultState__value"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(nullptr, c.object);
    std::vector<std::wstring> rows = Rows(*c.object);
    if (!c.rows.empty()) {
      EXPECT_EQ(c.rows, rows);
    }
  }
  EXPECT_EQ(L"Statistic/LMOs count = 3", Rows(*cases[1].object)[5]);
  EXPECT_EQ(L"Misc/Direction = Output", Rows(*cases[3].object)[2]);
}

TEST_F(DeviceTreeObjectsTest, EditsAreTakenOnlyWithTheirIdAndValueType) {
  CNvTreeObject* nv = Nv(kSetpoint);
  CCPTreeObject* cp = Cp(kNodeCp);
  CNodeTreeObject* node = Node(kRoomController);
  CCPTreeObject* stateCp = Cp(L"4B.1.4.O1.1");
  CSubfieldTreeObject* nvField = Field(Nv(kOccupancy), L"value");
  CSubfieldTreeObject* cpField = Field(stateCp, L"state");
  ASSERT_TRUE(nv && cp && node && nvField && cpField);
  COleDispatchDriver& nvObject = nv->m_pNV->m_dispatch;
  COleDispatchDriver& cpObject = cp->m_pCP->m_dispatch;
  auto nvLong = [&](DISPID id) { return nvObject.GetProperty<LONG>(id); };
  auto nvBool = [&](DISPID id) { return nvObject.GetProperty<bool>(id); };
  auto nvType = [&](short field) {
    return nvField->m_pNV->m_dispatch.GetPropertyWithParams<USHORT>(kestrum::nv::kFieldType, field);
  };
  auto cpType = [&](CConfigProperty* p, short field) {
    return p->m_dispatch.GetPropertyWithParams<USHORT>(kestrum::cp::kFieldType, field);
  };
  struct Case {
    const char* what;
    CDefaultObject* object;
    int id;
    CComVariant value;
    bool taken;
    std::function<bool()> check;  // what the control holds afterwards
  } cases[] = {
      {"NV cache timeout", nv, 0, CComVariant(LONG{2500}), true,
       [&] { return nvLong(kestrum::nv::kCacheTimeout) == 2500; }},
      {"NV cache timeout as text", nv, 0, CComVariant(L"5000"), false,
       [&] { return nvLong(kestrum::nv::kCacheTimeout) == 2500; }},
      {"NV description", nv, 1, CComVariant(L"Room setpoint"), true,
       [&] { return nv->m_pNV->GetDescription() == L"Room setpoint"; }},
      {"NV always use cache", nv, 2, CComVariant(true), true, [&] { return nvBool(kestrum::nv::kAlwaysUseCache); }},
      {"NV monitor", nv, 3, CComVariant(false), true, [&] { return !nvBool(kestrum::nv::kMonitored); }},
      {"NV monitor as a number", nv, 3, CComVariant(LONG{1}), false, [&] { return !nvBool(kestrum::nv::kMonitored); }},
      {"NV data type", nv, 4, CComVariant(L"Float"), true,
       [&] { return nvObject.GetPropertyWithParams<USHORT>(kestrum::nv::kFieldType, short(-1)) == VT_R4; }},
      {"NV data type not in the table", nv, 4, CComVariant(L"float"), true,  // the type's own again
       [&] { return nvObject.GetPropertyWithParams<USHORT>(kestrum::nv::kFieldType, short(-1)) == VT_R8; }},
      {"NV unknown id", nv, 9, CComVariant(LONG{1}), false, [] { return true; }},
      {"CP description", cp, 5, CComVariant(L"send time"), true,
       [&] { return cp->m_pCP->GetDescription() == L"send time"; }},
      {"CP cache timeout", cp, 6, CComVariant(LONG{700}), true,
       [&] { return cpObject.GetProperty<LONG>(kestrum::cp::kCacheTimeout) == 700; }},
      {"CP data type", cp, 7, CComVariant(L"Long"), true, [&] { return cpType(cp->m_pCP, -1) == VT_I4; }},
      {"CP an NV's id", cp, 0, CComVariant(LONG{1}), false,
       [&] { return cpObject.GetProperty<LONG>(kestrum::cp::kCacheTimeout) == 700; }},
      {"node active", node, 8, CComVariant(false), true,
       [&] { return !node->m_pNode->m_dispatch.GetProperty<bool>(kestrum::node::kActive); }},
      {"node active as a number", node, 8, CComVariant(LONG{-1}), false,
       [&] { return !node->m_pNode->m_dispatch.GetProperty<bool>(kestrum::node::kActive); }},
      {"NV field data type", nvField, 4, CComVariant(L"Long"), true, [&] { return nvType(0) == VT_I4; }},
      {"CP field data type", cpField, 4, CComVariant(L"Double"), true,
       [&] { return cpType(stateCp->m_pCP, 1) == VT_R8; }},
      {"field, other id", nvField, 7, CComVariant(L"Long"), false, [] { return true; }},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    COleVariant value(c.value);
    EXPECT_EQ(c.taken, c.object->OnPropertyChanged(c.id, value));
    EXPECT_TRUE(c.check());
  }
  // A description becomes the NV's OPC item ID.
  EXPECT_EQ(L"Misc/OPC unique ID = Room setpoint [id 0]", Rows(*nv).back());
}

TEST_F(DeviceTreeObjectsTest, ASelectionOfOneKindSharesTheFirstObjectsSettings) {
  CNvTreeObject* setpoint = Nv(kSetpoint);
  CNvTreeObject* space = Nv(kSpaceTemp);
  CCPTreeObject* cp = Cp(kNodeCp);
  CCPTreeObject* nvCp = Cp(kBlockCp);
  ASSERT_TRUE(setpoint && space && cp && nvCp);
  space->m_pNV->m_dispatch.SetProperty(kestrum::nv::kCacheTimeout, VT_I4, LONG{1234});
  LONG firstTimeout = setpoint->m_pNV->m_dispatch.GetProperty<LONG>(kestrum::nv::kCacheTimeout);
  ASSERT_NE(1234, firstTimeout);

  struct Case {
    const char* what;
    std::vector<CTreeObject*> selection;  // in the order of selection
    std::vector<std::wstring> rows;
  } cases[] = {
      {"NVs",
       {setpoint, space},
       {L"Misc/Address = ", L"Misc/NV Name = ", L"Misc/Direction = ", L"Misc/Type = ", L"Misc/Timestamp = ",
        L"Misc/Description = ", L"Misc/Cache timeout = " + std::to_wstring(firstTimeout) + L" [id 0]",
        L"Misc/Always use cache = 0 [id 2]", L"Misc/Monitor = -1 [id 3]",
        L"Misc/Datatype = Double [id 4] {16 options}"}},
      {"NVs, the other one selected first",
       {space, setpoint},
       {L"Misc/Address = ", L"Misc/NV Name = ", L"Misc/Direction = ", L"Misc/Type = ", L"Misc/Timestamp = ",
        L"Misc/Description = ", L"Misc/Cache timeout = 1234 [id 0]", L"Misc/Always use cache = 0 [id 2]",
        L"Misc/Monitor = -1 [id 3]", L"Misc/Datatype = Double [id 4] {16 options}"}},
      {"CPs",
       {cp, nvCp},
       {L"Misc/Address = ", L"Misc/Name = ", L"Misc/Type = ", L"Misc/Timestamp = ", L"Misc/Description = ",
        L"Misc/Cache timeout = 5000 [id 6]", L"Misc/Datatype = Double [id 7] {16 options}"}},
      {"CPs, the other one selected first",
       {nvCp, cp},
       {L"Misc/Address = ", L"Misc/Name = ", L"Misc/Type = ", L"Misc/Timestamp = ", L"Misc/Description = ",
        L"Misc/Cache timeout = 5000 [id 6]", L"Misc/Datatype = String [id 7] {16 options}"}},
      {"one NV", {setpoint}, {}},
      {"mixed", {setpoint, cp}, {}},
      {"nodes", {Node(kRoomController)}, {}},
      {"nothing", {}, {}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    CPropertyList list;
    FillSelectionProperties(c.selection, list);
    if (std::string(c.what) == "one NV") {
      EXPECT_EQ(10u, Rows(list).size());
      continue;
    }
    EXPECT_EQ(c.rows, Rows(list));
  }
}

TEST_F(DeviceTreeObjectsTest, TheTagDialogWritesAllFourSettingsOnlyWhenOneChanged) {
  CNvTreeObject* nv = Nv(kSetpoint);
  ASSERT_NE(nullptr, nv);
  auto puts = [&] {
    LONG n = 0;
    for (DISPID id :
         {kestrum::nv::kCacheTimeout, kestrum::nv::kDescription, kestrum::nv::kFieldType, kestrum::nv::kAlwaysUseCache})
      n += Calls(kestrum::kObjNv, kSetpoint, id);
    return n;
  };
  struct Case {
    const char* what;
    int result;
    std::function<void(CTagProperties&)> edit;
    LONG calls;  // to the four settings while and after the dialog
  } cases[] = {
      {"OK without a change", IDOK, [](CTagProperties&) {}, 0},
      {"cancelled with a change", IDCANCEL, [](CTagProperties& r) { r.m_nCacheTimeout = 1; }, 0},
      {"OK with one change", IDOK, [](CTagProperties& r) { r.m_strDescription = L"Setpoint"; }, 4},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    CTagProperties shown;
    gui.tagDialog = [&](CTagProperties& record) {
      shown = record;
      sim->ResetCalls();  // what the dialog was filled with was read before
      c.edit(record);
      return c.result;
    };
    EXPECT_EQ(c.result, nv->ShowProperties());
    EXPECT_EQ(c.calls, puts());
  }
  EXPECT_EQ(L"Setpoint", nv->m_pNV->GetDescription());
  EXPECT_EQ(5000, nv->m_pNV->m_dispatch.GetProperty<LONG>(kestrum::nv::kCacheTimeout));
  EXPECT_EQ(std::vector<CString>(3, L"tag dialog 4B.1.1.0"), gui.calls);

  // The other objects show the properties pane.
  gui.calls.clear();
  EXPECT_EQ(2, Cp(kNodeCp)->ShowProperties());
  EXPECT_EQ(2, Node(kRoomController)->ShowProperties());
  EXPECT_EQ(std::vector<CString>(2, L"properties pane"), gui.calls);
}

TEST_F(DeviceTreeObjectsTest, StatusSheetAndReplaceNode) {
  CNodeTreeObject* node = Node(kRoomController);
  ASSERT_NE(nullptr, node);
  node->ShowStatus();
  EXPECT_EQ(std::vector<CString>{L"node sheet Node '040000000001'"}, gui.calls);

  gui.calls.clear();
  gui.replaceNeuronId = L"0400000000AA";
  node->ReplaceNode();  // cancelled
  EXPECT_EQ(L"040000000001", node->m_pNode->GetNeuronId());
  gui.replaceResult = IDOK;
  ASSERT_EQ(S_OK, sim->FailCall(kestrum::kObjNode, kRoomController, kestrum::node::kReplace, L"Device busy", 1));
  node->ReplaceNode();  // shown and swallowed
  EXPECT_EQ(std::vector<CString>{L"Device busy"}, env.Prompts().Texts());
  node->ReplaceNode();
  EXPECT_EQ(L"0400000000AA", node->m_pNode->GetNeuronId());
  EXPECT_EQ(std::vector<CString>(3, L"replace node"), gui.calls);
}

TEST_F(DeviceTreeObjectsTest, FieldObjectsAndStatusTexts) {
  CNvTreeObject* occupancy = Nv(kOccupancy);
  ASSERT_NE(nullptr, occupancy);
  EXPECT_EQ(nullptr, CSubfieldTreeObject::Create(occupancy->m_pNV, static_cast<short>(0x8000)));
  EXPECT_EQ(nullptr, CSubfieldTreeObject::Create(static_cast<CNetworkVariable*>(nullptr), 0));
  EXPECT_EQ(nullptr, CNodeTreeObject::Create(nullptr));
  CSubfieldTreeObject* value = Field(occupancy, L"value");
  ASSERT_NE(nullptr, value);
  struct Case {
    LONG status;
    const wchar_t* whole;
    const wchar_t* field;
  } cases[] = {{kestrum::kStatusGood, L"0.0 0", L"0.0"},
               {kestrum::kStatusUncertain, L"Uncertain", L"VQ_UNCERTAIN"},
               {kestrum::kStatusOffline, L"Bad", L"Bad"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    ASSERT_EQ(S_OK, sim->SetValueStatus(kOccupancy, c.status));
    CNVTag(occupancy->m_pNV, -1).Refresh(OPC_DS_DEVICE);
    EXPECT_EQ(std::wstring(c.whole), occupancy->GetValueText().GetString());
    EXPECT_EQ(std::wstring(c.field), value->GetValueText().GetString());
  }
}

TEST_F(DeviceTreeObjectsTest, TheRootIsNamedByTheDocumentAndOpensItsDeviceProperties) {
  CLonDeviceTreeObject root;
  EXPECT_EQ(L"Project", root.GetName());
  EXPECT_EQ(IDCANCEL, root.ShowProperties());
  EXPECT_EQ(std::vector<CString>{L"device properties"}, gui.calls);
  CScopedLonHost none(nullptr);  // no document open
  EXPECT_EQ(L"", root.GetName());
  EXPECT_EQ(2, root.ShowProperties());
  EXPECT_EQ(1u, gui.calls.size());
}

class RouterObjectTest : public DeviceTreeObjectsTest {
 protected:
  RouterObjectTest() : DeviceTreeObjectsTest(Options()) {}
  static kestrum::testing::EnvironmentOptions Options() {
    kestrum::testing::EnvironmentOptions options;
    options.devices = 50;  // a router comes after the 50th device
    options.newDevices = 0;
    return options;
  }
};

TEST_F(RouterObjectTest, ARouterHasRouterWordingAndTwoSidePages) {
  CNodeTreeObject* router = Find<CNodeTreeObject>([](CNodeTreeObject* o) { return o->m_pNode->IsRouter(); });
  ASSERT_NE(nullptr, router);
  EXPECT_EQ(TreeObjectRouter, router->GetType());
  std::vector<std::wstring> rows = Rows(*router);
  ASSERT_GE(rows.size(), 5u);
  EXPECT_EQ(L"Statistic/NVs count = 0", rows[4]);
  for (const std::wstring& row : rows) EXPECT_EQ(std::wstring::npos, row.find(L"LMOs count"));
  CPropertyList list;
  router->FillProperties(list);
  EXPECT_EQ(L"Name of the router", list.front()->m_children.front()->m_strDescription);
  router->ShowStatus();
  ASSERT_EQ(1u, gui.calls.size());
  EXPECT_EQ(L"router sheet Router '" + router->m_pNode->GetNeuronId() + L"': Near side, Far side", gui.calls[0]);
}

}  // namespace
}  // namespace lon_network_testing
