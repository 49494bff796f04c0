// Asynchronous reads, writes, refreshes and cancels through IOPCAsyncIO2 and IOPCAsyncIO, and
// the group's data object, through the OPC interfaces.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCStreamWriter.h"
#include "opcserver/OpcGroupCalls.h"
#include "opcserver/testing/EventCapture.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/RecordingAdviseSink.h"
#include "opcserver/testing/RecordingDataCallback.h"
#include "platform/com/Activation.h"
#include "platform/com/ComErrors.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

namespace {

typedef CComPtr<CComObject<CRecordingDataCallback>> Callback;
typedef CComPtr<CComObject<CRecordingAdviseSink>> AdviseSink;

FORMATETC Etc(DWORD format, DWORD tymed = TYMED_HGLOBAL) {
  return FORMATETC{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, tymed};
}

class AsyncIOTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a = tags.Add(L"Dev.1.2.0");
    b = tags.Add(L"Dev.1.2.1", VT_I4);
    a->SetDouble(12.5);
    b->SetDouble(7);
  }
  // The group (client handle 42) with both items, client handles 1 and 2. An active group's
  // period is long enough that no update cycle delivers anything while a test runs.
  void MakeGroup(BOOL active = FALSE) {
    group = client.AddGroup(L"G", active, active ? 1000000 : 1000, 42, &hServerGroup);
    h = client.AddItems(group, {L"Dev.1.2.0", L"Dev.1.2.1"});
    io2 = QueryAs<IOPCAsyncIO2>(group.p);
    io1 = QueryAs<IOPCAsyncIO>(group.p);
    data = QueryAs<IDataObject>(group.p);
  }
  Callback Connect() {
    Callback callback = CRecordingDataCallback::Connect(group);
    EXPECT_TRUE(callback);
    return callback;
  }
  static AdviseSink NewSink() { return CRecordingAdviseSink::Create(); }
  // Advises the sink for the format; the connection number.
  DWORD Advise(const AdviseSink& sink, DWORD format) {
    DWORD connection = sink->AdviseOn(data, format);
    EXPECT_NE(0u, connection);
    return connection;
  }
  // The handles' values as a write gives them: R8 for the first item, I4 for the second.
  void Values(double first, LONG second) {
    for (VARIANT& v : values) VariantClear(&v);
    values[0].vt = VT_R8;
    values[0].dblVal = first;
    values[1].vt = VT_I4;
    values[1].lVal = second;
  }
  void TearDown() override {
    for (VARIANT& v : values) VariantClear(&v);
  }
  static void Free(HRESULT*& errors) {
    CoTaskMemFree(errors);
    errors = nullptr;
  }

  const COPCStreamFormats& formats = GetOpcStreamFormats();
  CFakeTagsManager tags;
  CEventCapture events;
  COpcTestClient client;
  std::shared_ptr<FakePoint> a, b;
  CComPtr<IOPCItemMgt> group;
  OPCHANDLE hServerGroup = 0;
  std::vector<OPCHANDLE> h;
  CComPtr<IOPCAsyncIO2> io2;
  CComPtr<IOPCAsyncIO> io1;
  CComPtr<IDataObject> data;
  VARIANT values[2] = {};
};

auto Transaction(DWORD id) {
  return [id](const CallbackCall& c) { return c.transaction == id; };
}

