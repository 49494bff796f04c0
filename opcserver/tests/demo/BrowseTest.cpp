// Browsing the demo network's address space and reading item properties, as an OPC client does.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cwctype>
#include <functional>
#include <list>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "interfaces/opc/OpcProperties.h"
#include "lon/DeviceTreeObjects.h"
#include "lon/NodeTreeObject.h"
#include "lon/OPCTag.h"
#include "lon/OPCTagsBranch.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/demo/OpcDemoNetwork.h"
#include "platform/com/ComVariant.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

namespace {

const wchar_t kSetpoint[] = L"4B.1.1.0";  // nviSetpoint, SNVT_temp_p input, 21.5

using Texts = std::vector<std::wstring>;

std::wstring NameOf(COPCTag* t) { return t->GetName().GetString(); }
// "4B.1.1." and a digit: the pattern 4b.1.1.#* case-blind.
bool OfFirstDevice(COPCTag* t) {
  std::wstring n = NameOf(t);
  return n.rfind(L"4B.1.1.", 0) == 0 && n.size() > 7 && iswdigit(n[7]);
}
bool EndsInSetpoint(COPCTag* t) {
  std::wstring n = NameOf(t);
  const std::wstring end = L"nvisetpoint";
  if (n.size() < end.size()) return false;
  std::wstring tail = n.substr(n.size() - end.size());
  for (wchar_t& c : tail) c = towlower(c);
  return tail == end;
}

class BrowseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(net.IsOpen());
    browse = QueryAs<IOPCBrowseServerAddressSpace>(client.Server());
    properties = QueryAs<IOPCItemProperties>(client.Server());
    ASSERT_NE(nullptr, browse.p);
    ASSERT_NE(nullptr, properties.p);
  }

  CComPtr<IEnumString> Browse(OPCBROWSETYPE type, const wchar_t* filter, HRESULT* hr, VARTYPE vt = VT_EMPTY,
                              DWORD rights = 0) {
    CComPtr<IEnumString> e;
    *hr = browse->BrowseOPCItemIDs(type, filter, vt, rights, &e);
    return e;
  }
  Texts BrowseAll(OPCBROWSETYPE type, const wchar_t* filter, VARTYPE vt = VT_EMPTY, DWORD rights = 0) {
    HRESULT hr = E_FAIL;
    auto e = Browse(type, filter, &hr, vt, rights);
    EXPECT_TRUE(hr == S_OK || hr == S_FALSE) << std::hex << hr;
    return e ? DrainStrings(e) : Texts{};
  }
  std::wstring ItemId(const wchar_t* dataId) {
    LPWSTR id = nullptr;
    HRESULT hr = browse->GetItemID(const_cast<LPWSTR>(dataId), &id);
    std::wstring out = SUCCEEDED(hr) && id ? id : L"<failed>";
    CoTaskMemFree(id);
    return out;
  }
  // The tags a flat browse of the root should list, in order, by the same rules, read straight
  // from the tree (a block's points are in its device's branch too, and listed once).
  template <class Keep>
  Texts ExpectedFlat(Keep keep) {
    Texts out;
    std::set<std::wstring> seen;
    net.Tags().WithAddressSpace([&](COPCTagsBranch* root, unsigned) {
      std::list<COPCTag*> tags;
      root->ListTags(tags, OPC_FLAT);
      for (COPCTag* tag : tags)
        if (tag->IsBrowseVisible() && keep(tag) && seen.insert(NameOf(tag)).second) out.push_back(NameOf(tag));
    });
    return out;
  }

  COpcDemoNetwork net;
  COpcTestClient client;
  CComPtr<IOPCBrowseServerAddressSpace> browse;
  CComPtr<IOPCItemProperties> properties;
};

TEST_F(BrowseTest, FlatBrowseOfEveryTagListsEachOnce) {
  OPCNAMESPACETYPE ns = OPC_NS_FLAT;
  EXPECT_EQ(S_OK, browse->QueryOrganization(&ns));
  EXPECT_EQ(OPC_NS_HIERARCHIAL, ns);

  HRESULT hr = E_FAIL;
  auto e = Browse(OPC_FLAT, L"*", &hr);
  ASSERT_EQ(S_OK, hr);
  Texts all = DrainStrings(e);
  EXPECT_EQ(ExpectedFlat([](COPCTag*) { return true; }), all);
  EXPECT_GT(all.size(), 600u);
  EXPECT_EQ(all.size(), std::set<std::wstring>(all.begin(), all.end()).size());
  EXPECT_NE(all.end(), std::find(all.begin(), all.end(), std::wstring(kSetpoint) + L" nviSetpoint"));
  // A null filter and an empty one are no filter.
  EXPECT_EQ(all, BrowseAll(OPC_FLAT, nullptr));
  EXPECT_EQ(all, BrowseAll(OPC_FLAT, L""));
}

