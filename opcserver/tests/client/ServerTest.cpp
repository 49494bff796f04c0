// The server object as an OPC client sees it.
#include <gtest/gtest.h>

#include "opcserver/MyOPCServer.h"
#include "opcserver/OpcServerPropertiesManager.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/testing/EventCapture.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/com/Memory.h"

namespace {

class ServerTest : public ::testing::Test {
 protected:
  CFakeTagsManager tags;
  CEventCapture events;
  COpcTestClient client;

  CString GroupName(IUnknown* group) {
    LPWSTR name = nullptr;
    QueryAs<IOPCGroupStateMgt>(group)->GetState(nullptr, nullptr, &name, nullptr, nullptr, nullptr, nullptr, nullptr);
    CString s(name ? name : L"");
    CoTaskMemFree(name);
    return s;
  }
  DWORD GroupCount() {
    OPCSERVERSTATUS* status = nullptr;
    EXPECT_EQ(S_OK, client.Server()->GetStatus(&status));
    DWORD n = status->dwGroupCount;
    CoTaskMemFree(status->szVendorInfo);
    CoTaskMemFree(status);
    return n;
  }
};

TEST_F(ServerTest, UnnamedGroupsTakeTheSmallestFreeGroupNumber) {
  auto g1 = client.AddGroup(L"", FALSE, 1000, 1);
  OPCHANDLE h2 = 0;
  auto g2 = client.AddGroup(L"", FALSE, 1000, 2, &h2);
  auto g3 = client.AddGroup(nullptr, FALSE, 1000, 3);
  EXPECT_EQ(CString(L"Group1"), GroupName(g1));
  EXPECT_EQ(CString(L"Group2"), GroupName(g2));
  EXPECT_EQ(CString(L"Group3"), GroupName(g3));
  g2.Release();
  EXPECT_EQ(S_OK, client.Server()->RemoveGroup(h2, FALSE));
  auto again = client.AddGroup(L"", FALSE, 1000, 4);
  EXPECT_EQ(CString(L"Group2"), GroupName(again));
}

TEST_F(ServerTest, DuplicateNamesAreRefusedCaseSensitively) {
  auto g = client.AddGroup(L"Pumps", FALSE, 1000, 1);
  CComPtr<IUnknown> other;
  EXPECT_EQ(OPC_E_DUPLICATENAME, client.Server()->AddGroup(L"Pumps", FALSE, 1000, 2, nullptr, nullptr, 0, nullptr,
                                                           nullptr, IID_IUnknown, &other.p));
  EXPECT_EQ(nullptr, other.p);
  EXPECT_EQ(S_OK, client.Server()->AddGroup(L"pumps", FALSE, 1000, 2, nullptr, nullptr, 0, nullptr, nullptr,
                                            IID_IUnknown, &other.p));
  EXPECT_EQ(2u, GroupCount());
}

TEST_F(ServerTest, RequestedRatesAreRaisedToTheMinimum) {
  struct Case {
    DWORD requested, revised;
    HRESULT hr;
  } cases[] = {{0, 100, OPC_S_UNSUPPORTEDRATE}, {50, 100, OPC_S_UNSUPPORTEDRATE}, {100, 100, S_OK}, {101, 101, S_OK},
               {2500, 2500, S_OK}};
  for (const Case& c : cases) {
    CComPtr<IUnknown> group;
    DWORD revised = 0;
    EXPECT_EQ(c.hr, client.Server()->AddGroup(L"", FALSE, c.requested, 0, nullptr, nullptr, 0, nullptr, &revised,
                                              IID_IUnknown, &group.p))
        << c.requested;
    EXPECT_EQ(c.revised, revised) << c.requested;
  }
}

TEST_F(ServerTest, AddGroupChecksItsPointers) {
  EXPECT_EQ(E_POINTER, client.Server()->AddGroup(L"", FALSE, 1000, 0, nullptr, nullptr, 0, nullptr, nullptr,
                                                 IID_IUnknown, nullptr));
  CComPtr<IUnknown> group;
  EXPECT_EQ(E_NOINTERFACE, client.Server()->AddGroup(L"X", FALSE, 1000, 0, nullptr, nullptr, 0, nullptr, nullptr,
                                                     IID_IOPCShutdown, &group.p));
  EXPECT_EQ(0u, GroupCount());  // nothing left half added
}

TEST_F(ServerTest, RemoveGroupWithAndWithoutForceWhileTheClientHoldsIt) {
  for (BOOL force : {FALSE, TRUE}) {
    OPCHANDLE h = 0;
    auto group = client.AddGroup(L"Held", TRUE, 100, 1, &h);
    EXPECT_EQ(force ? S_OK : OPC_S_INUSE, client.Server()->RemoveGroup(h, force));
    EXPECT_EQ(0u, GroupCount());
    CComPtr<IUnknown> found;
    EXPECT_EQ(E_INVALIDARG, client.Server()->GetGroupByName(L"Held", IID_IUnknown, &found.p));
    // The client's reference stays usable, and every call fails.
    DWORD revised = 0;
    EXPECT_EQ(E_FAIL, QueryAs<IOPCGroupStateMgt>(group.p)->SetName(L"Y"));
    EXPECT_EQ(E_FAIL, group->RemoveItems(1, &h, nullptr));
    EXPECT_EQ(E_POINTER, QueryAs<IOPCGroupStateMgt>(group.p)->SetState(nullptr, nullptr, nullptr, nullptr, nullptr,
                                                                       nullptr, nullptr));
    EXPECT_EQ(E_FAIL, QueryAs<IOPCGroupStateMgt>(group.p)->SetState(nullptr, &revised, nullptr, nullptr, nullptr,
                                                                     nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, client.Server()->RemoveGroup(h, force));  // stale handle
  }
  EXPECT_EQ(E_INVALIDARG, client.Server()->RemoveGroup(0, FALSE));
}

TEST_F(ServerTest, ErrorStrings) {
  struct Case {
    HRESULT code;
    const wchar_t* text;
  } cases[] = {{OPC_E_UNKNOWNITEMID, L"The item is no longer available in the server address space"},
               {OPC_E_INVALIDHANDLE, L"The value of the handle is invalid."},
               {static_cast<HRESULT>(0xC0AB1234), L"Unknown error."}};
  for (const Case& c : cases) {
    LPWSTR text = nullptr;
    EXPECT_EQ(S_OK, client.Server()->GetErrorString(c.code, 0x800, &text));
    EXPECT_STREQ(c.text, text);
    CoTaskMemFree(text);
  }
  EXPECT_EQ(E_POINTER, client.Server()->GetErrorString(OPC_E_BADTYPE, 0x800, nullptr));
  LPWSTR text = nullptr;
  EXPECT_EQ(S_OK, QueryAs<IOPCCommon>(client.Server())->GetErrorString(E_OUTOFMEMORY, &text));
  EXPECT_NE(nullptr, text);
  CoTaskMemFree(text);
}

TEST_F(ServerTest, StatusCountsGroupsAndNamesTheVendor) {
  COpcServerPropertiesManager properties;
  g_pOpcServerProperties = &properties;
  auto g = client.AddGroup(L"", FALSE, 1000, 1);
  OPCSERVERSTATUS* status = nullptr;
  ASSERT_EQ(S_OK, client.Server()->GetStatus(&status));
  EXPECT_EQ(OPC_STATUS_RUNNING, status->dwServerState);
  EXPECT_EQ(1u, status->dwGroupCount);
  EXPECT_STREQ(L"OPC Server by Norvane GmbH", status->szVendorInfo);
  EXPECT_EQ(0u, status->ftLastUpdateTime.dwHighDateTime);
  EXPECT_EQ(properties.m_ftStartTime.dwLowDateTime, status->ftStartTime.dwLowDateTime);
  CoTaskMemFree(status->szVendorInfo);
  CoTaskMemFree(status);
  EXPECT_EQ(E_POINTER, client.Server()->GetStatus(nullptr));
  g_pOpcServerProperties = nullptr;
}

TEST_F(ServerTest, LocalesAndClientName) {
  auto common = QueryAs<IOPCCommon>(client.Server());
  EXPECT_EQ(E_INVALIDARG, common->SetLocaleID(1033));
  EXPECT_EQ(S_OK, common->SetLocaleID(0x800));
  DWORD count = 0;
  LCID* ids = nullptr;
  ASSERT_EQ(S_OK, common->QueryAvailableLocaleIDs(&count, &ids));
  ASSERT_EQ(1u, count);
  EXPECT_EQ(0x800u, ids[0]);
  CoTaskMemFree(ids);
  EXPECT_EQ(E_POINTER, common->QueryAvailableLocaleIDs(&count, nullptr));
  EXPECT_EQ(E_POINTER, common->GetLocaleID(nullptr));
  EXPECT_EQ(E_POINTER, common->SetClientName(nullptr));

  EXPECT_EQ(S_OK, common->SetClientName(L"X"));
  auto renames = events.Texts(OpcEventRenameClient);
  ASSERT_EQ(1u, renames.size());
  EXPECT_EQ(0, renames[0].Find(L"Rename client 'Client"));
  EXPECT_NE(-1, renames[0].Find(L"' -> 'X'"));
  auto g = client.AddGroup(L"G", FALSE, 1000, 1);
  auto adds = events.Texts(OpcEventAddGroup);
  ASSERT_EQ(1u, adds.size());
  EXPECT_EQ(CString(L"Add group 'G', client 'X'"), adds[0]);
}

// Closing the application is decided by the last server to go, once.
class CountingProperties : public COpcServerPropertiesManager {
 public:
  void CloseServerApplication() override { ++closes; }
  int closes = 0;
};

TEST(ServerLifetimeTest, TheLastServerToGoClosesTheApplicationOnce) {
  CountingProperties properties;
  g_pOpcServerProperties = &properties;
  int before = g_nConnectedClients;
  {
    COpcTestClient first, second;
    EXPECT_EQ(before + 2, g_nConnectedClients.load());
    first.Release();
    EXPECT_EQ(0, properties.closes);
  }
  EXPECT_EQ(1, properties.closes);
  g_pOpcServerProperties = nullptr;
}

TEST(ServerLifetimeTest, AGroupHeldPastItsServerFailsInsteadOfDangling) {
  CFakeTagsManager tags;
  tags.Add(L"A");
  CComPtr<IOPCItemMgt> group;
  {
    COpcTestClient client;
    group = client.AddGroup(L"G", TRUE, 100, 1);
    client.AddItems(group, {L"A"});
  }
  OPCITEMDEF def{};
  def.szItemID = const_cast<LPWSTR>(L"A");
  OPCITEMRESULT* results = nullptr;
  HRESULT* errors = nullptr;
  // Through the process boundary the server cut the group off its clients as it went.
  HRESULT expected = CurrentOpcTestTransport() == OpcTestTransport::kRpc ? RPC_E_DISCONNECTED : E_FAIL;
  EXPECT_EQ(expected, group->AddItems(1, &def, &results, &errors));
}

}  // namespace