TEST_F(AsyncIOTest, Opc20ReadAndWriteCompleteThroughTheCallback) {
  MakeGroup();
  auto callback = Connect();
  int before = a->refreshes;
  DWORD cancel = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, io2->Read(2, h.data(), 77, &cancel, &errors));
  EXPECT_EQ(3u, cancel);  // the first id of a new group
  EXPECT_EQ(S_OK, errors[1]);
  Free(errors);
  ASSERT_TRUE(callback->WaitFor(1, CallbackCall::ReadComplete));
  CallbackCall read = callback->Calls(CallbackCall::ReadComplete)[0];
  EXPECT_EQ(77u, read.transaction);
  EXPECT_EQ(42u, read.hGroup);
  EXPECT_EQ(S_OK, read.masterQuality);
  EXPECT_EQ(S_OK, read.masterError);
  EXPECT_EQ((std::vector<OPCHANDLE>{1, 2}), read.clients);
  EXPECT_EQ((std::vector<double>{12.5, 7}), read.values);
  EXPECT_GT(a->refreshes, before);  // read from the device

  // A write the device refuses for one item.
  b->writeOk = false;
  Values(20, 8);
  ASSERT_EQ(S_OK, io2->Write(2, h.data(), values, 78, &cancel, &errors));
  EXPECT_EQ(4u, cancel);
  Free(errors);
  ASSERT_TRUE(callback->WaitFor(1, CallbackCall::WriteComplete));
  CallbackCall write = callback->Calls(CallbackCall::WriteComplete)[0];
  EXPECT_EQ(78u, write.transaction);
  EXPECT_EQ(S_FALSE, write.masterError);
  EXPECT_EQ((std::vector<HRESULT>{S_OK, E_FAIL}), write.errors);
  EXPECT_EQ(20.0, a->lastWritten.dblVal);

  // A completion is logged after its call-back returns; the worker completes in order, so
  // once a later request completed, the earlier ones are logged.
  ASSERT_EQ(S_OK, io2->Read(1, h.data(), 79, &cancel, &errors));
  Free(errors);
  ASSERT_TRUE(callback->WaitFor(1, Transaction(79)));
  EXPECT_EQ(2u, events.Texts(OpcEventAsyncRead).size());
  EXPECT_LE(1u, events.Texts(OpcEventAsyncReadComplete).size());
  EXPECT_EQ(1u, events.Texts(OpcEventAsyncWrite).size());
  EXPECT_EQ(1u, events.Texts(OpcEventAsyncWriteComplete).size());
  EXPECT_EQ(0, events.Texts(OpcEventAsyncReadComplete)[0].Find(L"Async read in group 'G', client 'Client"));
}

TEST_F(AsyncIOTest, Refresh2DeliversTheActiveItemsWithTheClientsId) {
  MakeGroup(TRUE);
  auto callback = Connect();
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, group->SetActiveState(1, &h[1], FALSE, &errors));
  Free(errors);
  int before = a->refreshes;
  DWORD cancel = 0;
  ASSERT_EQ(S_OK, io2->Refresh2(OPC_DS_DEVICE, 90, &cancel));
  EXPECT_NE(0u, cancel);
  ASSERT_TRUE(callback->WaitFor(1, Transaction(90)));
  CallbackCall refresh = callback->Calls(Transaction(90))[0];
  EXPECT_EQ(CallbackCall::DataChange, refresh.kind);
  EXPECT_EQ((std::vector<OPCHANDLE>{1}), refresh.clients);
  EXPECT_EQ(12.5, refresh.values[0]);
  EXPECT_GT(a->refreshes, before);  // the device was read first

  // Nothing to refresh: every item inactive, or the group inactive.
  ASSERT_EQ(S_OK, group->SetActiveState(1, &h[0], FALSE, &errors));
  Free(errors);
  EXPECT_EQ(E_FAIL, io2->Refresh2(OPC_DS_CACHE, 91, &cancel));
  ASSERT_EQ(S_OK, group->SetActiveState(2, h.data(), TRUE, &errors));
  Free(errors);
  BOOL inactive = FALSE;
  DWORD revised = 0;
  QueryAs<IOPCGroupStateMgt>(group.p)->SetState(nullptr, &revised, &inactive, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(E_FAIL, io2->Refresh2(OPC_DS_CACHE, 92, &cancel));
  EXPECT_EQ(0u, cancel);
}