TEST_F(BrowseTest, NameDataTypeAndAccessFilters) {
  struct Case {
    const wchar_t* filter;
    VARTYPE vt;
    DWORD rights;
    bool (*keep)(COPCTag*);
  } cases[] = {
      {L"4b.1.1.#*", VT_EMPTY, 0, OfFirstDevice},
      {L"*setpoint", VT_EMPTY, 0, EndsInSetpoint},
      {L"*", VT_R8, 0, [](COPCTag* t) { return t->GetCanonicalType() == VT_R8; }},
      {L"*", VT_EMPTY, 1, [](COPCTag*) { return true; }},  // every tag is readable
      {L"*", VT_EMPTY, 2, [](COPCTag* t) { return (t->GetAccessRights() & 2) != 0; }},
      {L"*", VT_EMPTY, 3, [](COPCTag*) { return true; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << ::testing::PrintToString(std::wstring(c.filter)) << " vt " << c.vt
                                      << " rights " << c.rights);
    Texts expected = ExpectedFlat(c.keep);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(expected, BrowseAll(OPC_FLAT, c.filter, c.vt, c.rights));
  }
  // Outputs are read-only, so the writable ones are fewer.
  EXPECT_LT(BrowseAll(OPC_FLAT, L"*", VT_EMPTY, 2).size(), BrowseAll(OPC_FLAT, L"*").size());

  HRESULT hr = E_FAIL;
  auto none = Browse(OPC_FLAT, L"no such tag", &hr);
  EXPECT_EQ(S_FALSE, hr);
  ASSERT_NE(nullptr, none.p);
  EXPECT_TRUE(DrainStrings(none).empty());
}

TEST_F(BrowseTest, SkipAndCloneFollowNext) {
  HRESULT hr = E_FAIL;
  Texts all = BrowseAll(OPC_FLAT, L"*", VT_EMPTY, 2);
  ASSERT_GT(all.size(), 20u);
  auto e = Browse(OPC_FLAT, L"*", &hr, VT_EMPTY, 2);
  EXPECT_EQ(S_OK, e->Skip(5));
  LPOLESTR one = nullptr;
  ASSERT_EQ(S_OK, e->Next(1, &one, nullptr));
  EXPECT_EQ(all[5], one);
  CoTaskMemFree(one);

  CComPtr<IEnumString> clone;
  ASSERT_EQ(S_OK, e->Clone(&clone));
  Texts rest(all.begin() + 6, all.end());
  EXPECT_EQ(rest, DrainStrings(clone));
  EXPECT_EQ(rest, DrainStrings(e, 3));
  EXPECT_EQ(S_FALSE, e->Skip(1));
  EXPECT_EQ(S_OK, e->Reset());
  EXPECT_EQ(S_FALSE, e->Skip(static_cast<ULONG>(all.size()) + 1));
}

TEST_F(BrowseTest, MovesThroughTheTreeAndNamesItemIds) {
  std::wstring rootPath = ItemId(L"");
  EXPECT_EQ(L"Root", rootPath);
  EXPECT_EQ(E_FAIL, browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));
  EXPECT_EQ(E_INVALIDARG, browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L"no such branch"));
  EXPECT_EQ(E_INVALIDARG, browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, L""));
  EXPECT_EQ(E_INVALIDARG, browse->ChangeBrowsePosition(static_cast<OPCBROWSEDIRECTION>(4), L""));
  CComPtr<IEnumString> e;
  EXPECT_EQ(E_INVALIDARG, browse->BrowseOPCItemIDs(static_cast<OPCBROWSETYPE>(4), L"", VT_EMPTY, 0, &e));
  EXPECT_EQ(nullptr, e.p);
  EXPECT_EQ(E_POINTER, browse->BrowseOPCItemIDs(OPC_FLAT, L"", VT_EMPTY, 0, nullptr));
  EXPECT_EQ(E_POINTER, browse->GetItemID(const_cast<LPWSTR>(L""), nullptr));
  EXPECT_EQ(E_NOTIMPL, browse->BrowseAccessPaths(kSetpoint, &e));

  // Down the first branch of each level to a level with tags.
  std::vector<std::wstring> path{rootPath};
  Texts leaves;
  while (leaves.empty()) {
    Texts branches = BrowseAll(OPC_BRANCH, L"");
    ASSERT_FALSE(branches.empty());
    EXPECT_EQ(path.back() + L";" + branches[0], ItemId(branches[0].c_str()));
    ASSERT_EQ(S_OK, browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, branches[0].c_str()));
    path.push_back(ItemId(L""));
    leaves = BrowseAll(OPC_LEAF, L"");
  }
  EXPECT_EQ(leaves[0], ItemId(leaves[0].c_str()));
  EXPECT_EQ(L"<failed>", ItemId(L"4B.9.9.0"));  // not a leaf here, and the last browse was not flat

  // Up and back again by path.
  ASSERT_EQ(S_OK, browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));
  EXPECT_EQ(path[path.size() - 2], ItemId(L""));
  ASSERT_EQ(S_OK, browse->ChangeBrowsePosition(OPC_BROWSE_TO, path.back().c_str()));
  EXPECT_EQ(path.back(), ItemId(L""));
  EXPECT_EQ(leaves, BrowseAll(OPC_LEAF, L""));
  EXPECT_EQ(E_INVALIDARG, browse->ChangeBrowsePosition(OPC_BROWSE_TO, L"Root;nowhere"));
  ASSERT_EQ(S_OK, browse->ChangeBrowsePosition(OPC_BROWSE_TO, L""));
  EXPECT_EQ(rootPath, ItemId(L""));

  // After a flat browse full item IDs and paths are names of their own.
  BrowseAll(OPC_FLAT, L"");
  EXPECT_EQ(kSetpoint, ItemId(kSetpoint));
  EXPECT_EQ(path[2], ItemId(path[2].c_str()));
  EXPECT_EQ(L"<failed>", ItemId(L"4B.9.9.0"));
}

