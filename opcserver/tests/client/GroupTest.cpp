// Group state, item management, synchronous I/O and data changes, through the OPC interfaces.
#include <gtest/gtest.h>

#include <cmath>

#include "opcserver/MyOPCGroup.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OpcBusyCount.h"
#include "opcserver/testing/EventCapture.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

namespace {

class GroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a = tags.Add(L"Dev.1.2.0");
    b = tags.Add(L"Dev.1.2.1", VT_I4, 1);
    a->SetDouble(12.5);
    b->SetDouble(7);
  }
  void TearDown() override { FreeErrors(); }

  void FreeErrors() {
    CoTaskMemFree(errors);
    errors = nullptr;
  }
  CComPtr<IOPCGroupStateMgt> State(IUnknown* g) { return QueryAs<IOPCGroupStateMgt>(g); }

  CFakeTagsManager tags;
  CEventCapture events;
  CCycleWatcher cycles;
  COpcTestClient client;
  std::shared_ptr<FakePoint> a, b;
  HRESULT* errors = nullptr;
};

TEST_F(GroupTest, AddItemsReportsEachItem) {
  auto group = client.AddGroup(L"G", TRUE, 1000, 1);
  OPCITEMDEF defs[3] = {};
  defs[0].szItemID = const_cast<LPWSTR>(L"Dev.1.2.0");
  defs[0].bActive = TRUE;
  defs[0].hClient = 11;
  defs[1].szItemID = const_cast<LPWSTR>(L"Nope");
  defs[2].szItemID = nullptr;
  OPCITEMRESULT* results = nullptr;
  ASSERT_EQ(S_FALSE, group->AddItems(3, defs, &results, &errors));
  EXPECT_EQ(S_OK, errors[0]);
  EXPECT_NE(0u, results[0].hServer);
  EXPECT_EQ(VT_R8, results[0].vtCanonicalDataType);
  EXPECT_EQ(3u, results[0].dwAccessRights);
  EXPECT_EQ(OPC_E_INVALIDITEMID, errors[1]);
  EXPECT_EQ(0u, results[1].hServer);
  EXPECT_EQ(0u, results[1].dwAccessRights);
  EXPECT_EQ(OPC_E_INVALIDITEMID, errors[2]);
  CoTaskMemFree(results);

  auto added = events.Texts(OpcEventAddItem);
  ASSERT_EQ(1u, added.size());
  EXPECT_EQ(0, added[0].Find(L"Add item 'Dev.1.2.0' to group 'G', client 'Client"));
}

TEST_F(GroupTest, ArgumentErrorsComeBeforeAnything) {
  auto group = client.AddGroup(L"G", TRUE, 1000, 1);
  auto io = QueryAs<IOPCSyncIO>(group.p);
  OPCITEMDEF def{};
  OPCITEMRESULT* results = reinterpret_cast<OPCITEMRESULT*>(0x1);
  OPCHANDLE h = 1;
  OPCITEMSTATE* states = reinterpret_cast<OPCITEMSTATE*>(0x1);
  VARIANT v;
  VariantInit(&v);
  VARTYPE vt = VT_I4;
  EXPECT_EQ(E_POINTER, group->AddItems(1, nullptr, &results, &errors));
  EXPECT_EQ(E_POINTER, group->AddItems(1, &def, nullptr, &errors));
  EXPECT_EQ(E_INVALIDARG, group->AddItems(0, &def, &results, &errors));
  EXPECT_EQ(E_POINTER, group->ValidateItems(1, &def, FALSE, &results, nullptr));
  EXPECT_EQ(E_INVALIDARG, group->RemoveItems(0, &h, &errors));
  EXPECT_EQ(E_POINTER, group->SetActiveState(1, nullptr, TRUE, &errors));
  EXPECT_EQ(E_POINTER, group->SetClientHandles(1, &h, nullptr, &errors));
  EXPECT_EQ(E_INVALIDARG, group->SetDatatypes(0, &h, &vt, &errors));
  EXPECT_EQ(E_INVALIDARG, io->Read(OPC_DS_CACHE, 0, &h, &states, &errors));
  EXPECT_EQ(reinterpret_cast<OPCITEMSTATE*>(0x1), states);  // untouched
  EXPECT_EQ(E_POINTER, io->Read(OPC_DS_CACHE, 1, &h, nullptr, &errors));
  EXPECT_EQ(E_POINTER, io->Write(1, &h, nullptr, &errors));
  EXPECT_EQ(E_INVALIDARG, io->Write(0, &h, &v, &errors));
  EXPECT_EQ(nullptr, errors);
}