TEST_F(AsyncIOTest, ArgumentErrorsLeaveNoIdAndNoRecord) {
  MakeGroup();
  auto callback = Connect();
  Values(1, 2);
  OPCHANDLE* none = nullptr;
  struct Case {
    const char* name;
    std::function<HRESULT(DWORD*, HRESULT**)> call;
    HRESULT expected;
  } cases[] = {
      {"Read2 without handles", [&](DWORD* id, HRESULT** e) { return io2->Read(1, none, 1, id, e); }, E_INVALIDARG},
      {"Read2 of no item", [&](DWORD* id, HRESULT** e) { return io2->Read(0, h.data(), 1, id, e); }, E_INVALIDARG},
      {"Write2 without values",
       [&](DWORD* id, HRESULT** e) { return io2->Write(1, h.data(), nullptr, 1, id, e); }, E_POINTER},
      {"Write2 of no item", [&](DWORD* id, HRESULT** e) { return io2->Write(0, h.data(), values, 1, id, e); },
       E_INVALIDARG},
      {"Refresh2 without an id", [&](DWORD*, HRESULT**) { return io2->Refresh2(OPC_DS_CACHE, 1, nullptr); },
       E_POINTER},
      {"Refresh2 from an unknown source",
       [&](DWORD* id, HRESULT**) { return io2->Refresh2(static_cast<OPCDATASOURCE>(7), 1, id); }, E_INVALIDARG},
      {"Refresh2 of an inactive group", [&](DWORD* id, HRESULT**) { return io2->Refresh2(OPC_DS_CACHE, 1, id); },
       E_FAIL},
      {"Read of no format",
       [&](DWORD* id, HRESULT** e) { return io1->Read(0, OPC_DS_CACHE, 1, h.data(), id, e); }, E_INVALIDARG},
      {"Read through the write-complete format",
       [&](DWORD* id, HRESULT** e) { return io1->Read(formats.writeComplete, OPC_DS_CACHE, 1, h.data(), id, e); },
       E_INVALIDARG},
      {"Read with no advise",
       [&](DWORD* id, HRESULT** e) { return io1->Read(formats.data, OPC_DS_CACHE, 1, h.data(), id, e); },
       CONNECT_E_NOCONNECTION},
      {"Write with no advise",
       [&](DWORD* id, HRESULT** e) { return io1->Write(formats.writeComplete, 1, h.data(), values, id, e); },
       CONNECT_E_NOCONNECTION},
      {"Write without values",
       [&](DWORD* id, HRESULT** e) { return io1->Write(formats.writeComplete, 1, h.data(), nullptr, id, e); },
       E_POINTER},
      {"Refresh without an id", [&](DWORD*, HRESULT**) { return io1->Refresh(formats.data, OPC_DS_CACHE, nullptr); },
       E_POINTER},
      {"Cancel2 of 0", [&](DWORD*, HRESULT**) { return io2->Cancel2(0); }, E_FAIL},
      {"Cancel of 0", [&](DWORD*, HRESULT**) { return io1->Cancel(0); }, E_FAIL},
      {"Cancel2 of an unknown id", [&](DWORD*, HRESULT**) { return io2->Cancel2(12345); }, E_FAIL},
      {"GetEnable without a place", [&](DWORD*, HRESULT**) { return io2->GetEnable(nullptr); }, E_POINTER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD id = 0xFFFF;
    HRESULT* errors = reinterpret_cast<HRESULT*>(0x1);
    EXPECT_EQ(c.expected, c.call(&id, &errors));
    EXPECT_TRUE(id == 0 || id == 0xFFFF);
    EXPECT_TRUE(errors == nullptr || errors == reinterpret_cast<HRESULT*>(0x1));
  }
  // None of them took an id.
  DWORD cancel = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, io2->Read(1, h.data(), 1, &cancel, &errors));
  Free(errors);
  EXPECT_EQ(3u, cancel);
  ASSERT_TRUE(callback->WaitFor(1, CallbackCall::ReadComplete));
}

TEST_F(AsyncIOTest, WithoutACallbackA20RequestIsRefusedAndNothingReachesTheDevice) {
  MakeGroup();
  Values(5, 6);
  DWORD cancel = 0xFFFF;
  HRESULT* errors = reinterpret_cast<HRESULT*>(0x1);
  EXPECT_EQ(CONNECT_E_NOCONNECTION, io2->Write(2, h.data(), values, 1, &cancel, &errors));
  EXPECT_EQ(0u, cancel);
  EXPECT_EQ(nullptr, errors);
  EXPECT_EQ(CONNECT_E_NOCONNECTION, io2->Read(2, h.data(), 1, &cancel, &errors));
  EXPECT_EQ(nullptr, errors);
  EXPECT_EQ(CONNECT_E_NOCONNECTION, io2->SetEnable(FALSE));
  BOOL enabled = TRUE;
  EXPECT_EQ(CONNECT_E_NOCONNECTION, io2->GetEnable(&enabled));
  EXPECT_FALSE(enabled);

  auto callback = Connect();
  EXPECT_EQ(S_OK, io2->SetEnable(TRUE));
  ASSERT_EQ(S_OK, io2->Write(2, h.data(), values, 1, &cancel, &errors));
  Free(errors);
  EXPECT_EQ(3u, cancel);
  ASSERT_TRUE(callback->WaitFor(1, CallbackCall::WriteComplete));
  EXPECT_EQ(1, a->writes);  // the refused write never reached it
}

// The client handles a completion lists: those of a data or write-complete stream, or of a
// call-back.
std::vector<OPCHANDLE> StreamClients(const AdvisedStream& s) {
  const COPCStreamFormats& f = GetOpcStreamFormats();
  std::vector<OPCHANDLE> out;
  if (s.format == f.writeComplete) {
    for (DWORD k = 0; k < s.Dword(0); ++k) out.push_back(s.Dword(16 + 8 * k));
  } else {
    size_t header = s.format == f.dataTime ? 20 : 12;
    for (DWORD k = 0; k < s.Dword(4); ++k) out.push_back(s.Dword(20 + header * k));
  }
  return out;
}