TEST_F(BrowseTest, PositionAndEnumeratorOutliveTheTree) {
  Texts branches = BrowseAll(OPC_BRANCH, L"");
  ASSERT_FALSE(branches.empty());
  ASSERT_EQ(S_OK, browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, branches[0].c_str()));
  const std::wstring branch = L"Root;" + branches[0];
  HRESULT hr = E_FAIL;
  auto e = Browse(OPC_FLAT, L"", &hr);
  ASSERT_EQ(S_OK, hr);
  Texts expected = BrowseAll(OPC_FLAT, L"");

  // The network stops: devices and the tree go. The new tree still has the branch (without
  // devices), so the client stays in it.
  net.Manager().ClearNodes();
  EXPECT_EQ(expected, DrainStrings(e));
  EXPECT_EQ(branch, ItemId(L""));
  EXPECT_TRUE(BrowseAll(OPC_FLAT, L"").empty());
  EXPECT_TRUE(BrowseAll(OPC_BRANCH, L"").empty());  // no devices now

  // And starts again: the client is where it was, and the devices are back under it, though
  // not necessarily in the order they were read first.
  net.Manager().RefreshNodes();
  EXPECT_EQ(branch, ItemId(L""));
  Texts again = BrowseAll(OPC_FLAT, L"");
  std::sort(expected.begin(), expected.end());
  std::sort(again.begin(), again.end());
  EXPECT_EQ(expected, again);
}