TEST_F(GroupTest, RefusedTypeLeavesNoItemAndSameIdTwiceGivesTwoItems) {
  auto group = client.AddGroup(L"G", TRUE, 1000, 1);
  std::vector<HRESULT> errs;
  auto refused = client.AddItems(group, {L"Dev.1.2.0"}, &errs, VT_VARIANT);
  EXPECT_EQ(OPC_E_BADTYPE, errs[0]);
  EXPECT_EQ(0u, refused[0]);
  auto twice = client.AddItems(group, {L"Dev.1.2.0", L"Dev.1.2.0"});
  EXPECT_NE(0u, twice[0]);
  EXPECT_NE(0u, twice[1]);
  EXPECT_NE(twice[0], twice[1]);
  // Only the two good items live.
  ASSERT_EQ(S_OK, group->RemoveItems(2, twice.data(), &errors));
}

TEST_F(GroupTest, ValidateItemsAddsNothing) {
  auto group = client.AddGroup(L"G", TRUE, 1000, 1);
  OPCITEMDEF defs[3] = {};
  defs[0].szItemID = const_cast<LPWSTR>(L"Dev.1.2.1");
  defs[0].vtRequestedDataType = 0xFFFF;
  defs[1].szItemID = const_cast<LPWSTR>(L"Missing");
  defs[2].szItemID = const_cast<LPWSTR>(L"");
  OPCITEMRESULT* results = nullptr;
  ASSERT_EQ(S_FALSE, group->ValidateItems(3, defs, FALSE, &results, &errors));
  EXPECT_EQ(OPC_E_BADTYPE, errors[0]);
  EXPECT_EQ(VT_I4, results[0].vtCanonicalDataType);
  EXPECT_EQ(1u, results[0].dwAccessRights);
  EXPECT_EQ(0u, results[0].hServer);
  EXPECT_EQ(OPC_E_UNKNOWNITEMID, errors[1]);
  EXPECT_EQ(OPC_E_INVALIDITEMID, errors[2]);
  CoTaskMemFree(results);
  EXPECT_TRUE(events.Texts(OpcEventAddItem).empty());
}