// A request with some unknown handles carries out the others as one transaction: S_FALSE with
// the errors and an id, and a completion of the known items alone; with none known, nothing is
// queued. The same through OPC 2.0 and OPC 1.0.
TEST_F(AsyncIOTest, UnknownHandlesFailAloneAndTheOthersComplete) {
  MakeGroup();
  auto callback = Connect();
  auto sink = NewSink();
  DWORD plain = Advise(sink, formats.data);
  DWORD withTime = Advise(sink, formats.dataTime);
  DWORD writes = Advise(sink, formats.writeComplete);
  const OPCHANDLE bad = 0xDEAD;
  const HRESULT X = OPC_E_INVALIDHANDLE;
  struct Case {
    const char* name;
    bool opc20;
    DWORD connection;  // OPC 1.0: the format; 0 for OPC 2.0
    bool write;
    std::vector<OPCHANDLE> handles;
    std::vector<HRESULT> errors;
    std::vector<OPCHANDLE> completed;  // client handles of the completion; none: nothing queued
  } cases[] = {
      {"Read2, second unknown", true, 0, false, {h[0], bad}, {S_OK, X}, {1}},
      {"Read2, first unknown", true, 0, false, {bad, h[1]}, {X, S_OK}, {2}},
      {"Read2, a null handle between", true, 0, false, {h[1], 0, h[0]}, {S_OK, X, S_OK}, {2, 1}},
      {"Read2, all unknown", true, 0, false, {bad, 0}, {X, X}, {}},
      {"Write2, first unknown", true, 0, true, {bad, h[1]}, {X, S_OK}, {2}},
      {"Write2, all unknown", true, 0, true, {bad}, {X}, {}},
      {"Read, second unknown", false, plain, false, {h[0], bad}, {S_OK, X}, {1}},
      {"Read with time, first unknown", false, withTime, false, {bad, h[1]}, {X, S_OK}, {2}},
      {"Read, all unknown", false, plain, false, {bad, bad}, {X, X}, {}},
      {"Write, first unknown", false, writes, true, {bad, h[1]}, {X, S_OK}, {2}},
      {"Write, all unknown", false, writes, true, {bad}, {X}, {}},
  };
  DWORD transaction = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD n = static_cast<DWORD>(c.handles.size());
    std::vector<OPCHANDLE> handles = c.handles;
    std::vector<VARIANT> written(n);
    for (DWORD i = 0; i < n; ++i) {
      VariantInit(&written[i]);
      written[i].vt = VT_R8;
      written[i].dblVal = transaction + i;  // tells which write reached a point
    }
    int reads[2] = {a->refreshes, b->refreshes}, wrote[2] = {a->writes, b->writes};
    DWORD id = 0xFFFF;
    HRESULT* errors = nullptr;
    HRESULT hr;
    ++transaction;
    if (c.opc20) {
      hr = c.write ? io2->Write(n, handles.data(), written.data(), transaction, &id, &errors)
                   : io2->Read(n, handles.data(), transaction, &id, &errors);
    } else {
      hr = c.write ? io1->Write(c.connection, n, handles.data(), written.data(), &id, &errors)
                   : io1->Read(c.connection, OPC_DS_DEVICE, n, handles.data(), &id, &errors);
    }
    EXPECT_EQ(S_FALSE, hr);
    ASSERT_NE(nullptr, errors);
    EXPECT_EQ(c.errors, std::vector<HRESULT>(errors, errors + n));
    Free(errors);
    if (c.completed.empty()) {
      EXPECT_EQ(0u, id);
    } else {
      EXPECT_NE(0u, id);
      std::vector<OPCHANDLE> clients;
      if (c.opc20) {
        ASSERT_TRUE(callback->WaitFor(1, Transaction(transaction)));
        CallbackCall done = callback->Calls(Transaction(transaction))[0];
        EXPECT_EQ(c.write ? CallbackCall::WriteComplete : CallbackCall::ReadComplete, done.kind);
        EXPECT_EQ(S_OK, done.masterError);
        EXPECT_EQ(std::vector<HRESULT>(c.completed.size(), S_OK), done.errors);
        clients = done.clients;
      } else {
        auto mine = [&](const AdvisedStream& s) { return s.Transaction() == id; };
        ASSERT_TRUE(sink->WaitFor(1, mine));
        AdvisedStream done = sink->Streams(mine)[0];
        EXPECT_EQ(c.write ? formats.writeComplete : c.connection, done.format);
        clients = StreamClients(done);
      }
      EXPECT_EQ(c.completed, clients);
    }
    // Only the known items reached their points (client handle 1 is a, 2 is b).
    for (int k = 0; k < 2; ++k) {
      bool listed = std::count(c.completed.begin(), c.completed.end(), static_cast<OPCHANDLE>(k + 1)) != 0;
      const FakePoint& point = k == 0 ? *a : *b;
      SCOPED_TRACE(k == 0 ? "a" : "b");
      EXPECT_EQ(c.write ? 0 : listed, point.refreshes - reads[k]);
      EXPECT_EQ(c.write ? listed : 0, point.writes - wrote[k]);
      if (c.write && listed) {
        size_t at = std::find(c.handles.begin(), c.handles.end(), h[k]) - c.handles.begin();
        VARIANT last;
        VariantInit(&last);
        ASSERT_EQ(S_OK, VariantChangeType(&last, &point.lastWritten, 0, VT_R8));
        EXPECT_EQ(static_cast<double>(transaction - 1 + at), last.dblVal);
      }
    }
    for (VARIANT& v : written) VariantClear(&v);
  }
  // Nothing queued was left behind: the next request is the only one to complete after it.
  DWORD cancel = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, io2->Read(1, h.data(), 999, &cancel, &errors));
  Free(errors);
  ASSERT_TRUE(callback->WaitFor(1, Transaction(999)));
  EXPECT_EQ(5u, callback->Calls([](const CallbackCall& c) { return c.kind != CallbackCall::DataChange; }).size());
}

