// Statistics records as the GUI reads them, and the texts of the OPC protocol events.
#include <gtest/gtest.h>

#include <deque>

#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OpcConnectionEvents.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/testing/EventCapture.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

namespace {

TEST(RecordsTest, ServerGroupAndItemRecordsFollowTheirObjects) {
  CFakeTagsManager tags;
  tags.Add(L"A")->SetDouble(4.5);
  COpcTestClient client;
  COPCToolkitManager& manager = GetOPCToolkitManager();
  std::deque<DWORD> servers;
  manager.ListServers(servers);
  ASSERT_FALSE(servers.empty());
  DWORD serverKey = servers.back();
  CServerInfo server;
  ASSERT_TRUE(manager.GetServerInfo(serverKey, server));
  EXPECT_EQ(0, server.m_strName.Find(L"Client"));

  OPCHANDLE hGroup = 0;
  auto group = client.AddGroup(L"G", FALSE, 250, 8, &hGroup);
  std::deque<DWORD> groups;
  manager.ListGroups(serverKey, groups);
  ASSERT_EQ(1u, groups.size());
  CGroupInfo info;
  {
    CSpyLock lock;  // a reader under the global lock, as the GUI reads
    ASSERT_TRUE(manager.GetGroupInfo(groups[0], info));
  }
  EXPECT_EQ(CString(L"G"), info.m_strName);
  EXPECT_EQ(server.m_strName, info.m_strClientName);
  EXPECT_EQ(serverKey, info.m_dwServerKey);
  EXPECT_EQ(250u, info.m_dwUpdateRate);
  for (const CSpyCounter& c : info.m_counters) EXPECT_EQ(0u, c.m_nCount);

  client.AddItems(group, {L"A"});
  std::deque<DWORD> items;
  manager.ListItems(groups[0], items);
  ASSERT_EQ(1u, items.size());
  CItemInfo item;
  ASSERT_TRUE(manager.GetItemInfo(items[0], item));
  EXPECT_EQ(CString(L"A"), item.m_strItemID);
  EXPECT_EQ(CString(L"G"), item.m_strGroupName);
  EXPECT_EQ(server.m_strName, item.m_strClientName);
  EXPECT_TRUE(item.m_strValue.IsEmpty());  // the new tag has not been refreshed yet
  EXPECT_EQ(3u, item.m_dwAccessRights);
  CItemInfo same = item;
  EXPECT_TRUE(CItemInfo::Compare(item, same));
  same.m_hClient = 99;
  EXPECT_FALSE(CItemInfo::Compare(item, same));

  OPCITEMSTATE* states = nullptr;
  HRESULT* errors = nullptr;
  OPCHANDLE h = 0;
  // The first item handle is not known to the test; read through a second add.
  auto handles = client.AddItems(group, {L"A"});
  h = handles[0];
  ASSERT_EQ(S_OK, QueryAs<IOPCSyncIO>(group.p)->Read(OPC_DS_DEVICE, 1, &h, &states, &errors));
  VariantClear(&states[0].vDataValue);
  CoTaskMemFree(states);
  CoTaskMemFree(errors);
  ASSERT_TRUE(manager.GetGroupInfo(groups[0], info));
  EXPECT_EQ(1u, info.m_counters[CGroupInfo::SyncRead].m_nCount);
  EXPECT_EQ(2u, info.m_nItemCount);
  std::deque<DWORD> both;
  manager.ListItems(groups[0], both);
  CItemInfo read;
  ASSERT_TRUE(manager.GetItemInfo(both.back(), read));
  EXPECT_EQ(CString(L"4.5"), read.m_strValue);
  EXPECT_EQ(0xC0, read.m_wQuality);

  DWORD groupKey = groups[0];
  group.Release();
  ASSERT_EQ(S_OK, client.Server()->RemoveGroup(hGroup, FALSE));
  CGroupInfo untouched;
  untouched.m_strName = L"kept";
  EXPECT_FALSE(manager.GetGroupInfo(groupKey, untouched));
  EXPECT_EQ(CString(L"kept"), untouched.m_strName);
  EXPECT_FALSE(manager.GetItemInfo(items[0], item));
  std::deque<DWORD> none;
  EXPECT_TRUE(manager.ListGroups(0xFFFFFFF0u, none));
  EXPECT_TRUE(none.empty());
}

// The diagnostics read the group's record once a tick: adding or removing items and advising or
// unadvising a sink show there at once, also for an inactive group that raises no other event.
TEST(RecordsTest, TheGroupRecordFollowsItemsAndSinksAtOnce) {
  CFakeTagsManager tags;
  tags.Add(L"A");
  tags.Add(L"B");
  COpcTestClient client;
  COPCToolkitManager& manager = GetOPCToolkitManager();
  OPCHANDLE hGroup = 0;
  auto group = client.AddGroup(L"Quiet", FALSE, 1000, 1, &hGroup);
  std::deque<DWORD> servers, groups;
  manager.ListServers(servers);
  ASSERT_FALSE(servers.empty());
  manager.ListGroups(servers.back(), groups);
  ASSERT_EQ(1u, groups.size());
  auto record = [&] {
    CGroupInfo info;
    EXPECT_TRUE(manager.GetGroupInfo(groups[0], info));
    return info;
  };
  EXPECT_EQ(0u, record().m_nItemCount);
  EXPECT_FALSE(record().m_bSubscribed);

  std::vector<OPCHANDLE> handles = client.AddItems(group, {L"A", L"B"});
  EXPECT_EQ(2u, record().m_nItemCount);
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, group->RemoveItems(1, handles.data(), &errors));
  CoTaskMemFree(errors);
  EXPECT_EQ(1u, record().m_nItemCount);

