// The group's item enumerator: attributes of each item, positions, clones, and items or the
// group going while a client holds it.
#include <gtest/gtest.h>

#include "opcserver/EnumItemAttributes.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/com/Memory.h"

namespace {

class EnumItemAttributesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tags.Add(L"Dev.1.2.0");
    tags.Add(L"Dev.1.2.1", VT_I4, OPC_READABLE);
    tags.Add(L"Dev.1.2.2", VT_BSTR);
    group = client.AddGroup(L"G", FALSE, 1000, 1, &hGroup);
    handles = client.AddItems(group, {L"Dev.1.2.0", L"Dev.1.2.1", L"Dev.1.2.2"}, nullptr, VT_EMPTY);
  }
  CComPtr<IEnumOPCItemAttributes> Enumerator() {
    CComPtr<IEnumOPCItemAttributes> e;
    EXPECT_EQ(S_OK, group->CreateEnumerator(IID_IEnumOPCItemAttributes, reinterpret_cast<LPUNKNOWN*>(&e.p)));
    return e;
  }
  // Next(celt): the result and the server handles fetched.
  std::pair<HRESULT, std::vector<OPCHANDLE>> Next(IEnumOPCItemAttributes* e, ULONG celt) {
    OPCITEMATTRIBUTES* items = nullptr;
    ULONG fetched = 99;
    HRESULT hr = e->Next(celt, &items, &fetched);
    std::vector<OPCHANDLE> got;
    for (ULONG i = 0; i < fetched; ++i) got.push_back(items[i].hServer);
    EXPECT_EQ(fetched == 0, items == nullptr);
    FreeItemAttributes(items, fetched);
    return {hr, got};
  }
  std::vector<OPCHANDLE> H(std::initializer_list<int> indexes) {
    std::vector<OPCHANDLE> out;
    for (int i : indexes) out.push_back(handles[i]);
    return out;
  }

  CFakeTagsManager tags;
  COpcTestClient client;
  OPCHANDLE hGroup = 0;
  CComPtr<IOPCItemMgt> group;
  std::vector<OPCHANDLE> handles;
};

TEST_F(EnumItemAttributesTest, NextGivesEachItemsAttributes) {
  auto e = Enumerator();
  OPCITEMATTRIBUTES* items = nullptr;
  ULONG fetched = 0;
  ASSERT_EQ(S_OK, e->Next(3, &items, &fetched));
  ASSERT_EQ(3u, fetched);
  struct Expected {
    const wchar_t* id;
    VARTYPE canonical;
    DWORD rights;
  } expected[] = {{L"Dev.1.2.0", VT_R8, 3}, {L"Dev.1.2.1", VT_I4, 1}, {L"Dev.1.2.2", VT_BSTR, 3}};
  for (ULONG i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(nullptr, items[i].szAccessPath);
    ASSERT_NE(nullptr, items[i].szItemID);
    EXPECT_STREQ(expected[i].id, items[i].szItemID);
    EXPECT_TRUE(items[i].bActive);
    EXPECT_EQ(i + 1, items[i].hClient);
    EXPECT_EQ(handles[i], items[i].hServer);
    EXPECT_EQ(expected[i].rights, items[i].dwAccessRights);
    EXPECT_EQ(0u, items[i].dwBlobSize);
    EXPECT_EQ(nullptr, items[i].pBlob);
    EXPECT_EQ(expected[i].canonical, items[i].vtCanonicalDataType);
    EXPECT_EQ(expected[i].canonical, items[i].vtRequestedDataType);  // VT_EMPTY asked for the canonical type
    EXPECT_EQ(OPC_NOENUM, items[i].dwEUType);
    EXPECT_EQ(VT_EMPTY, items[i].vEUInfo.vt);
  }
  FreeItemAttributes(items, fetched);
  EXPECT_EQ(E_INVALIDARG, e->Next(1, nullptr, &fetched));
}

TEST_F(EnumItemAttributesTest, PositionsSkipResetAndClone) {
  auto e = Enumerator();
  EXPECT_EQ(std::make_pair(S_OK, H({0, 1})), Next(e, 2));
  EXPECT_EQ(std::make_pair(S_FALSE, H({2})), Next(e, 2));
  EXPECT_EQ(std::make_pair(S_FALSE, H({})), Next(e, 1));
  EXPECT_EQ(S_OK, e->Reset());
  EXPECT_EQ(S_OK, e->Skip(1));
  CComPtr<IEnumOPCItemAttributes> clone;
  ASSERT_EQ(S_OK, e->Clone(&clone.p));
  EXPECT_EQ(std::make_pair(S_OK, H({1})), Next(clone, 1));  // the clone starts where e stood
  EXPECT_EQ(std::make_pair(S_OK, H({1, 2})), Next(e, 2));   // and moves on its own
  EXPECT_EQ(S_FALSE, clone->Skip(5));
  EXPECT_EQ(std::make_pair(S_FALSE, H({})), Next(clone, 1));
  EXPECT_EQ(E_POINTER, e->Clone(nullptr));
}

TEST_F(EnumItemAttributesTest, ItemsRemovedOrAddedWhileHeld) {
  auto e = Enumerator();
  EXPECT_EQ(std::make_pair(S_OK, H({0})), Next(e, 1));
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, group->RemoveItems(1, &handles[1], &errors));
  CoTaskMemFree(errors);
  handles.push_back(client.AddItems(group, {L"Dev.1.2.0"})[0]);
  EXPECT_EQ(std::make_pair(S_FALSE, H({2, 3})), Next(e, 5));
}

TEST_F(EnumItemAttributesTest, AnEmptyOrRemovedGroupEnumeratesNothing) {
  auto empty = client.AddGroup(L"Empty", FALSE, 1000, 2);
  CComPtr<IEnumOPCItemAttributes> none;
  // Nothing to enumerate: S_FALSE, and an enumerator all the same.
  ASSERT_EQ(S_FALSE, empty->CreateEnumerator(IID_IEnumOPCItemAttributes, reinterpret_cast<LPUNKNOWN*>(&none.p)));
  ASSERT_NE(nullptr, none.p);
  EXPECT_EQ(std::make_pair(S_FALSE, H({})), Next(none, 4));

  LPUNKNOWN wrong = reinterpret_cast<LPUNKNOWN>(0x1);
  EXPECT_EQ(E_NOINTERFACE, group->CreateEnumerator(IID_IOPCSyncIO, &wrong));
  EXPECT_EQ(nullptr, wrong);
  EXPECT_EQ(E_POINTER, group->CreateEnumerator(IID_IEnumOPCItemAttributes, nullptr));

  // The enumerator keeps the group alive; the removed group has no items left.
  auto e = Enumerator();
  group.Release();
  ASSERT_EQ(S_OK, client.Server()->RemoveGroup(hGroup, TRUE));
  EXPECT_EQ(std::make_pair(S_FALSE, H({})), Next(e, 3));
}

}  // namespace