// A request like one still outstanding waits behind it and completes, in order: reads through
// both standards and refreshes.
TEST_F(AsyncIOTest, IdenticalRequestsOutstandingAtOnceBothComplete) {
  MakeGroup(TRUE);
  auto callback = Connect();
  auto sink = NewSink();
  DWORD plain = Advise(sink, formats.data);
  callback->m_completionGate.Close();
  sink->m_gate.Close();
  DWORD ids[6] = {};
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, io2->Read(2, h.data(), 1, &ids[0], &errors));
  Free(errors);
  ASSERT_TRUE(callback->m_completionGate.WaitForWaiter());  // the first is held in its completion
  ASSERT_EQ(S_OK, io2->Read(2, h.data(), 2, &ids[1], &errors));
  Free(errors);
  ASSERT_EQ(S_OK, io2->Refresh2(OPC_DS_CACHE, 3, &ids[2]));
  ASSERT_EQ(S_OK, io2->Refresh2(OPC_DS_CACHE, 4, &ids[3]));
  ASSERT_EQ(S_OK, io1->Read(plain, OPC_DS_CACHE, 2, h.data(), &ids[4], &errors));
  Free(errors);
  ASSERT_EQ(S_OK, io1->Read(plain, OPC_DS_CACHE, 2, h.data(), &ids[5], &errors));
  Free(errors);
  for (DWORD id : ids) EXPECT_NE(0u, id);
  callback->m_completionGate.Open();
  sink->m_gate.Open();
  for (DWORD transaction : {1u, 2u, 3u, 4u}) ASSERT_TRUE(callback->WaitFor(1, Transaction(transaction)));
  for (int k : {4, 5})
    ASSERT_TRUE(sink->WaitFor(1, [&](const AdvisedStream& s) { return s.Transaction() == ids[k]; }));
  auto done = callback->Calls([](const CallbackCall& c) { return c.transaction >= 1 && c.transaction <= 4; });
  ASSERT_EQ(4u, done.size());
  for (DWORD k = 0; k < 4; ++k) {
    EXPECT_EQ(k + 1, done[k].transaction);  // in the order asked
    EXPECT_EQ((std::vector<OPCHANDLE>{1, 2}), done[k].clients);
  }
}