TEST_F(GroupTest, HandleOperationsWithGoodAndStaleHandles) {
  auto group = client.AddGroup(L"G", TRUE, 1000, 1);
  auto h = client.AddItems(group, {L"Dev.1.2.0", L"Dev.1.2.1"});
  HRESULT* e = nullptr;
  ASSERT_EQ(S_OK, group->RemoveItems(1, &h[1], &e));
  CoTaskMemFree(e);
  OPCHANDLE handles[3] = {h[0], h[1], 0xDEAD};
  OPCHANDLE clients[3] = {70, 71, 72};
  VARTYPE types[3] = {VT_BSTR, VT_I4, VT_I4};
  struct Op {
    const char* name;
    std::function<HRESULT(HRESULT**)> call;
  } ops[] = {
      {"RemoveItems", [&](HRESULT** pe) { return group->RemoveItems(3, handles, pe); }},
      {"SetActiveState", [&](HRESULT** pe) { return group->SetActiveState(3, handles, FALSE, pe); }},
      {"SetClientHandles", [&](HRESULT** pe) { return group->SetClientHandles(3, handles, clients, pe); }},
      {"SetDatatypes", [&](HRESULT** pe) { return group->SetDatatypes(3, handles, types, pe); }},
  };
  for (auto& op : ops) {
    if (std::string(op.name) == "RemoveItems") continue;  // last, below
    ASSERT_EQ(S_FALSE, op.call(&errors)) << op.name;
    EXPECT_EQ(S_OK, errors[0]) << op.name;
    EXPECT_EQ(OPC_E_INVALIDHANDLE, errors[1]) << op.name;
    EXPECT_EQ(OPC_E_INVALIDHANDLE, errors[2]) << op.name;
    FreeErrors();
  }
  VARTYPE bad = VT_VARIANT;
  ASSERT_EQ(S_FALSE, group->SetDatatypes(1, handles, &bad, &errors));
  EXPECT_EQ(OPC_E_BADTYPE, errors[0]);
  FreeErrors();
  ASSERT_EQ(S_FALSE, ops[0].call(&errors));
  EXPECT_EQ(S_OK, errors[0]);
  EXPECT_EQ(OPC_E_INVALIDHANDLE, errors[1]);
  FreeErrors();
  EXPECT_EQ(1u, events.Texts(OpcEventItemClientHandle).size() - 2);  // two from AddItems
  auto retyped = events.Texts(OpcEventItemDatatype);
  ASSERT_EQ(1u, retyped.size());
  EXPECT_NE(-1, retyped[0].Find(L"New datatype = "));
}

TEST_F(GroupTest, SetStateAppliesEverythingAndReportsARevisedRate) {
  auto group = client.AddGroup(L"G", FALSE, 1000, 1);
  auto state = State(group);
  DWORD rate = 50, revised = 0;
  FLOAT deadband = 10.0f;
  LONG bias = 60;
  EXPECT_EQ(OPC_S_UNSUPPORTEDRATE, state->SetState(&rate, &revised, nullptr, &bias, &deadband, nullptr, nullptr));
  EXPECT_EQ(100u, revised);
  FLOAT gotDeadband = 0;
  LONG gotBias = 0;
  DWORD gotRate = 0;
  state->GetState(&gotRate, nullptr, nullptr, &gotBias, &gotDeadband, nullptr, nullptr, nullptr);
  EXPECT_EQ(100u, gotRate);
  EXPECT_EQ(10.0f, gotDeadband);
  EXPECT_EQ(60, gotBias);
  EXPECT_EQ(E_POINTER, state->SetState(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  BOOL active = FALSE;
  ASSERT_EQ(S_OK, state->SetState(nullptr, &revised, &active, nullptr, nullptr, nullptr, nullptr));
  EXPECT_TRUE(events.Texts(OpcEventGroupActive).empty());  // no change
  active = TRUE;
  ASSERT_EQ(S_OK, state->SetState(nullptr, &revised, &active, nullptr, nullptr, nullptr, nullptr));
  active = FALSE;
  ASSERT_EQ(S_OK, state->SetState(nullptr, &revised, &active, nullptr, nullptr, nullptr, nullptr));
  auto texts = events.Texts(OpcEventGroupActive);
  ASSERT_EQ(2u, texts.size());
  EXPECT_EQ(0, texts[1].Find(L"Set group 'G', client 'Client"));
  EXPECT_NE(-1, texts[1].Find(L"', as inactive"));
  EXPECT_NE(-1, texts[0].Find(L"', as active"));
}

TEST_F(GroupTest, ADeadbandOutsideAPercentageOrASourceOtherThanCacheOrDeviceIsInvalid) {
  struct Case {
    FLOAT deadband;
    HRESULT expected;
  } cases[] = {{0.0f, S_OK},           {100.0f, S_OK},         {-0.5f, E_INVALIDARG},
               {100.5f, E_INVALIDARG}, {NAN, E_INVALIDARG},    {INFINITY, E_INVALIDARG}};
  auto group = client.AddGroup(L"G", FALSE, 1000, 1);
  auto state = State(group);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.deadband);
    // AddGroup makes no group for an invalid one.
    FLOAT deadband = c.deadband;
    CComPtr<IUnknown> added;
    OPCHANDLE h = 0;
    EXPECT_EQ(c.expected, client.Server()->AddGroup(L"", FALSE, 1000, 2, nullptr, &deadband, 0, &h, nullptr,
                                                    IID_IUnknown, &added.p));
    EXPECT_EQ(c.expected == S_OK, added != nullptr);
    if (added) client.Server()->RemoveGroup(h, TRUE);
    // SetState changes nothing at all for an invalid one.
    DWORD rate = 2000, revised = 0;
    BOOL active = TRUE;
    EXPECT_EQ(c.expected, state->SetState(&rate, &revised, &active, nullptr, &deadband, nullptr, nullptr));
    DWORD gotRate = 0;
    BOOL gotActive = FALSE;
    FLOAT gotDeadband = -1.0f;
    state->GetState(&gotRate, &gotActive, nullptr, nullptr, &gotDeadband, nullptr, nullptr, nullptr);
    EXPECT_EQ(c.expected == S_OK ? c.deadband : 100.0f, gotDeadband);
    EXPECT_EQ(c.expected == S_OK ? 2000u : 1000u, gotRate);
    EXPECT_EQ(c.expected == S_OK, gotActive != FALSE);
    rate = 1000;
    active = FALSE;
    FLOAT reset = 100.0f;
    state->SetState(&rate, &revised, &active, nullptr, &reset, nullptr, nullptr);
  }

  auto handles = client.AddItems(group, {L"Dev.1.2.0"});
  OPCITEMSTATE* states = nullptr;
  for (DWORD source : {0u, 3u}) {
    EXPECT_EQ(E_INVALIDARG, QueryAs<IOPCSyncIO>(group.p)->Read(static_cast<OPCDATASOURCE>(source), 1, handles.data(),
                                                              &states, &errors));
    EXPECT_EQ(nullptr, states);
  }
}