// A rebuilt tree keeps each client in its branch while the branch is there; a client whose
// branch went is back at the root.
TEST_F(BrowseTest, ABranchOutlivesTheDeletionOfAnotherDevice) {
  // The branches of the room controller (4B.1.1) and of the lamp actuator (4B.1.2).
  auto branchOf = [&](const wchar_t* itemId) {
    std::wstring out;
    net.Tags().WithAddressSpace([&](COPCTagsBranch* root, unsigned) {
      std::function<void(COPCTagsBranch*)> walk = [&](COPCTagsBranch* b) {
        if (!out.empty()) return;
        if (b->FindTag(itemId)) {
          out = b->GetPath().GetString();
          return;
        }
        std::list<COPCTagsBranch*> children;
        b->ListChildBranches(children);
        for (COPCTagsBranch* c : children) walk(c);
      };
      walk(root);
    });
    return out;
  };
  const Texts flat = BrowseAll(OPC_FLAT, L"");
  auto firstOf = [&](const wchar_t* prefix) {
    for (const std::wstring& id : flat)
      if (id.rfind(prefix, 0) == 0) return branchOf(id.c_str());
    return std::wstring();
  };
  const std::wstring room = firstOf(L"4B.1.1."), lamp = firstOf(L"4B.1.2.");
  ASSERT_FALSE(room.empty());
  ASSERT_FALSE(lamp.empty());
  ASSERT_NE(room, lamp);
  COpcTestClient other;
  auto otherBrowse = QueryAs<IOPCBrowseServerAddressSpace>(other.Server());
  ASSERT_EQ(S_OK, browse->ChangeBrowsePosition(OPC_BROWSE_TO, lamp.c_str()));
  ASSERT_EQ(S_OK, otherBrowse->ChangeBrowsePosition(OPC_BROWSE_TO, room.c_str()));
  Texts lampLeaves = BrowseAll(OPC_LEAF, L"");
  ASSERT_FALSE(lampLeaves.empty());

  CDefaultObject tree(L"Network");
  net.Manager().BuildDeviceTree(&tree, 1);
  CNodeTreeObject* roomController = FindNodeObject(&tree, L"040000000001");
  ASSERT_NE(nullptr, roomController);
  ASSERT_TRUE(net.Manager().DeleteNode(roomController));

  EXPECT_EQ(lamp, ItemId(L""));
  EXPECT_EQ(lampLeaves, BrowseAll(OPC_LEAF, L""));
  EXPECT_EQ(S_OK, browse->ChangeBrowsePosition(OPC_BROWSE_UP, L""));
  LPWSTR where = nullptr;
  ASSERT_EQ(S_OK, otherBrowse->GetItemID(const_cast<LPWSTR>(L""), &where));
  EXPECT_STREQ(L"Root", where);  // its device went
  CoTaskMemFree(where);
}

TEST_F(BrowseTest, ItemProperties) {
  DWORD ids[] = {1, 2, 3, 4, 5, 6, 101, 7};
  VARIANT* values = nullptr;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_FALSE, properties->GetItemProperties(const_cast<LPWSTR>(kSetpoint), 8, ids, &values, &errors));
  for (int i = 0; i < 7; ++i) EXPECT_EQ(S_OK, errors[i]) << ids[i];
  EXPECT_EQ(OPC_E_INVALID_PID, errors[7]);
  EXPECT_EQ(VT_EMPTY, values[7].vt);
  EXPECT_EQ(VT_R8, values[0].iVal);
  EXPECT_DOUBLE_EQ(21.5, values[1].dblVal);
  EXPECT_EQ(0xC0, values[2].iVal);  // the cache was read once, and is good
  EXPECT_EQ(VT_DATE, values[3].vt);
  EXPECT_EQ(3, values[4].lVal);
  EXPECT_EQ(VT_BSTR, values[6].vt);
  for (int i = 0; i < 8; ++i) VariantClear(&values[i]);
  CoTaskMemFree(values);
  CoTaskMemFree(errors);

  // A value the control cannot read is that property's error, the others still answer.
  ASSERT_EQ(S_OK, net.Simulation()->FailCall(kestrum::kObjNv, kSetpoint, kestrum::nv::kFieldValue, L"Device busy", -1));
  ASSERT_EQ(S_FALSE, properties->GetItemProperties(const_cast<LPWSTR>(kSetpoint), 3, ids, &values, &errors));
  EXPECT_EQ(S_OK, errors[0]);
  EXPECT_TRUE(FAILED(errors[1]));
  EXPECT_EQ(VT_EMPTY, values[1].vt);
  for (int i = 0; i < 3; ++i) VariantClear(&values[i]);
  CoTaskMemFree(values);
  CoTaskMemFree(errors);
  net.Simulation()->ClearFailures();

  struct Case {
    const wchar_t* id;
    DWORD count;
    HRESULT hr;
  } failing[] = {{L"", 1, OPC_E_INVALIDITEMID}, {L"4B.9.9.0", 1, OPC_E_UNKNOWNITEMID}, {kSetpoint, 0, E_INVALIDARG}};
  for (const Case& c : failing) {
    values = reinterpret_cast<VARIANT*>(1);
    errors = reinterpret_cast<HRESULT*>(1);
    EXPECT_EQ(c.hr, properties->GetItemProperties(const_cast<LPWSTR>(c.id), c.count, ids, &values, &errors));
    EXPECT_EQ(nullptr, values);
    EXPECT_EQ(nullptr, errors);
  }
  EXPECT_EQ(E_POINTER, properties->GetItemProperties(const_cast<LPWSTR>(kSetpoint), 1, ids, nullptr, &errors));
}