TEST_F(AsyncIOTest, CancelWhilePendingAndWhileRunning) {
  MakeGroup();
  auto callback = Connect();
  callback->m_completionGate.Close();
  DWORD running = 0, pending = 0, write = 0, again = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, io2->Read(1, &h[0], 1, &running, &errors));
  Free(errors);
  ASSERT_TRUE(callback->m_completionGate.WaitForWaiter());  // held in its completion
  ASSERT_EQ(S_OK, io2->Read(1, &h[1], 2, &pending, &errors));
  Free(errors);
  // The same read again while the first is queued waits behind it, as the same write does.
  ASSERT_EQ(S_OK, io2->Read(1, &h[1], 3, &again, &errors));
  Free(errors);
  Values(1, 2);
  for (DWORD tid : {4u, 5u}) {
    ASSERT_EQ(S_OK, io2->Write(1, &h[0], values, tid, &write, &errors));
    Free(errors);
  }

  EXPECT_EQ(E_FAIL, io1->Cancel(pending));  // an OPC 2.0 request is not named by an OPC 1.0 id
  EXPECT_EQ(S_OK, io2->Cancel2(pending));
  EXPECT_EQ(E_FAIL, io2->Cancel2(pending));
  EXPECT_EQ(E_FAIL, io2->Cancel2(running));  // already taken by the worker
  auto cancels = callback->Calls(CallbackCall::CancelComplete);
  ASSERT_EQ(1u, cancels.size());
  EXPECT_EQ(2u, cancels[0].transaction);
  EXPECT_EQ(42u, cancels[0].hGroup);

  callback->m_completionGate.Open();
  ASSERT_TRUE(callback->WaitFor(2, CallbackCall::WriteComplete));
  ASSERT_TRUE(callback->WaitFor(2, CallbackCall::ReadComplete));
  auto reads = callback->Calls(CallbackCall::ReadComplete);
  ASSERT_EQ(2u, reads.size());  // the running one and the one like the cancelled one
  EXPECT_EQ(1u, reads[0].transaction);
  EXPECT_EQ(3u, reads[1].transaction);
  EXPECT_EQ(1u, events.Texts(OpcEventAsyncCancel).size());
  EXPECT_EQ(1u, events.Texts(OpcEventAsyncCancelComplete).size());
}

TEST_F(AsyncIOTest, AnItemRemovedWhileQueuedKeepsItsClientHandle) {
  MakeGroup();
  auto callback = Connect();
  callback->m_completionGate.Close();
  DWORD cancel = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, io2->Read(1, &h[0], 1, &cancel, &errors));
  Free(errors);
  ASSERT_TRUE(callback->m_completionGate.WaitForWaiter());
  ASSERT_EQ(S_OK, io2->Read(1, &h[1], 2, &cancel, &errors));
  Free(errors);
  ASSERT_EQ(S_OK, group->RemoveItems(1, &h[1], &errors));
  Free(errors);
  callback->m_completionGate.Open();
  ASSERT_TRUE(callback->WaitFor(1, Transaction(2)));
  CallbackCall read = callback->Calls(Transaction(2))[0];
  EXPECT_EQ((std::vector<OPCHANDLE>{2}), read.clients);
  EXPECT_EQ((std::vector<HRESULT>{OPC_E_INVALIDHANDLE}), read.errors);
  EXPECT_EQ(S_FALSE, read.masterError);
}

DWORD Items(const AdvisedStream& s) { return s.Dword(4); }

TEST_F(AsyncIOTest, Opc10CompletionsAreStreams) {
  MakeGroup(TRUE);
  auto sink = NewSink();
  DWORD withTime = Advise(sink, formats.dataTime);
  DWORD plain = Advise(sink, formats.data);
  DWORD writes = Advise(sink, formats.writeComplete);
  EXPECT_EQ(formats.dataTime, withTime);
  auto completion = [&](DWORD id) {
    EXPECT_TRUE(sink->WaitFor(1, [id](const AdvisedStream& s) { return s.Transaction() == id; }));
    return sink->Streams([id](const AdvisedStream& s) { return s.Transaction() == id; }).at(0);
  };

  // A read streams the requested items in the order asked.
  OPCHANDLE reversed[2] = {h[1], h[0]};
  DWORD id = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, io1->Read(withTime, OPC_DS_CACHE, 2, reversed, &id, &errors));
  Free(errors);
  EXPECT_EQ(3u, id);
  AdvisedStream read = completion(id);
  EXPECT_EQ(formats.dataTime, read.format);
  EXPECT_EQ(42u, read.Dword(8));
  ASSERT_EQ(2u, Items(read));
  EXPECT_EQ(2u, read.Dword(20));
  EXPECT_EQ(1u, read.Dword(40));
  EXPECT_EQ(VT_I4, read.Word(read.Dword(24)));
  EXPECT_EQ(7u, read.Dword(read.Dword(24) + 8));

  // A refresh streams the active items.
  ASSERT_EQ(S_OK, group->SetActiveState(1, &h[1], FALSE, &errors));
  Free(errors);
  ASSERT_EQ(S_OK, io1->Refresh(plain, OPC_DS_CACHE, &id));
  AdvisedStream refresh = completion(id);
  EXPECT_EQ(formats.data, refresh.format);
  ASSERT_EQ(1u, Items(refresh));
  EXPECT_EQ(1u, refresh.Dword(20));

  // A write completes with each item's result.
  b->writeOk = false;
  Values(3, 4);
  ASSERT_EQ(S_OK, io1->Write(writes, 2, h.data(), values, &id, &errors));
  Free(errors);
  AdvisedStream write = completion(id);
  EXPECT_EQ(formats.writeComplete, write.format);
  EXPECT_EQ(2u, write.Dword(0));
  EXPECT_EQ(42u, write.Dword(4));
  EXPECT_EQ(static_cast<DWORD>(S_FALSE), write.Dword(12));
  EXPECT_EQ(1u, write.Dword(16));
  EXPECT_EQ(static_cast<DWORD>(S_OK), write.Dword(20));
  EXPECT_EQ(2u, write.Dword(24));
  EXPECT_EQ(static_cast<DWORD>(E_FAIL), write.Dword(28));
}

