// The OPC diagnostics tree's objects: adding and finding by key, and the rows each fills from a
// fresh copy of its statistics record.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/Conversions.h"
#include "foundation/KxModuleVersion.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/OpcServerPropertiesManager.h"
#include "project/OPCDiagRootObject.h"
#include "project/OPCGroupTreeObject.h"
#include "project/OPCItemTreeObject.h"
#include "project/OPCServerTreeObject.h"

namespace {

CString ValueText(const COleVariant& value) {
  CString text;
  switch (value.vt) {
    case VT_BSTR: return CString(value.bstrVal);
    case VT_I4: text.Format(L"%d", value.lVal); return text;
    case VT_BOOL: return value.boolVal ? L"true" : L"false";
    case VT_R4: text.Format(L"%g", static_cast<double>(value.fltVal)); return text;
    default: return L"?";
  }
}

// "group/name=value" for every row, in order.
std::vector<std::wstring> Rows(CDefaultObject& object) {
  CPropertyList list;
  object.FillProperties(list);
  std::vector<std::wstring> rows;
  for (const auto& group : list) {
    if (group->m_children.empty()) rows.push_back(group->m_strName.GetString() + std::wstring(L"/"));
    for (const auto& row : group->m_children)
      rows.push_back(std::wstring(group->m_strName.GetString()) + L"/" + row->m_strName.GetString() + L"=" +
                     ValueText(row->m_value).GetString());
  }
  return rows;
}

// A server record with one group record, registered as the OPC objects would.
struct LiveRecords {
  LiveRecords() {
    server.m_info.m_strName = L"Client A";
    server.m_info.m_dwLCID = 0x800;
    group.m_info.m_strName = L"G1";
    group.m_info.m_dwUpdateRate = 1000;
    group.m_info.m_fDeadband = 2.5f;
    GetOPCToolkitManager().AddServer(&server);
    GetOPCToolkitManager().AttachGroup(&server, &group);
  }
  ~LiveRecords() {
    GetOPCToolkitManager().DetachGroup(&group);
    GetOPCToolkitManager().RemoveServer(&server);
  }
  CServerInfo ServerInfo() { return server.GetCopy(); }
  CGroupInfo GroupInfo() { return group.GetCopy(); }
  CSpyOPCServer server;
  CSpyOPCGroup group;
};

}  // namespace

TEST(DiagTreeTest, ObjectsAreAddedAndFoundByKeyOnlyWhereTheyBelong) {
  LiveRecords live;
  COPCDiagRootObject root;
  CGroupInfo orphan = live.GroupInfo();
  orphan.m_dwServerKey = live.server.m_dwKey + 1000;
  EXPECT_EQ(nullptr, root.AddGroup(orphan)) << "no server object yet";
  EXPECT_TRUE(root.m_children.empty());

  CSpyOPCServer gone;  // never registered: its client went before the event was handled
  CServerInfo goneInfo = gone.GetCopy();
  EXPECT_EQ(nullptr, root.AddServer(goneInfo));

  COPCServerTreeObject* server = root.AddServer(live.ServerInfo());
  ASSERT_NE(nullptr, server);
  EXPECT_EQ(CString(L"Client A"), server->GetName());
  EXPECT_EQ(server, root.FindServer(live.server.m_dwKey));
  COPCGroupTreeObject* group = root.AddGroup(live.GroupInfo());
  ASSERT_NE(nullptr, group);
  EXPECT_EQ(server, group->m_pParent);
  EXPECT_EQ(group, root.FindGroup(live.group.m_dwKey));
  EXPECT_EQ(group, AsGroupTreeObject(group));
  EXPECT_EQ(nullptr, AsGroupTreeObject(server));
  EXPECT_EQ(nullptr, AsGroupTreeObject(nullptr));

  // A group object at the root's own level is no server's group.
  root.AddChild(new COPCGroupTreeObject(L"Stray", 4242));
  EXPECT_EQ(nullptr, root.FindGroup(4242));
  EXPECT_EQ(nullptr, root.FindServer(4242));
}