TEST_F(GroupTest, Rename) {
  auto g = client.AddGroup(L"G", FALSE, 1000, 1);
  auto other = client.AddGroup(L"H", FALSE, 1000, 2);
  auto state = State(g);
  EXPECT_EQ(E_POINTER, state->SetName(nullptr));
  EXPECT_EQ(E_INVALIDARG, state->SetName(L""));
  EXPECT_EQ(S_OK, state->SetName(L"G"));
  EXPECT_TRUE(events.Texts(OpcEventRenameGroup).empty());
  EXPECT_EQ(OPC_E_DUPLICATENAME, state->SetName(L"H"));
  EXPECT_EQ(S_OK, state->SetName(L"K"));
  auto texts = events.Texts(OpcEventRenameGroup);
  ASSERT_EQ(1u, texts.size());
  EXPECT_EQ(0, texts[0].Find(L"Rename group 'G' -> 'K', client 'Client"));
  CComPtr<IUnknown> found;
  EXPECT_EQ(S_OK, client.Server()->GetGroupByName(L"K", IID_IOPCSyncIO, &found.p));
}

TEST_F(GroupTest, ReadFromCacheAndDeviceWithQuality) {
  auto group = client.AddGroup(L"G", FALSE, 1000, 1);
  auto h = client.AddItems(group, {L"Dev.1.2.0"});
  OPCHANDLE handles[2] = {h[0], 0xBAD};
  auto io = QueryAs<IOPCSyncIO>(group.p);
  struct Case {
    OPCDATASOURCE source;
    WORD quality;  // the group is inactive
  } cases[] = {{OPC_DS_CACHE, 0x1C}, {OPC_DS_DEVICE, 0xC0}};
  for (const Case& c : cases) {
    OPCITEMSTATE* states = nullptr;
    ASSERT_EQ(S_FALSE, io->Read(c.source, 2, handles, &states, &errors));
    EXPECT_EQ(S_OK, errors[0]);
    EXPECT_EQ(c.quality, states[0].wQuality);
    EXPECT_EQ(1u, states[0].hClient);
    EXPECT_EQ(VT_R8, states[0].vDataValue.vt);
    EXPECT_EQ(12.5, states[0].vDataValue.dblVal);
    EXPECT_EQ(OPC_E_INVALIDHANDLE, errors[1]);
    EXPECT_EQ(0u, states[1].hClient);
    EXPECT_EQ(VT_EMPTY, states[1].vDataValue.vt);
    for (int i = 0; i < 2; ++i) VariantClear(&states[i].vDataValue);
    CoTaskMemFree(states);
    FreeErrors();
  }
  // A requested type converts on the way out; an unconvertible value fails that item only.
  VARTYPE type = VT_BSTR;
  ASSERT_EQ(S_OK, group->SetDatatypes(1, handles, &type, &errors));
  FreeErrors();
  OPCITEMSTATE* states = nullptr;
  ASSERT_EQ(S_OK, io->Read(OPC_DS_DEVICE, 1, handles, &states, &errors));
  ASSERT_EQ(VT_BSTR, states[0].vDataValue.vt);
  EXPECT_STREQ(L"12.5", states[0].vDataValue.bstrVal);
  VariantClear(&states[0].vDataValue);
  CoTaskMemFree(states);
  EXPECT_EQ(1u, events.Texts(OpcEventSyncRead).size() - 2);
}

