// Several clients at once against update threads that keep delivering: no deadlock, no race.
#include <gtest/gtest.h>

#include <deque>
#include <thread>

#include "opcserver/OPCToolkitManager.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

namespace {

TEST(ServerStressTest, ConcurrentItemManagementIOAndDeliveries) {
  CFakeTagsManager tags;
  std::vector<CString> ids;
  for (int i = 0; i < 16; ++i) {
    CString id;
    id.Format(L"Dev.1.%d.0", i);
    tags.Add(id)->SetDouble(i);
    ids.push_back(id);
  }
  COpcTestClient client;
  OPCHANDLE hShared = 0;
  auto shared = client.AddGroup(L"Shared", TRUE, 100, 100, &hShared);
  auto sharedSink = client.Subscribe(shared);
  client.AddItems(shared, ids);
  ASSERT_TRUE(sharedSink->WaitForCalls(1));

  constexpr int kThreads = 4;
  constexpr int kRounds = 60;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      auto own = client.AddGroup(L"", TRUE, 100, 200 + t);
      auto sink = client.Subscribe(own);
      for (int r = 0; r < kRounds; ++r) {
        IOPCItemMgt* group = (r % 2) ? own.p : shared.p;
        auto handles = client.AddItems(group, {ids[(t + r) % 16], ids[(t * 3 + r) % 16]});
        tags.Get(ids[(r + t) % 16])->SetDouble(r * 10 + t);
        // Once per thread, wait until its own update thread has delivered amid the others' work.
        if (r == 1) {
          EXPECT_TRUE(sink->WaitForCalls(1));
        }
        OPCITEMSTATE* states = nullptr;
        HRESULT* errors = nullptr;
        auto io = QueryAs<IOPCSyncIO>(group);
        if (SUCCEEDED(io->Read(r % 3 ? OPC_DS_CACHE : OPC_DS_DEVICE, 2, handles.data(), &states, &errors))) {
          for (int i = 0; i < 2; ++i) VariantClear(&states[i].vDataValue);
          CoTaskMemFree(states);
          CoTaskMemFree(errors);
        }
        VARIANT values[2];
        for (auto& v : values) {
          VariantInit(&v);
          v.vt = VT_R8;
          v.dblVal = r;
        }
        if (SUCCEEDED(io->Write(2, handles.data(), values, &errors))) CoTaskMemFree(errors);
        if (r % 7 == 0) {
          BOOL active = (r / 7) % 2 == 0;
          DWORD rate = 100 + r, revised = 0;
          QueryAs<IOPCGroupStateMgt>(own.p)->SetState(&rate, &revised, &active, nullptr, nullptr, nullptr, nullptr);
        }
        if (SUCCEEDED(group->RemoveItems(2, handles.data(), &errors))) CoTaskMemFree(errors);
        // A reader as the GUI is: copies under the statistics lock.
        std::deque<DWORD> servers, groups;
        GetOPCToolkitManager().ListServers(servers);
        for (DWORD s : servers) GetOPCToolkitManager().ListGroups(s, groups);
        for (DWORD g : groups) {
          CGroupInfo info;
          GetOPCToolkitManager().GetGroupInfo(g, info);
        }
      }
    });
  }
  // Groups coming and going beside the others.
  threads.emplace_back([&] {
    for (int r = 0; r < kRounds / 2; ++r) {
      OPCHANDLE h = 0;
      auto g = client.AddGroup(L"", TRUE, 100, 900, &h);
      client.AddItems(g, {ids[r % 16]});
      if (r % 2) g.Release();
      client.Server()->RemoveGroup(h, r % 3 == 0);
    }
  });
  for (auto& th : threads) th.join();
  shared.Release();
  // The update thread's own cycle may hold the group for a moment; either answer is sound here.
  HRESULT removed = client.Server()->RemoveGroup(hShared, FALSE);
  EXPECT_TRUE(removed == S_OK || removed == OPC_S_INUSE) << removed;
}

}  // namespace