  DWORD cookie = 0;
  auto sink = client.Subscribe(group, &cookie);
  ASSERT_NE(0u, cookie);
  EXPECT_TRUE(record().m_bSubscribed);
  auto container = QueryAs<IConnectionPointContainer>(group.p);
  CComPtr<IConnectionPoint> point;
  ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IOPCDataCallback, &point));
  ASSERT_EQ(S_OK, point->Unadvise(cookie));
  EXPECT_FALSE(record().m_bSubscribed);
}

// A reader that keeps the version lists a group's item keys again only after items came or
// went; another group's version never passes for this one's.
TEST(RecordsTest, ItemKeysAreListedAgainOnlyWhenItemsComeOrGo) {
  COPCToolkitManager manager;
  CSpyOPCServer server;
  CSpyOPCGroup first, second;
  CSpyOPCItem a, b, c;
  manager.AddServer(&server);
  manager.AttachGroup(&server, &first);
  manager.AttachGroup(&server, &second);
  manager.AttachItem(&first, &a);
  manager.AttachItem(&second, &c);

  uint64_t version = 0;
  std::deque<DWORD> keys;
  ASSERT_TRUE(manager.ListItemsIfChanged(first.m_dwKey, version, keys));
  EXPECT_EQ(std::deque<DWORD>{a.m_dwKey}, keys);
  keys.clear();
  EXPECT_FALSE(manager.ListItemsIfChanged(first.m_dwKey, version, keys));
  EXPECT_TRUE(keys.empty());

  uint64_t other = version;  // a version of the first group, asked of the second
  EXPECT_TRUE(manager.ListItemsIfChanged(second.m_dwKey, other, keys));
  EXPECT_EQ(std::deque<DWORD>{c.m_dwKey}, keys);

  manager.AttachItem(&first, &b);
  keys.clear();
  ASSERT_TRUE(manager.ListItemsIfChanged(first.m_dwKey, version, keys));
  EXPECT_EQ((std::deque<DWORD>{a.m_dwKey, b.m_dwKey}), keys);
  manager.DetachItem(&a);
  keys.clear();
  ASSERT_TRUE(manager.ListItemsIfChanged(first.m_dwKey, version, keys));
  EXPECT_EQ(std::deque<DWORD>{b.m_dwKey}, keys);

  manager.DetachItem(&b);
  manager.DetachItem(&c);
  manager.DetachGroup(&first);
  manager.DetachGroup(&second);
  manager.RemoveServer(&server);
  keys.clear();
  EXPECT_TRUE(manager.ListItemsIfChanged(first.m_dwKey, version, keys));  // gone: nothing, asked again
  EXPECT_TRUE(keys.empty());
  EXPECT_EQ(0u, version);
}

TEST(RecordsTest, AccessRightsAndQualityTexts) {
  EXPECT_EQ(CString(L"R/W"), FormatAccessRightsText(3));
  EXPECT_EQ(CString(L"R"), FormatAccessRightsText(1));
  EXPECT_EQ(CString(L"R/W"), FormatAccessRightsText(0));
  struct Case {
    WORD quality;
    const wchar_t* text;
    bool noGood;
    const wchar_t* expected;
  } cases[] = {{0xC0, L"", false, L"Good"},         {0x40, L"", true, L"(Uncertain)"},
               {0x40, L"x", false, L"x (Uncertain)"}, {0x1C, L"", false, L"Bad"},
               {0x80, L"", true, L""}};
  for (const Case& c : cases) EXPECT_EQ(CString(c.expected), QualityToText(c.quality, c.text, c.noGood)) << c.quality;
}