TEST_F(GroupTest, BadQualityFromTheTagIsPassedOn) {
  a->quality = 0x40;
  auto group = client.AddGroup(L"G", TRUE, 1000, 1);
  auto h = client.AddItems(group, {L"Dev.1.2.0"});
  OPCITEMSTATE* states = nullptr;
  ASSERT_EQ(S_OK, QueryAs<IOPCSyncIO>(group.p)->Read(OPC_DS_CACHE, 1, h.data(), &states, &errors));
  EXPECT_EQ(0x40, states[0].wQuality);
  VariantClear(&states[0].vDataValue);
  CoTaskMemFree(states);
}

TEST_F(GroupTest, WriteGoesThroughTheTagAndLogsFailures) {
  auto group = client.AddGroup(L"G", TRUE, 1000, 1);
  auto h = client.AddItems(group, {L"Dev.1.2.0", L"Dev.1.2.1"});
  OPCHANDLE handles[4] = {h[0], h[1], h[0], 0xBAD};
  VARIANT values[4];
  for (auto& v : values) VariantInit(&v);
  values[0].vt = VT_BSTR;
  values[0].bstrVal = SysAllocString(L"42");
  values[1].vt = VT_I4;  // read-only tag
  values[1].lVal = 3;
  // values[2] stays VT_EMPTY
  values[3].vt = VT_I4;
  ASSERT_EQ(S_FALSE, QueryAs<IOPCSyncIO>(group.p)->Write(4, handles, values, &errors));
  EXPECT_EQ(S_OK, errors[0]);
  EXPECT_EQ(OPC_E_BADRIGHTS, errors[1]);
  EXPECT_EQ(OPC_E_BADTYPE, errors[2]);
  EXPECT_EQ(OPC_E_INVALIDHANDLE, errors[3]);
  EXPECT_EQ(VT_R8, a->lastWritten.vt);  // converted to the canonical type
  EXPECT_EQ(42.0, a->lastWritten.dblVal);
  EXPECT_EQ(0, b->writes);
  EXPECT_STREQ(L"42", values[0].bstrVal);  // the client's value is left alone
  VariantClear(&values[0]);
  EXPECT_EQ(std::vector<CString>{CString(L"The operation failed. ")}, events.Texts(OpcEventOperationFailed));
  EXPECT_EQ(1u, events.Texts(OpcEventItemWrite).size());
  FreeErrors();
  a->writeOk = false;
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = 1;
  ASSERT_EQ(S_FALSE, QueryAs<IOPCSyncIO>(group.p)->Write(1, handles, &v, &errors));
  EXPECT_EQ(E_FAIL, errors[0]);
}