TEST_F(AsyncIOTest, Opc10CancelNeedsNo20Callback) {
  MakeGroup();
  auto sink = NewSink();
  DWORD connection = Advise(sink, formats.data);
  sink->m_gate.Close();
  DWORD running = 0, pending = 0, last = 0;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, io1->Read(connection, OPC_DS_DEVICE, 1, &h[0], &running, &errors));
  Free(errors);
  ASSERT_TRUE(sink->m_gate.WaitForWaiter());
  ASSERT_EQ(S_OK, io1->Read(connection, OPC_DS_DEVICE, 1, &h[1], &pending, &errors));
  Free(errors);
  EXPECT_EQ(E_FAIL, io2->Cancel2(pending));  // an OPC 1.0 request is not named by a cancel id
  EXPECT_EQ(S_OK, io1->Cancel(pending));
  EXPECT_EQ(E_FAIL, io1->Cancel(pending));
  sink->m_gate.Open();
  ASSERT_EQ(S_OK, io1->Read(connection, OPC_DS_DEVICE, 2, h.data(), &last, &errors));
  Free(errors);
  ASSERT_TRUE(sink->WaitFor(1, [last](const AdvisedStream& s) { return s.Transaction() == last; }));
  EXPECT_TRUE(sink->Streams([pending](const AdvisedStream& s) { return s.Transaction() == pending; }).empty());
  EXPECT_EQ(1u, events.Texts(OpcEventAsyncCancel).size());
  EXPECT_TRUE(events.Texts(OpcEventAsyncCancelComplete).empty());
}

TEST_F(AsyncIOTest, OneAdvisePerFormat) {
  MakeGroup();
  auto sink = NewSink();
  FORMATETC etc = Etc(formats.data);
  DWORD connection = 0;
  ASSERT_EQ(S_OK, data->DAdvise(&etc, 0, sink, &connection));
  EXPECT_EQ(formats.data, connection);
  EXPECT_EQ(CONNECT_E_ADVISELIMIT, data->DAdvise(&etc, 0, sink, &connection));
  EXPECT_EQ(0u, connection);
  EXPECT_EQ(S_OK, data->DUnadvise(formats.data));
  EXPECT_EQ(OLE_E_NOCONNECTION, data->DUnadvise(formats.data));
  EXPECT_EQ(S_OK, data->DAdvise(&etc, 0, sink, &connection));

  FORMATETC other = Etc(RegisterClipboardFormatW(L"SomeOtherFormat"));
  FORMATETC wrongIndex = etc;
  wrongIndex.lindex = 0;
  EXPECT_EQ(E_FAIL, data->DAdvise(&other, 0, sink, &connection));
  EXPECT_EQ(E_FAIL, data->DAdvise(&wrongIndex, 0, sink, &connection));
  EXPECT_EQ(E_POINTER, data->DAdvise(&etc, 0, nullptr, &connection));
  EXPECT_EQ(OLE_E_NOCONNECTION, data->DUnadvise(0));

  FORMATETC writeComplete = Etc(formats.writeComplete);
  FORMATETC stream = Etc(formats.dataTime, TYMED_ISTREAM);
  FORMATETC either = Etc(formats.dataTime, TYMED_ISTREAM | TYMED_HGLOBAL);
  EXPECT_EQ(DV_E_FORMATETC, data->QueryGetData(&writeComplete));
  EXPECT_EQ(DV_E_TYMED, data->QueryGetData(&stream));
  EXPECT_EQ(S_OK, data->QueryGetData(&either));
  EXPECT_EQ(E_POINTER, data->QueryGetData(nullptr));
  STGMEDIUM medium{};
  EXPECT_EQ(DV_E_FORMATETC, data->GetData(&writeComplete, &medium));
  EXPECT_EQ(E_INVALIDARG, data->GetData(&etc, nullptr));
  IEnumSTATDATA* advises = nullptr;
  EXPECT_EQ(E_NOTIMPL, data->EnumDAdvise(&advises));
}