TEST(ProtocolEventTest, TextsByKind) {
  CGroupInfo g;
  g.m_strName = L"G";
  g.m_strClientName = L"Y";
  g.m_dwUpdateRate = 500;
  g.m_fDeadband = 2.5f;
  g.m_hClient = 4;
  g.m_lTimeBias = -60;
  g.m_dwLCID = 0x800;
  struct Case {
    int kind;
    const wchar_t* text;
    const wchar_t* headline;
  } cases[] = {
      {OpcEventGroupActive, L"", L"Set group 'G', client 'Y', as inactive"},
      {OpcEventAsyncCancel, L"", L"Async cancel  in group 'G', client 'Y'"},
      {OpcEventOperationFailed, L"", L"The operation failed. "},
      {OpcEventGroupUpdateRate, L"", L"Change update rate of group 'G', client 'Y'. Update rate = 500 ms"},
      {OpcEventGroupDeadband, L"", L"Change deadband of group 'G', client 'Y'. Deadband = 2.5 %"},
      {OpcEventGroupLCID, L"", L"Change Local ID of group 'G', client 'Y'. Local ID = 0x800"},
      {OpcEventRenameGroup, L"F", L"Rename group 'F' -> 'G', client 'Y'"},
      {OpcEventDataChange, L"", L"Next Datachange event in group 'G', client 'Y'"},
      {18, L"", L""},
  };
  for (const Case& c : cases) {
    COPCGroupEvent e(g, c.kind, c.text);
    EXPECT_EQ(CString(c.headline), e.GetText().GetText()) << c.kind;
    EXPECT_EQ(c.kind, e.GetKind());
    EXPECT_EQ(e.GetText().GetText(), e.Clone()->GetText().GetText());
  }
  COPCGroupEvent added(g, OpcEventAddGroup);
  auto text = added.GetText();
  ASSERT_EQ(1, text.GetLineCount());
  EXPECT_EQ(CString(L"Inactive, Update rate = 500 ms, Deadband = 2.5 %, Client handle = 4, Time bias = -60 min, "
                    L"LCID = 0x800"),
            text.GetLine(0));

  CItemInfo i;
  i.m_strItemID = L"I";
  i.m_strGroupName = L"G";
  i.m_strClientName = L"Y";
  i.m_wQuality = 0x1C;
  i.m_dwAccessRights = 1;
  i.m_vtCanonical = VT_R8;
  i.m_vtRequested = VT_I4;
  i.m_hClient = 9;
  COPCItemEvent quality(i, OpcEventItemQuality);
  EXPECT_EQ(CString(L"Change quality of item 'I' in group 'G', client 'Y'. Quality = Bad"), quality.GetText().GetText());
  COPCItemEvent unlisted(i, 18);
  EXPECT_TRUE(unlisted.GetText().GetText().IsEmpty());
  EXPECT_EQ(0, unlisted.GetText().GetLineCount());
  COPCItemEvent add(i, OpcEventAddItem);
  ASSERT_EQ(1, add.GetText().GetLineCount());
  EXPECT_EQ(0, add.GetText().GetLine(0).Find(L"Inactive, Access Rights: R, Canonical datatype: "));

  CServerInfo s;
  s.m_strName = L"X";
  EXPECT_EQ(CString(L"Rename client 'Client1' -> 'X'"), COPCServerEvent(s, OpcEventRenameClient, L"Client1").GetText().GetText());
  EXPECT_EQ(CString(L"Add client 'X'"), COPCServerEvent(s, OpcEventAddClient).GetText().GetText());
}

TEST(ProtocolEventTest, AClientDroppedForNotReadingIsATextLineWithWhatWasQueued) {
  struct Case {
    size_t queued;
    const wchar_t* headline;
  } cases[] = {
      {0, L"Client connection dropped: it stopped reading (0 bytes queued)."},
      {1023, L"Client connection dropped: it stopped reading (1023 bytes queued)."},
      {48 * 1024 + 5, L"Client connection dropped: it stopped reading (48 KiB queued)."},
      {3 * 1024 * 1024 + 512 * 1024, L"Client connection dropped: it stopped reading (3.5 MiB queued)."},
  };
  CEventCapture protocol;
  COpcConnectionEvents events;
  for (const Case& c : cases) events.OnStalledClientDropped(c.queued);
  std::vector<CString> texts = protocol.Texts(ProtocolEventKindText);
  ASSERT_EQ(std::size(cases), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(CString(cases[i].headline), texts[i]) << cases[i].queued;
}

}  // namespace