TEST_F(GroupTest, DataChangesGoToTheSinkWithTransactionZero) {
  OPCHANDLE hs = 0;
  auto group = client.AddGroup(L"G", TRUE, 100, 77, &hs);
  auto sink = client.Subscribe(group);
  auto h = client.AddItems(group, {L"Dev.1.2.0", L"Dev.1.2.1"});
  ASSERT_TRUE(sink->WaitForCalls(1));
  auto first = sink->Calls()[0];
  EXPECT_EQ(0u, first.transaction);
  EXPECT_EQ(77u, first.hGroup);
  EXPECT_EQ(S_OK, first.masterQuality);
  EXPECT_EQ(S_OK, first.masterError);
  ASSERT_EQ(2u, first.clients.size());
  EXPECT_EQ(12.5, first.values[0]);

  // Nothing changed: cycles pass without a call.
  cycles.Mark(77);
  ASSERT_TRUE(cycles.WaitForMoreCycles(77, 3));
  EXPECT_EQ(1u, sink->CallCount());

  // One value changes: only that item is delivered.
  a->SetDouble(13);
  ASSERT_TRUE(sink->WaitForCalls(2));
  auto second = sink->Calls()[1];
  ASSERT_EQ(1u, second.clients.size());
  EXPECT_EQ(1u, second.clients[0]);
  EXPECT_EQ(13.0, second.values[0]);

  // An uncertain quality makes the master quality S_FALSE.
  b->SetQuality(0x40);
  ASSERT_TRUE(sink->WaitForCalls(3));
  EXPECT_EQ(S_FALSE, sink->Calls()[2].masterQuality);
  EXPECT_FALSE(events.Texts(OpcEventDataChange).empty());

  OPCSERVERSTATUS* status = nullptr;
  ASSERT_EQ(S_OK, client.Server()->GetStatus(&status));
  EXPECT_NE(0u, status->ftLastUpdateTime.dwHighDateTime);
  CoTaskMemFree(status->szVendorInfo);
  CoTaskMemFree(status);
}

// An inactive group with a sink, whose update thread stays idle so that a test runs its cycle by
// hand; its third tag reads `third`.
struct HandRunGroup {
  CComPtr<IOPCItemMgt> group;
  CComPtr<CComObject<CTestDataCallback>> sink;
  CMyOPCGroup* object = nullptr;
  std::shared_ptr<FakePoint> third;
};
HandRunGroup MakeHandRunGroup(COpcTestClient& client, CFakeTagsManager& tags, double third) {
  HandRunGroup run;
  run.third = tags.Add(L"Dev.1.2.2");
  run.third->SetDouble(third);
  OPCHANDLE hs = 0;
  run.group = client.AddGroup(L"G", FALSE, 100000, 3, &hs);
  run.sink = client.Subscribe(run.group);
  run.object = static_cast<CMyOPCServer*>(client.Server())->FindGroupByHandle(hs);
  return run;
}