TEST_F(BrowseTest, AvailablePropertiesAndLookups) {
  DWORD count = 99;
  DWORD* ids = nullptr;
  LPWSTR* descriptions = nullptr;
  VARTYPE* types = nullptr;
  ASSERT_EQ(S_OK, properties->QueryAvailableProperties(const_cast<LPWSTR>(kSetpoint), &count, &ids, &descriptions,
                                                       &types));
  ASSERT_EQ(7u, count);
  EXPECT_EQ((std::vector<DWORD>{1, 2, 3, 4, 5, 101, 6}), std::vector<DWORD>(ids, ids + count));
  EXPECT_EQ(VT_R8, types[1]);
  for (DWORD i = 0; i < count; ++i) {
    EXPECT_NE(nullptr, descriptions[i]);
    CoTaskMemFree(descriptions[i]);
  }
  CoTaskMemFree(ids);
  CoTaskMemFree(descriptions);
  CoTaskMemFree(types);

  EXPECT_EQ(OPC_E_UNKNOWNITEMID, properties->QueryAvailableProperties(const_cast<LPWSTR>(L"4B.9.9.0"), &count, &ids,
                                                                      &descriptions, &types));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(nullptr, ids);
  EXPECT_EQ(nullptr, descriptions);
  EXPECT_EQ(nullptr, types);

  DWORD lookup[] = {1, 101, 5000};
  LPWSTR* newIds = nullptr;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_FALSE, properties->LookupItemIDs(const_cast<LPWSTR>(kSetpoint), 3, lookup, &newIds, &errors));
  EXPECT_EQ(OPC_E_INVALID_PID, errors[0]);
  EXPECT_EQ(E_FAIL, errors[1]);
  EXPECT_EQ(E_FAIL, errors[2]);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(nullptr, newIds[i]);
  CoTaskMemFree(newIds);
  CoTaskMemFree(errors);
}

using BrowseConcurrentTest = BrowseTest;

TEST_F(BrowseConcurrentTest, BrowsingWhileTheNetworkRestarts) {
  std::atomic<bool> done{false};
  std::atomic<int> rounds{0};
  // A client walking the tree and reading properties while the network stops and starts.
  std::thread walker([&] {
    DWORD ids[] = {1, 2, 3, 4, 5};
    while (!done) {
      browse->ChangeBrowsePosition(OPC_BROWSE_TO, L"");
      Texts branches = BrowseAll(OPC_BRANCH, L"");
      if (!branches.empty()) browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, branches[0].c_str());
      BrowseAll(OPC_FLAT, L"*Setpoint*", VT_EMPTY, 2);
      ItemId(L"");
      VARIANT* values = nullptr;
      HRESULT* errors = nullptr;
      if (SUCCEEDED(properties->GetItemProperties(const_cast<LPWSTR>(kSetpoint), 5, ids, &values, &errors))) {
        for (int i = 0; i < 5; ++i) VariantClear(&values[i]);
        CoTaskMemFree(values);
        CoTaskMemFree(errors);
      }
      ++rounds;
    }
  });
  for (int i = 0; i < 10; ++i) {
    int seen = rounds;
    net.Manager().ClearNodes();
    net.Manager().RefreshNodes();
    // Let the walker through at least once per restart (10 s at most, a failure guard).
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         rounds == seen && std::chrono::steady_clock::now() < end;)
      std::this_thread::yield();
  }
  done = true;
  walker.join();
  EXPECT_GE(rounds.load(), 10);
  EXPECT_FALSE(BrowseAll(OPC_FLAT, L"").empty());
}

}  // namespace