TEST_F(AsyncIOTest, AnOpc10ClientGetsDataChangesWhatever20DeliveriesAreSetTo) {
  CCycleWatcher cycles;
  group = client.AddGroup(L"G", TRUE, 100, 43);
  io2 = QueryAs<IOPCAsyncIO2>(group.p);
  data = QueryAs<IDataObject>(group.p);
  auto callback = Connect();
  ASSERT_EQ(S_OK, io2->SetEnable(FALSE));
  auto sink = NewSink();
  Advise(sink, formats.data);
  b->SetQuality(0x40);
  client.AddItems(group, {L"Dev.1.2.0", L"Dev.1.2.1"});
  auto change = [](const AdvisedStream& s) { return s.Transaction() == 0 && s.Dword(4) == 2; };
  ASSERT_TRUE(sink->WaitFor(1, change));
  AdvisedStream stream = sink->Streams(change)[0];
  EXPECT_EQ(0x40, stream.Word(32 + 8));  // the uncertain item's quality, and no value
  EXPECT_EQ(VT_EMPTY, stream.Word(stream.Dword(32 + 4)));
  EXPECT_EQ(VT_R8, stream.Word(stream.Dword(20 + 4)));
  EXPECT_TRUE(callback->Calls(CallbackCall::DataChange).empty());

  // Once delivered, nothing is marked changed: GetData gives the header alone.
  cycles.Mark(43);
  ASSERT_TRUE(cycles.WaitForMoreCycles(43, 1));
  FORMATETC etc = Etc(formats.data);
  STGMEDIUM medium{};
  ASSERT_EQ(S_OK, data->GetData(&etc, &medium));
  ASSERT_EQ(TYMED_HGLOBAL, medium.tymed);
  const DWORD* header = static_cast<const DWORD*>(GlobalLock(medium.hGlobal));
  EXPECT_EQ(20u, header[0]);
  EXPECT_EQ(0u, header[1]);
  EXPECT_EQ(43u, header[2]);
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);
}

TEST_F(AsyncIOTest, ARemovedGroupRefusesEverything) {
  MakeGroup(TRUE);
  auto callback = Connect();
  auto sink = NewSink();
  ASSERT_EQ(OPC_S_INUSE, client.Server()->RemoveGroup(hServerGroup, FALSE));
  Values(1, 2);
  DWORD id = 0;
  HRESULT* errors = nullptr;
  BOOL enabled = FALSE;
  FORMATETC etc = Etc(formats.data);
  STGMEDIUM medium{};
  DWORD connection = 0;
  HRESULT results[] = {
      io2->Read(1, h.data(), 1, &id, &errors),
      io2->Write(1, h.data(), values, 1, &id, &errors),
      io2->Refresh2(OPC_DS_CACHE, 1, &id),
      io2->Cancel2(3),
      io2->SetEnable(TRUE),
      io2->GetEnable(&enabled),
      io1->Read(formats.data, OPC_DS_CACHE, 1, h.data(), &id, &errors),
      io1->Write(formats.writeComplete, 1, h.data(), values, &id, &errors),
      io1->Refresh(formats.data, OPC_DS_CACHE, &id),
      io1->Cancel(3),
      data->DAdvise(&etc, 0, sink, &connection),
      data->DUnadvise(formats.data),
      data->GetData(&etc, &medium),
      data->QueryGetData(&etc),
  };
  for (size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(E_FAIL, results[i]) << i;
  EXPECT_EQ(nullptr, errors);
}

TEST(MasterQualityTest, TheQualityBitsDecide) {
  struct Case {
    std::vector<WORD> qualities;
    HRESULT expected;
  } cases[] = {
      {{0xC0, 0xC0}, S_OK},
      {{0xC0, 0xD8}, S_OK},  // good, local override
      {{0xC1, 0xC2}, S_OK},  // good, limited
      {{0xC0, 0x40}, S_FALSE},
      {{0x00}, S_FALSE},
      {{}, S_OK},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, opc_calls::MasterQuality(static_cast<DWORD>(c.qualities.size()), c.qualities.data()));
}

}  // namespace