TEST(DiagTreeTest, RootServerAndGroupRowsComeFromTheLiveRecords) {
  LiveRecords live;
  COPCDiagRootObject root;
  COPCServerTreeObject* server = root.AddServer(live.ServerInfo());
  root.AddGroup(live.GroupInfo());

  const std::wstring banner = std::wstring(L"Misc/Name=") + FormatDiagBanner().GetString();
  EXPECT_EQ(-1, FormatDiagBanner().Find(L'\n')) << "one line";
  EXPECT_NE(-1, FormatDiagBanner().Find(GetProductVersionText()));
  EXPECT_EQ((std::vector<std::wstring>{banner, L"Misc/Servers count=1"}), Rows(root)) << "no start time without a server";
  COpcServerPropertiesManager properties;
  g_pOpcServerProperties = &properties;
  std::vector<std::wstring> rows = Rows(root);
  g_pOpcServerProperties = nullptr;
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ(std::wstring(L"Misc/Start time=") + FormatTimeStamp(properties.m_ftStartTime).GetString(), rows[2]);

  const std::wstring never = FormatTimeStamp(FILETIME{0, 0}).GetString();
  EXPECT_EQ((std::vector<std::wstring>{L"Misc/Name=Client A", L"Misc/Locale ID=0x800",
                                       L"Misc/Last update time=" + never, L"Misc/Groups count=1"}),
            Rows(*server));

  std::vector<std::wstring> expected = {L"Misc/Name=G1",       L"Misc/Deadband=2.5",     L"Misc/Timebias=0",
                                        L"Misc/UpdateRate=1000", L"Misc/Last updateRate=0", L"Misc/Active=false",
                                        L"Misc/Client handle=0", L"Misc/LCID=0",          L"Misc/Subscribed=false",
                                        L"Misc/Items count=0"};
  for (const wchar_t* name : {L"DataChange Events", L"SyncRead", L"SyncWrite", L"AsyncRead", L"AsyncRead Complete",
                              L"AsyncWrite", L"AsyncWrite Complete", L"AsyncCancel", L"AsyncCancel Complete"})
    expected.push_back(std::wstring(L"Events/") + name + L"=0");
  EXPECT_EQ(expected, Rows(*root.FindGroup(live.group.m_dwKey)));
}

TEST(DiagTreeTest, ObjectsOfGoneRecordsShowAnEmptyMisc) {
  COPCDiagRootObject root;
  COPCServerTreeObject* server = nullptr;
  COPCGroupTreeObject* group = nullptr;
  {
    LiveRecords live;
    server = root.AddServer(live.ServerInfo());
    group = root.AddGroup(live.GroupInfo());
  }
  EXPECT_EQ(std::vector<std::wstring>{L"Misc/"}, Rows(*server));
  EXPECT_EQ(std::vector<std::wstring>{L"Misc/"}, Rows(*group)) << "and no Events";
}

TEST(DiagTreeTest, AnItemObjectShowsItsOwnCopy) {
  CItemInfo info;
  info.m_strItemID = L"4B.1.1.0";
  info.m_bActive = TRUE;
  info.m_dwAccessRights = 3;
  info.m_vtCanonical = VT_R4;
  info.m_vtRequested = VT_BSTR;
  info.m_hClient = 7;
  info.m_strValue = L"21.5";
  info.m_wQuality = 0xC0;
  info.m_counters[CItemInfo::Polls].Raise();
  COPCItemTreeObject item(info);
  EXPECT_EQ(CString(L"4B.1.1.0"), item.GetName());
  EXPECT_EQ(TreeObjectOpcItem, item.GetType());
  const CSpyCounter& polls = info.m_counters[CItemInfo::Polls];
  EXPECT_EQ((std::vector<std::wstring>{
                L"Misc/Name=4B.1.1.0", L"Misc/Active=true", L"Misc/Access rights=R/W",
                std::wstring(L"Misc/Canonical DT=") + VarTypeToName(VT_R4).GetString(),
                std::wstring(L"Misc/Requested DT=") + VarTypeToName(VT_BSTR).GetString(), L"Misc/ClientHandle=7",
                L"Misc/Value=21.5", std::wstring(L"Misc/Timestamp=") + FormatTimeStamp(FILETIME{0, 0}).GetString(),
                std::wstring(L"Misc/Quality=") + QualityToText(0xC0).GetString(), L"Events/Reads=0",
                L"Events/Writes=0",
                std::wstring(L"Events/Polls=") + FormatCountAndTime(1, polls.m_ftTime).GetString(),
                L"Events/Updates=0"}),
            Rows(item));
}

TEST(DiagTreeTest, CompareTextIsOrdinalAndTypesCompareByName) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int sign;
  } cases[] = {{L"a", L"a", 0}, {L"B", L"a", -1}, {L"a", L"B", 1}, {L"ab", L"a", 1}, {L"", L"a", -1}};
  for (const Case& c : cases) {
    int r = CompareText(c.a, c.b);
    EXPECT_EQ(c.sign, (r > 0) - (r < 0)) << c.a << " " << c.b;
  }
  int r = CompareVarTypeNames(VT_I2, VT_BSTR);
  int byName = CompareText(VarTypeToName(VT_I2), VarTypeToName(VT_BSTR));
  EXPECT_EQ((byName > 0) - (byName < 0), (r > 0) - (r < 0));
  EXPECT_EQ(0, CompareVarTypeNames(VT_R8, VT_R8));
}