// Item management waiting for the group's lock cuts a cycle's refreshes short, never its
// updates: every item still delivers what its tag last had.
TEST_F(GroupTest, ItemManagementWaitingStopsTheRefreshesButNotTheUpdates) {
  if (CurrentOpcTestTransport() != OpcTestTransport::kInProcess) GTEST_SKIP() << "runs the group's cycle by hand";
  auto [group, sink, g, c] = MakeHandRunGroup(client, tags, 1);
  ASSERT_NE(nullptr, g);
  client.AddItems(group, {L"Dev.1.2.0", L"Dev.1.2.1", L"Dev.1.2.2"});
  ASSERT_TRUE(g->UpdateItems());
  ASSERT_EQ(S_OK, g->SendDataChange(true));
  ASSERT_EQ(1u, sink->CallCount());

  const int before[3] = {a->refreshes, b->refreshes, c->refreshes};
  a->SetDouble(21);
  b->SetDouble(22);
  c->SetDouble(23);
  {
    COpcBusyScope busy;
    ASSERT_TRUE(g->UpdateItems());
  }
  // The first item was refreshed when the waiting was noticed; the others kept their tags' state.
  EXPECT_EQ(before[0] + 1, a->refreshes);
  EXPECT_EQ(before[1], b->refreshes);
  EXPECT_EQ(before[2], c->refreshes);
  ASSERT_EQ(S_OK, g->SendDataChange(true));
  ASSERT_EQ(2u, sink->CallCount());
  auto second = sink->Calls()[1];
  ASSERT_EQ(3u, second.values.size());
  EXPECT_EQ(21.0, second.values[0]);
  EXPECT_EQ(22.0, second.values[1]);
  EXPECT_EQ(23.0, second.values[2]);

  // Nothing waits: every tag is refreshed again, and nothing changed.
  EXPECT_FALSE(g->UpdateItems());
  EXPECT_EQ(before[1] + 1, b->refreshes);
  EXPECT_EQ(before[2] + 1, c->refreshes);
}

// A cycle walks the items as they are now: one removed since the last cycle is gone from it,
// one added is delivered.
TEST_F(GroupTest, ACycleWalksTheItemsAddedOrRemovedSinceTheLast) {
  if (CurrentOpcTestTransport() != OpcTestTransport::kInProcess) GTEST_SKIP() << "runs the group's cycle by hand";
  auto [group, sink, g, c] = MakeHandRunGroup(client, tags, 3);
  ASSERT_NE(nullptr, g);
  auto h = client.AddItems(group, {L"Dev.1.2.0", L"Dev.1.2.1"});
  auto cycle = [&] {
    if (g->UpdateItems()) {
      EXPECT_EQ(S_OK, g->SendDataChange(true));
    }
  };
  cycle();
  ASSERT_EQ(1u, sink->CallCount());
  ASSERT_EQ(2u, sink->Calls()[0].clients.size());

  ASSERT_EQ(S_OK, group->RemoveItems(1, &h[0], &errors));
  FreeErrors();
  a->SetDouble(31);
  b->SetDouble(32);
  cycle();
  ASSERT_EQ(2u, sink->CallCount());
  ASSERT_EQ(1u, sink->Calls()[1].clients.size());
  EXPECT_EQ(2u, sink->Calls()[1].clients[0]);
  EXPECT_EQ(32.0, sink->Calls()[1].values[0]);

  client.AddItems(group, {L"Dev.1.2.2"});
  cycle();
  ASSERT_EQ(3u, sink->CallCount());
  ASSERT_EQ(1u, sink->Calls()[2].values.size());
  EXPECT_EQ(3.0, sink->Calls()[2].values[0]);
}

