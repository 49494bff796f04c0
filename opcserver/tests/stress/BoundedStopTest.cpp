// A client's call-back that does not return holds up a stop of the group's threads for 5000 ms
// at most: the caller goes on, the thread ends once the call-back returns, and nothing it uses is
// freed before.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "opcserver/ComServerThread.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/RecordingDataCallback.h"
#include "opcserver/testing/TestGate.h"
#include "platform/com/Memory.h"
#include "platform/com/Module.h"

namespace {

// Waits (10 s at most, a failure guard) until every object made since baseline is gone: the
// group freed on its own thread once the call-back returned.
bool WaitForObjectsGone(LONG baseline) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (GetModuleLockCount() > baseline) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(BoundedStopConcurrentTest, RemovingAGroupWhileItsSinkBlocksInADataChange) {
  CFakeTagsManager tags;
  tags.Add(L"Dev.1.2.0")->SetDouble(1.5);
  COpcTestClient client;
  const LONG baseline = GetModuleLockCount();
  CTestGate gate;  // the sink blocks for 10 s unless opened
  gate.Close();
  OPCHANDLE hGroup = 0;
  {
    auto group = client.AddGroup(L"G", TRUE, 100, 5, &hGroup);
    auto sink = client.Subscribe(group);
    sink->m_onCall = [&gate] { gate.Pass(); };
    client.AddItems(group, {L"Dev.1.2.0"});
    ASSERT_TRUE(gate.WaitForWaiter());  // inside OnDataChange, on the update thread
  }  // only the server holds the group now (and the update thread, for its cycle)

  EXPECT_EQ(S_OK, client.Server()->RemoveGroup(hGroup, FALSE));
  EXPECT_TRUE(gate.HasWaiter()) << "the removal waited for the call-back to return";
  gate.Open();
  // The cycle goes on with the group it holds, and frees it at its end.
  EXPECT_TRUE(WaitForObjectsGone(baseline));
}

TEST(BoundedStopConcurrentTest, AShutdownWhileACompletionBlocks) {
  CFakeTagsManager tags;
  tags.Add(L"Dev.1.2.0")->SetDouble(1.5);
  COpcTestClient client;
  const LONG baseline = GetModuleLockCount();
  {
    auto group = client.AddGroup(L"G", FALSE, 1000, 6);
    auto h = client.AddItems(group, {L"Dev.1.2.0"});
    auto callback = CRecordingDataCallback::Connect(group);
    ASSERT_TRUE(callback);
    callback->m_completionGate.Close();
    DWORD cancel = 0;
    HRESULT* errors = nullptr;
    ASSERT_EQ(S_OK, QueryAs<IOPCAsyncIO2>(group.p)->Read(1, h.data(), 7, &cancel, &errors));
    CoTaskMemFree(errors);
    ASSERT_TRUE(callback->m_completionGate.WaitForWaiter());  // inside OnReadComplete, on the worker

    // Every server is cut off, its groups with it.
    ShutdownClients(0, 0);
    EXPECT_TRUE(callback->m_completionGate.HasWaiter()) << "the shutdown waited for the call-back to return";
    callback->m_completionGate.Open();
    EXPECT_TRUE(callback->WaitFor(1, CallbackCall::ReadComplete));
  }
  client.Release();
  EXPECT_TRUE(WaitForObjectsGone(baseline - 1));  // the server went too
}

}  // namespace
