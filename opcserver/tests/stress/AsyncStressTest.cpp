// Asynchronous requests and OPC 1.0 advises from many threads against the group's worker and
// update thread: no deadlock, no race, and a group removed with requests still queued.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "opcserver/OPCStreamWriter.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/RecordingAdviseSink.h"
#include "opcserver/testing/RecordingDataCallback.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

namespace {

std::vector<CString> AddPoints(CFakeTagsManager& tags, int n) {
  std::vector<CString> ids;
  for (int i = 0; i < n; ++i) {
    CString id;
    id.Format(L"Dev.2.%d.0", i);
    tags.Add(id)->SetDouble(i);
    ids.push_back(id);
  }
  return ids;
}

TEST(AsyncStressTest, ConcurrentRequestsThenRemoveGroup) {
  CFakeTagsManager tags;
  auto ids = AddPoints(tags, 4);
  const COPCStreamFormats& formats = GetOpcStreamFormats();
  COpcTestClient client;
  OPCHANDLE hs = 0;
  auto group = client.AddGroup(L"Async", TRUE, 100, 7, &hs);
  auto handles = client.AddItems(group, ids);
  auto callback = CRecordingDataCallback::Connect(group);
  auto sink = CRecordingAdviseSink::Create();
  auto io2 = QueryAs<IOPCAsyncIO2>(group.p);
  auto io1 = QueryAs<IOPCAsyncIO>(group.p);
  auto data = QueryAs<IDataObject>(group.p);
  DWORD dataConnection = sink->AdviseOn(data, formats.data);
  DWORD writeConnection = sink->AdviseOn(data, formats.writeComplete);
  ASSERT_NE(0u, dataConnection);
  ASSERT_NE(0u, writeConnection);

  constexpr int kThreads = 8;
  constexpr int kRounds = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      DWORD lastCancel = 0, lastTransaction = 0;
      for (int r = 0; r < kRounds; ++r) {
        OPCHANDLE two[2] = {handles[(t + r) % 4], handles[(t + r + 1) % 4]};
        VARIANT values[2];
        for (VARIANT& v : values) {
          VariantInit(&v);
          v.vt = VT_R8;
          v.dblVal = t * 100 + r;
        }
        HRESULT* errors = nullptr;
        DWORD id = 0;
        switch (r % 6) {
          case 0:
            io2->Read(2, two, r, &id, &errors);
            break;
          case 1:
            io2->Write(2, two, values, r, &id, &errors);
            break;
          case 2:
            io2->Refresh2(OPC_DS_CACHE, r, &id);
            break;
          case 3:
            io2->Cancel2(lastCancel);
            io1->Read(dataConnection, OPC_DS_DEVICE, 2, two, &lastTransaction, &errors);
            break;
          case 4:
            io1->Write(writeConnection, 2, two, values, &lastTransaction, &errors);
            break;
          default:
            io1->Cancel(lastTransaction);
            break;
        }
        if (id) lastCancel = id;
        CoTaskMemFree(errors);
      }
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_TRUE(callback->WaitFor(1, [](const CallbackCall& c) { return c.transaction != 0; }));
  ASSERT_TRUE(sink->WaitFor(1, [](const AdvisedStream& s) { return s.Transaction() != 0; }));

  // Requests may still be queued: the group goes with them, and none of them completes after.
  io1.Release();
  io2.Release();
  data.Release();
  group.Release();
  HRESULT removed = client.Server()->RemoveGroup(hs, FALSE);
  EXPECT_TRUE(removed == S_OK || removed == OPC_S_INUSE) << std::hex << removed;
  client.Release();
}

TEST(AsyncStressTest, DUnadviseConcurrentWithTheUpdateThread) {
  CFakeTagsManager tags;
  auto ids = AddPoints(tags, 2);
  const COPCStreamFormats& formats = GetOpcStreamFormats();
  COpcTestClient client;
  auto group = client.AddGroup(L"Advised", TRUE, 100, 8);
  client.AddItems(group, ids);
  auto data = QueryAs<IDataObject>(group.p);
  std::atomic<bool> stop{false};
  // Every cycle has a change to deliver.
  std::thread changer([&] {
    for (int i = 0; !stop; ++i) {
      tags.Get(ids[0])->SetDouble(i);
      std::this_thread::yield();
    }
  });
  for (int r = 0; r < 10; ++r) {
    auto sink = CRecordingAdviseSink::Create();
    DWORD format = r % 2 ? formats.data : formats.dataTime;
    ASSERT_EQ(format, sink->AdviseOn(data, format));
    EXPECT_TRUE(sink->WaitFor(1, [](const AdvisedStream&) { return true; }));
    // Let go while the update thread may be calling it.
    EXPECT_EQ(S_OK, data->DUnadvise(format));
  }
  stop = true;
  changer.join();
}

}  // namespace