TEST_F(GroupTest, InactiveGroupSendsNothingAndActivationWakesIt) {
  auto group = client.AddGroup(L"G", FALSE, 100000, 5);
  auto sink = client.Subscribe(group);
  client.AddItems(group, {L"Dev.1.2.0"});
  cycles.Mark(5);
  BOOL active = FALSE;
  DWORD revised = 0, rate = 100;
  // A new rate wakes the thread; the group stays inactive, so nothing is sent.
  ASSERT_EQ(S_OK, State(group)->SetState(&rate, &revised, &active, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(cycles.WaitForMoreCycles(5, 2));
  EXPECT_EQ(0u, sink->CallCount());
  rate = 100000;
  active = TRUE;
  ASSERT_EQ(S_OK, State(group)->SetState(&rate, &revised, &active, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(sink->WaitForCalls(1));  // long before the 100 s period
}

TEST_F(GroupTest, AFailingSinkGetsTheChangesAgain) {
  auto group = client.AddGroup(L"G", TRUE, 100, 9);
  auto sink = client.Subscribe(group);
  sink->m_result = E_FAIL;
  client.AddItems(group, {L"Dev.1.2.0"});
  ASSERT_TRUE(sink->WaitForCalls(2));
  EXPECT_EQ(1u, sink->Calls()[1].clients.size());
}

TEST_F(GroupTest, AFailingSinkDoesNotStarveTheOthers) {
  auto group = client.AddGroup(L"G", TRUE, 100, 9);
  auto failing = client.Subscribe(group);
  failing->m_result = E_FAIL;
  auto healthy = client.Subscribe(group);
  client.AddItems(group, {L"Dev.1.2.0"});
  ASSERT_TRUE(healthy->WaitForCalls(1));
  EXPECT_EQ(std::vector<OPCHANDLE>{1}, healthy->Calls()[0].clients);
  EXPECT_LE(1u, failing->CallCount());
}

TEST_F(GroupTest, DeadbandFiltersSmallMoves) {
  FLOAT deadband = 25.0f;
  a->high = 200;
  a->SetDouble(50.0);
  auto group = client.AddGroup(L"G", TRUE, 100, 3, nullptr, &deadband);
  auto sink = client.Subscribe(group);
  client.AddItems(group, {L"Dev.1.2.0"});
  ASSERT_TRUE(sink->WaitForCalls(1));
  a->SetDouble(99.5);  // 49.5 < 50
  cycles.Mark(3);
  ASSERT_TRUE(cycles.WaitForMoreCycles(3, 3));
  EXPECT_EQ(1u, sink->CallCount());
  a->SetDouble(100.0);  // exactly the band
  ASSERT_TRUE(sink->WaitForCalls(2));
  EXPECT_EQ(100.0, sink->Calls()[1].values[0]);
}

TEST_F(GroupTest, RemovingTheGroupFromInsideTheCallbackIsSafe) {
  OPCHANDLE hs = 0;
  auto group = client.AddGroup(L"G", TRUE, 100, 4, &hs);
  auto sink = client.Subscribe(group);
  group.Release();  // only the server holds it now
  IOPCServer* server = client.Server();
  HRESULT removed = E_UNEXPECTED;
  sink->m_onCall = [&] {
    if (removed == E_UNEXPECTED) removed = server->RemoveGroup(hs, TRUE);
  };
  tags.Add(L"Dev.1.2.0");
  CComPtr<IUnknown> g;
  ASSERT_EQ(S_OK, server->GetGroupByName(L"G", IID_IOPCItemMgt, &g.p));
  client.AddItems(QueryAs<IOPCItemMgt>(g.p), {L"Dev.1.2.0"});
  g.Release();
  ASSERT_TRUE(sink->WaitForCalls(1));
  EXPECT_EQ(S_OK, removed);
}

TEST_F(GroupTest, MonitoringFollowsGroupAndItemActiveStates) {
  auto group = client.AddGroup(L"G", FALSE, 1000, 1);
  auto h = client.AddItems(group, {L"Dev.1.2.0"});
  EXPECT_EQ(0, a->monitoring);
  BOOL active = TRUE;
  DWORD revised = 0;
  State(group)->SetState(nullptr, &revised, &active, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(1, a->monitoring);
  ASSERT_EQ(S_OK, group->SetActiveState(1, h.data(), FALSE, &errors));
  FreeErrors();
  EXPECT_EQ(0, a->monitoring);
  ASSERT_EQ(S_OK, group->SetActiveState(1, h.data(), TRUE, &errors));
  FreeErrors();
  EXPECT_EQ(1, a->monitoring);
  ASSERT_EQ(S_OK, group->RemoveItems(1, h.data(), &errors));
  EXPECT_EQ(0, a->monitoring);
}

}  // namespace
