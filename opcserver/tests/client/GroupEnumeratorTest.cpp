// IOPCServer::CreateGroupEnumerator: the client's groups by name and by object, by scope, over
// the live group map.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/com/Memory.h"

namespace {

std::vector<std::wstring> Names(IEnumString* e) { return DrainStrings(e, 2); }

class GroupEnumeratorTest : public ::testing::Test {
 protected:
  void AddGroups(std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names) {
      OPCHANDLE h = 0;
      client.AddGroup(name, TRUE, 1000, 1, &h);
      handles.push_back(h);
    }
  }
  CComPtr<IEnumString> ByName(OPCENUMSCOPE scope, HRESULT* hr) {
    CComPtr<IUnknown> unk;
    *hr = client.Server()->CreateGroupEnumerator(scope, IID_IEnumString, &unk);
    return QueryAs<IEnumString>(unk.p);
  }

  CFakeTagsManager tags;
  COpcTestClient client;
  std::vector<OPCHANDLE> handles;
};

TEST_F(GroupEnumeratorTest, ScopesListEveryGroupOrNone) {
  HRESULT hr = E_FAIL;
  EXPECT_EQ(nullptr, ByName(OPC_ENUM_ALL, &hr).p);
  EXPECT_EQ(S_FALSE, hr);  // no groups yet
  AddGroups({L"G1", L"G2", L"G3"});
  struct Case {
    DWORD scope;
    bool lists;
  } cases[] = {{OPC_ENUM_PRIVATE_CONNECTIONS, true}, {OPC_ENUM_PUBLIC_CONNECTIONS, false},
               {OPC_ENUM_ALL_CONNECTIONS, true},     {OPC_ENUM_PRIVATE, true},
               {OPC_ENUM_PUBLIC, false},             {OPC_ENUM_ALL, true},
               {0, false},                           {7, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scope);
    auto e = ByName(static_cast<OPCENUMSCOPE>(c.scope), &hr);
    EXPECT_EQ(c.lists ? S_OK : S_FALSE, hr);
    ASSERT_EQ(c.lists, e.p != nullptr);
    if (e) {
      EXPECT_EQ((std::vector<std::wstring>{L"G1", L"G2", L"G3"}), Names(e));
    }
  }

  CComPtr<IUnknown> unk;
  EXPECT_EQ(E_NOINTERFACE, client.Server()->CreateGroupEnumerator(OPC_ENUM_ALL, IID_IUnknown, &unk));
  EXPECT_EQ(E_NOINTERFACE, client.Server()->CreateGroupEnumerator(OPC_ENUM_ALL, IID_IOPCServer, &unk));
  EXPECT_EQ(nullptr, unk.p);

  // By object: each group once, with a reference for the caller.
  ASSERT_EQ(S_OK, client.Server()->CreateGroupEnumerator(OPC_ENUM_ALL, IID_IEnumUnknown, &unk));
  auto objects = QueryAs<IEnumUnknown>(unk.p);
  IUnknown* got[4] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, objects->Next(4, got, &fetched));
  ASSERT_EQ(3u, fetched);
  for (ULONG i = 0; i < fetched; ++i) {
    OPCHANDLE server = 0;
    auto state = QueryAs<IOPCGroupStateMgt>(got[i]);
    ASSERT_NE(nullptr, state.p);
    state->GetState(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &server);
    EXPECT_EQ(handles[i], server);
    got[i]->Release();
  }
}

TEST_F(GroupEnumeratorTest, FollowsTheLiveGroupsAndOutlivesTheClient) {
  AddGroups({L"G1", L"G2", L"G3"});
  HRESULT hr = E_FAIL;
  auto e = ByName(OPC_ENUM_ALL, &hr);
  ASSERT_EQ(S_OK, hr);
  LPOLESTR name = nullptr;
  ASSERT_EQ(S_OK, e->Next(1, &name, nullptr));
  EXPECT_STREQ(L"G1", name);
  CoTaskMemFree(name);
  EXPECT_EQ(E_INVALIDARG, e->Next(2, &name, nullptr));  // more than one needs a count

  // Groups removed and added meanwhile are seen; a clone goes on from the same place.
  ASSERT_EQ(S_OK, client.Server()->RemoveGroup(handles[1], FALSE));
  AddGroups({L"G4"});
  CComPtr<IEnumString> clone;
  ASSERT_EQ(S_OK, e->Clone(&clone));
  EXPECT_EQ((std::vector<std::wstring>{L"G3", L"G4"}), Names(e));
  EXPECT_EQ((std::vector<std::wstring>{L"G3", L"G4"}), Names(clone));
  EXPECT_EQ(S_OK, e->Reset());
  EXPECT_EQ(S_OK, e->Skip(2));
  EXPECT_EQ((std::vector<std::wstring>{L"G4"}), Names(e));
  EXPECT_EQ(S_OK, e->Reset());
  EXPECT_EQ(S_FALSE, e->Skip(4));

  // The enumerator keeps its server: the client lets go first.
  client.Release();
  EXPECT_EQ(S_OK, e->Reset());
  EXPECT_EQ((std::vector<std::wstring>{L"G1", L"G3", L"G4"}), Names(e));
}

}  // namespace
