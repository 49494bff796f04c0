// Starting and stopping the network through the document, its commands and their enabling,
// the OPC diagnostics tree, and the network commands: transmit-timer adjustment, its pane,
// interface lookup and device properties.
#include <algorithm>
#include <atomic>
#include <thread>

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/NodeTreeObject.h"
#include "lon/OPCTag.h"
#include "lon/OPCTagsBranch.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/afx/AfxRes.h"
#include "platform/afx/CommandRouter.h"
#include "platform/com/Memory.h"
#include "platform/win32/TextConv.h"
#include "project/DocDispatch.h"
#include "project/LonTagsManager.h"
#include "project/OPCGroupTreeObject.h"
#include "project/OPCServerTreeObject.h"
#include "project/tests/doc/DocFixture.h"

namespace {

class DocNetworkTest : public DocFixture {
 protected:
  void Start() {
    UseDemoNetwork();
    m_doc->OnStart();
    ASSERT_TRUE(m_doc->IsConnected());
    Pump();
  }
  std::wstring Log() {
    std::vector<BYTE> bytes;
    tessaly::win32::ReadWholeFile(Path(L"debug.log"), bytes);
    return Utf16LEToWide(bytes.data(), bytes.size());
  }
  ULONG LateAcks() {
    COleDispatchDriver config = lon_dispatch::GetObject(m_doc->m_control, kestrum::ctl::kHostConfig);
    COleDispatchDriver stats = lon_dispatch::GetObject(config, kestrum::host::kStatistics);
    return stats.GetProperty<ULONG>(kestrum::stats::kLateAcknowledgements);
  }
};

TEST_F(DocNetworkTest, StartBuildsTheTreeLogsTheStartTimeSetsTheTimerAndRecordsTheProject) {
  m_doc->SetPathName(Path(L"plant.tdbx"), FALSE);
  Start();
  EXPECT_EQ(std::vector<CString>{L"Start time: 0 ms."}, m_events.m_texts);
  EXPECT_TRUE(m_doc->m_timer.IsRunning());
  EXPECT_EQ(ID_TIMER_TXTIMER, m_doc->m_timer.m_nId);
  EXPECT_EQ(10000u, m_doc->m_timer.m_nPeriod);
  EXPECT_EQ(5, m_doc->m_nTxTimerLow) << "FTT-10 timing was sent first";
  EXPECT_FALSE(m_doc->m_pDeviceTree->m_children.empty());
  EXPECT_EQ(std::vector<LPARAM>{HintAll}, m_view.m_hints);
  EXPECT_EQ(std::vector<CString>{Path(L"plant.tdbx")}, m_host.m_lastProjects);
  ASSERT_NE(nullptr, m_doc->GetRootTagGroup());

  m_doc->OnStop();
  EXPECT_FALSE(m_doc->IsConnected());
  EXPECT_FALSE(m_doc->m_timer.IsRunning());
  EXPECT_TRUE(m_doc->m_pDeviceTree->m_children.empty());
  EXPECT_EQ((std::vector<LPARAM>{HintAll, HintDeviceTreeGoing, HintAll}), m_view.m_hints);
}

TEST_F(DocNetworkTest, AFailedStartStillLogsItsTimeButStartsNothingAndRecordsNothing) {
  m_doc->SetPathName(Path(L"plant.tdbx"), FALSE);
  m_doc->m_settings.SetNetworkInterface(L"LON9", L"FTT-10");
  m_doc->OnStart();
  Pump();
  EXPECT_FALSE(m_doc->IsConnected());
  EXPECT_EQ(std::vector<CString>{L"Network interface defined wrong"}, m_env.Prompts().Texts());
  EXPECT_EQ(std::vector<CString>{L"Start time: 0 ms."}, m_events.m_texts);
  EXPECT_FALSE(m_doc->m_timer.IsRunning());
  EXPECT_TRUE(m_doc->m_pDeviceTree->m_children.empty());
  EXPECT_TRUE(m_host.m_lastProjects.empty());
  EXPECT_TRUE(m_view.m_hints.empty());
}

TEST_F(DocNetworkTest, StopWhileClientsAreConnectedAsksFirst) {
  Start();
  m_host.m_bClients = true;
  m_doc->OnStop();
  EXPECT_EQ(1, m_host.m_nCloseQuestions);
  EXPECT_TRUE(m_doc->IsConnected()) << "No keeps the network";
  m_host.m_bAgreeToClose = true;
  m_doc->OnStop();
  EXPECT_FALSE(m_doc->IsConnected());
}

TEST_F(DocNetworkTest, MonitoringSendsHints13And14AndClosingSwitchesItOff) {
  Start();
  m_view.m_hints.clear();
  m_doc->OnMonitor();
  m_doc->OnMonitor();
  m_doc->OnMonitor();
  EXPECT_EQ((std::vector<LPARAM>{HintMonitoringOn, HintMonitoringOff, HintMonitoringOn}), m_view.m_hints);
  m_doc->OnCloseDocument();
  EXPECT_EQ(HintMonitoringOff, m_view.m_hints.back());
  EXPECT_EQ(0, m_doc->m_bMonitoring);
}

TEST_F(DocNetworkTest, CommandEnablingFollowsTheStartModeAndTheNetwork) {
  CCommandRouter router;
  router.SetActiveView(&m_view);
  struct Case {
    UINT id;
    bool interactiveStopped, interactiveStarted, clientStopped, clientStarted;
  } cases[] = {
      {ID_FILE_NEW, true, false, false, false},          {ID_FILE_OPEN, true, false, false, false},
      {ID_FILE_SAVE, true, true, false, false},          {ID_FILE_SAVE_AS, true, true, false, false},
      {ID_FILE_IMPORT, true, true, true, true},          {ID_CONTROL_START, true, false, true, false},
      {ID_CONTROL_STOP, false, true, false, false},      {ID_CONTROL_MONITOR, false, true, false, true},
      {ID_CONTROL_OPTIONS, true, true, true, true},      {ID_DIAG_OPTIONS, true, true, true, true},
      {ID_DIAG_NI_STATUS, false, true, false, true},     {ID_DIAG_VNI_STATISTICS, true, true, true, true},
      {ID_HELP_ABOUT_KESTRUM, true, true, true, true},   {ID_INDICATOR_TXTIMER, true, true, true, true},
  };
  for (bool started : {false, true}) {
    if (started) Start();
    for (int mode : {1, 2}) {
      m_host.m_nStartMode = mode;
      for (const Case& c : cases) {
        bool expected = mode == 1 ? (started ? c.interactiveStarted : c.interactiveStopped)
                                  : (started ? c.clientStarted : c.clientStopped);
        EXPECT_EQ(expected, router.UpdateUI(c.id).m_bEnabled) << c.id << " mode " << mode << " started " << started;
      }
    }
  }
  m_doc->OnMonitor();
  EXPECT_EQ(1, router.UpdateUI(ID_CONTROL_MONITOR).m_nCheck);
  EXPECT_TRUE(router.Route(ID_CONTROL_OPTIONS));
  EXPECT_TRUE(router.Route(ID_DIAG_OPTIONS));
  EXPECT_EQ((std::vector<int>{1, -1}), m_host.m_optionPages);
  EXPECT_TRUE(router.Route(ID_DIAG_NI_STATUS));
  EXPECT_EQ(std::vector<CString>{L"Network interface 'LON1'"}, m_host.m_sheetTitles);
}

TEST_F(DocNetworkTest, ASecondStartWhileConnectedIsNotRunAndKeepsOneRecordPerNode) {
  // F5 twice before the menus are updated: the second Start comes while the first has connected.
  UseDemoNetwork();
  CCommandRouter router;
  router.SetActiveView(&m_view);
  EXPECT_TRUE(router.Route(ID_CONTROL_START));
  ASSERT_TRUE(m_doc->IsConnected());
  Pump();
  const size_t nodes = m_doc->m_nodes.size();
  const size_t devices = m_doc->m_pDeviceTree->m_children.size();
  ASSERT_GT(nodes, 0u);
  EXPECT_TRUE(router.Route(ID_CONTROL_START));
  Pump();
  EXPECT_EQ(nodes, m_doc->m_nodes.size());
  EXPECT_EQ(devices, m_doc->m_pDeviceTree->m_children.size());
  EXPECT_EQ(std::vector<CString>{L"Start time: 0 ms."}, m_events.m_texts) << "the network was opened once";
}

COPCServerEvent ServerEvent(DWORD key, const wchar_t* name, int kind) {
  CServerInfo info;
  info.m_dwKey = key;
  info.m_strName = name;
  return COPCServerEvent(info, kind);
}

COPCGroupEvent GroupEvent(DWORD server, DWORD key, const wchar_t* name, int kind) {
  CGroupInfo info;
  info.m_dwServerKey = server;
  info.m_dwKey = key;
  info.m_strName = name;
  return COPCGroupEvent(info, kind);
}

TEST_F(DocNetworkTest, TheDiagnosticsTreeFollowsServerAndGroupEventsByKey) {
  // A live server record: the root adds objects only for servers still registered.
  CSpyOPCServer live;
  GetOPCToolkitManager().AddServer(&live);
  const DWORD key = live.m_dwKey;
  CSpyOPCServer gone;  // never registered
  COPCServerEvent early = ServerEvent(key, L"Client", OpcEventAddClient);
  m_doc->Update(nullptr, &early);
  EXPECT_TRUE(m_doc->m_opcRoot.m_children.empty()) << "nothing before the tree is built";
  m_doc->BuildOpcTree();
  ASSERT_TRUE(m_doc->m_bOpcTreeBuilt);
  ASSERT_EQ(1u, m_doc->m_opcRoot.m_children.size()) << "the live server is read";
  m_doc->m_opcRoot.DeleteChildren();

  auto send = [&](CProtocolEvent&& event) { m_doc->Update(nullptr, &event); };
  send(ServerEvent(key, L"Client", OpcEventAddClient));
  send(ServerEvent(key, L"Client", OpcEventAddClient));  // queued before a snapshot: once only
  send(ServerEvent(gone.m_dwKey, L"Gone", OpcEventAddClient));  // released before its event came
  ASSERT_EQ(1u, m_doc->m_opcRoot.m_children.size());
  COPCServerTreeObject* server = m_doc->m_opcRoot.FindServer(key);
  ASSERT_NE(nullptr, server);
  EXPECT_EQ(CString(L"Client"), server->GetName());
  send(GroupEvent(key, 21, L"G1", OpcEventAddGroup));
  send(GroupEvent(99, 22, L"G2", OpcEventAddGroup));  // of a server not in the tree
  ASSERT_EQ(1u, server->m_children.size());
  COPCGroupTreeObject* group = m_doc->m_opcRoot.FindGroup(21);
  ASSERT_NE(nullptr, group);
  EXPECT_EQ(group, server->FindGroup(21));
  send(GroupEvent(key, 21, L"Renamed", OpcEventRenameGroup));
  EXPECT_EQ(CString(L"Renamed"), group->GetName());
  send(ServerEvent(key, L"Other client", OpcEventRenameClient));
  EXPECT_EQ(CString(L"Other client"), server->GetName());
  EXPECT_EQ((std::vector<WPARAM>{4, 4}), m_host.m_propertyRefreshes);
  send(GroupEvent(key, 21, L"", OpcEventRemoveGroup));
  send(GroupEvent(key, 21, L"", OpcEventRemoveGroup));  // a late release
  EXPECT_TRUE(server->m_children.empty());
  send(GroupEvent(key, 30, L"", OpcEventGroupActive));  // other kinds are passed over
  send(ServerEvent(key, L"", OpcEventRemoveClient));
  send(ServerEvent(8, L"", OpcEventRemoveClient));
  EXPECT_TRUE(m_doc->m_opcRoot.m_children.empty());
  EXPECT_EQ((std::vector<LPARAM>{HintObjectAdded, HintObjectAdded, HintNameChanged, HintNameChanged,
                                 HintObjectRemoved, HintObjectRemoved}),
            m_view.m_hints);
  EXPECT_EQ(0, std::count(m_view.m_objects.begin(), m_view.m_objects.end(), nullptr)) << "no hint without an object";
  GetOPCToolkitManager().RemoveServer(&live);
}

TEST_F(DocNetworkTest, TreeImagesInactiveDevicesAndContextMenusByTypeCode) {
  struct Case {
    int type;
    int image;
    int subMenu;  // 0: none
  } cases[] = {{0, 0, 0}, {1, 3, 0}, {2, 3, 0}, {3, 3, 0}, {4, 0, 0}, {5, 10, 1}, {6, 17, 2}, {7, 20, 0},
               {8, 6, 3}, {9, 19, 0}, {10, 21, 0}, {11, 3, 0}, {12, 3, 0}, {13, 3, 0}, {14, 3, 0}, {15, 0, 0}};
  for (const Case& c : cases) {
    CDefaultObject object(L"x", c.type);
    EXPECT_EQ(c.image, CDoc::GetTreeImageStatic(&object)) << c.type;
    m_host.m_menus.clear();
    m_doc->ShowContextMenu(&object, POINT{1, 2});
    if (c.subMenu == 0) {
      EXPECT_TRUE(m_host.m_menus.empty()) << c.type;
    } else {
      EXPECT_EQ((std::vector<std::pair<UINT, int>>{{IDR_TREE_CONTEXT_MENU, c.subMenu}}), m_host.m_menus) << c.type;
    }
  }
  Start();
  CNodeTreeObject* node = nullptr;
  std::function<void(CTreeObject*)> find = [&](CTreeObject* object) {
    for (CTreeObject* child : object->m_children) {
      if (auto* n = dynamic_cast<CNodeTreeObject*>(child); n != nullptr && n->GetType() == TreeObjectNode && node == nullptr)
        node = n;
      find(child);
    }
  };
  find(m_doc->m_pDeviceTree);
  ASSERT_NE(nullptr, node);
  EXPECT_FALSE(m_doc->IsInactive(node));
  node->m_pNode->m_dispatch.SetProperty(kestrum::node::kActive, VT_BOOL, false);
  EXPECT_TRUE(m_doc->IsInactive(node));
}

TEST_F(DocNetworkTest, TheTransmitTimerFollowsLateAcknowledgements) {
  ASSERT_EQ(1, m_host.m_log.Open(Path(L"debug.log"), 1));
  Start();
  ASSERT_EQ(5, TxTimer());
  // One tick per row: late acknowledgements added before it (or the counter set back), and
  // the transmit-timer index after it.
  struct Tick {
    int add;  // -1: the counter goes back to 0
    int index;
  } ticks[] = {{3, 15}, {0, 14}, {0, 13}, {2, 15}, {0, 14}, {-1, 14}, {0, 13}, {0, 12}, {0, 11}, {0, 10},
               {0, 9},  {0, 8},  {0, 7},  {0, 6},  {0, 5},  {0, 5},   {0, 5}};
  for (size_t i = 0; i < std::size(ticks); ++i) {
    if (ticks[i].add > 0) m_simulation->AddLateAcknowledgements(static_cast<ULONG>(ticks[i].add));
    if (ticks[i].add < 0)
      m_simulation->SetCounter(kestrum::kObjStatistics, L"", kestrum::stats::kLateAcknowledgements, 0);
    m_doc->AutoAdjustTxTimer();
    EXPECT_EQ(ticks[i].index, TxTimer()) << "tick " << i;
    EXPECT_EQ(LateAcks(), m_doc->m_nLastLateAcks) << "tick " << i;
  }
  const std::wstring log = Log();
  EXPECT_NE(std::wstring::npos, log.find(L"m_nNiLateAcks(3) > nLastNiLateAcks(0), m_TxTimerLow=5, txTimer=5"));
  EXPECT_NE(std::wstring::npos, log.find(L"AutomaticUpdateSetTxTimer(txTimer=15)"));
  EXPECT_NE(std::wstring::npos, log.find(L"m_nNiLateAcks(3) == nLastNiLateAcks(3), m_TxTimerLow=5, txTimer=15"));
  EXPECT_NE(std::wstring::npos, log.find(L"AutomaticUpdateSetTxTimer(txTimer=14)"));
}

TEST_F(DocNetworkTest, WithoutTheAdjustmentTicksOnlyCountAndAStartIndexOf15NeverLowers) {
  Start();
  m_doc->m_settings.automTxTimerUpdateOn = 0;
  m_simulation->AddLateAcknowledgements(4);
  m_doc->AutoAdjustTxTimer();
  EXPECT_EQ(4u, m_doc->m_nLastLateAcks);
  EXPECT_EQ(5, TxTimer());
  CCmdUI pane(ID_INDICATOR_TXTIMER);
  m_doc->OnUpdateTxTimerPane(&pane);
  EXPECT_EQ(CString(L"Late ack's: 4, TxTimer: 96 ms, Vni errors: 0"), pane.m_strText);

  CTmSetting powerline(L"Powerline");
  powerline.TxTimer = 15;
  CDoc::SelectTimingSettings(powerline);
  EXPECT_EQ(CString(L"Powerline"), m_doc->m_settings.GetTimersCfg());
  m_doc->m_settings.automTxTimerUpdateOn = 1;
  m_doc->m_nTxTimerLow = 15;
  for (int i = 0; i < 3; ++i) {
    m_doc->AutoAdjustTxTimer();
    EXPECT_EQ(15, TxTimer());
  }
}

TEST_F(DocNetworkTest, ThePaneShowsLateAcksTimerAndErrorsOrNothing) {
  CCmdUI stopped(ID_INDICATOR_TXTIMER);
  stopped.SetText(L"stale");
  m_doc->OnUpdateTxTimerPane(&stopped);
  EXPECT_TRUE(stopped.m_bEnabled);
  EXPECT_EQ(CString(L""), stopped.m_strText);

  Start();
  CTmSetting fast(L"fast");
  fast.TxTimer = 4;
  ApplyTimingSettings(fast, m_doc->m_control);
  CCmdUI pane(ID_INDICATOR_TXTIMER);
  m_doc->OnUpdateTxTimerPane(&pane);
  EXPECT_EQ(CString(L"Late ack's: 0, TxTimer: 64 ms, Vni errors: 0"), pane.m_strText);
  m_simulation->SetCounter(kestrum::kObjInterfaceStatistics, L"", kestrum::vni::kInvalidResponses, 3);
  m_doc->OnUpdateTxTimerPane(&pane);
  EXPECT_EQ(CString(L"Late ack's: 0, TxTimer: 64 ms, Vni errors: 3"), pane.m_strText);
  EXPECT_EQ(3072, TxTimerMilliseconds(16));
}

TEST_F(DocNetworkTest, AFailingControlInTheTickAndThePaneIsLoggedOncePerKindAndShowsNothing) {
  ASSERT_EQ(1, m_host.m_log.Open(Path(L"debug.log"), 1));
  Start();
  m_simulation->FailCall(kestrum::kObjControl, L"", kestrum::ctl::kTxTimer, L"device gone", -1);
  m_simulation->AddLateAcknowledgements(1);
  m_doc->AutoAdjustTxTimer();
  m_doc->AutoAdjustTxTimer();
  CCmdUI pane(ID_INDICATOR_TXTIMER);
  m_doc->OnUpdateTxTimerPane(&pane);
  m_doc->OnUpdateTxTimerPane(&pane);
  EXPECT_EQ(CString(L""), pane.m_strText);
  const std::wstring log = Log();
  // The tick's failure does not hide the pane's, and neither repeats.
  for (const wchar_t* kind : {L"Transmit-timer adjustment: device gone", L"Transmit-timer pane: device gone"}) {
    const size_t first = log.find(kind);
    ASSERT_NE(std::wstring::npos, first) << kind;
    EXPECT_EQ(std::wstring::npos, log.find(kind, first + 1)) << kind << " logged once";
  }
}

TEST_F(DocNetworkTest, InterfacesAreListedAndFoundByPortAndChannelWithoutRegardToCase) {
  std::vector<CString> names;
  m_doc->GetNetworkInterfaces(names);
  EXPECT_EQ((std::vector<CString>{L"LON1", L"LON2"}), names);
  EXPECT_EQ(CString(L"LON2"), GetInterfaceNameByPortChannel(m_doc->m_control, L"lon2", L"tp/xf-1250"));
  EXPECT_EQ(CString(L""), GetInterfaceNameByPortChannel(m_doc->m_control, L"LON2", L"FTT-10"));
  m_doc->SelectHostNodeInterface(L"LON2");
  EXPECT_EQ(CString(L"LON2"), m_doc->GetHostNodeInterfaceName());
  m_doc->SelectNetworkInterface(L"LON1");
  EXPECT_EQ((CPortChannel{L"LON1", L"FTT-10"}), m_doc->m_settings.GetNetworkInterface());
  m_doc->SetModifiedFlag(FALSE);
  m_doc->SelectNetworkInterface(L"LON1");
  EXPECT_FALSE(m_doc->IsModified()) << "the same interface again changes nothing";
  m_doc->SelectNetworkInterface(L"nowhere");
  EXPECT_EQ(CPortChannel(), m_doc->m_settings.GetNetworkInterface());
  EXPECT_TRUE(m_doc->IsModified());
}

TEST_F(DocNetworkTest, DevicePropertiesCancelledChangeNothingAndOkWritesNameAndDomains) {
  Start();
  m_doc->SetModifiedFlag(FALSE);
  m_simulation->ResetCalls();
  m_host.m_editDevice = [](CDeviceDialogRecord& record) {
    record.m_strName = L"Renamed";
    record.m_domains[0].m_node = 9;
  };
  EXPECT_EQ(IDCANCEL, m_doc->OnDeviceProperties());
  EXPECT_EQ(CString(L"Edit property and start"), m_doc->m_settings.GetRootName());
  EXPECT_EQ(CString(L"LON1"), m_host.m_deviceShown.m_strPort);
  EXPECT_EQ(CString(L"Auto"), m_host.m_deviceShown.m_strDbMode);
  EXPECT_EQ(CString(L"LON1"), m_host.m_deviceShown.m_strInterfaceName);
  EXPECT_FALSE(m_doc->IsModified());
  BSTR calls = nullptr;
  ASSERT_EQ(S_OK, m_simulation->GetCallLog(&calls));
  EXPECT_EQ(std::wstring::npos, std::wstring(calls).find(L" put ")) << "nothing was written to the control";
  SysFreeString(calls);

  const int node = m_host.m_deviceShown.m_domains[0].m_node;
  m_host.m_nDeviceAnswer = IDOK;
  EXPECT_EQ(IDOK, m_doc->OnDeviceProperties());
  EXPECT_EQ(CString(L"Renamed"), m_doc->m_settings.GetRootName());
  EXPECT_TRUE(m_doc->IsModified());
  m_host.m_nDeviceAnswer = IDCANCEL;
  m_host.m_editDevice = nullptr;
  m_doc->OnDeviceProperties();
  EXPECT_EQ(9, m_host.m_deviceShown.m_domains[0].m_node) << "the control took the domain over (was " << node << ")";
}

// OPC threads ask the document for tags and settings while the GUI thread closes it.
TEST_F(DocNetworkTest, ReadersOnOtherThreadsNeverSeeADocumentThatGoesConcurrent) {
  Start();
  CLonTagsManager tags;
  std::atomic<bool> stop{false};
  std::atomic<int> rounds{0};
  std::thread reader([&] {
    while (!stop.load()) {
      tags.GetRootBranch();
      delete tags.CreateTag(L"no.such.item");
      GetLonProtocolMask();
      IsMonitorSelectedOnly();
      ++rounds;
    }
  });
  while (rounds.load() < 10) std::this_thread::yield();
  m_doc->RemoveView(&m_view);
  m_doc.reset();
  const int after = rounds.load();
  while (rounds.load() < after + 10) std::this_thread::yield();
  stop = true;
  reader.join();
  EXPECT_EQ(nullptr, CDoc::GetDoc());
  EXPECT_EQ(nullptr, tags.GetRootBranch());
  EXPECT_EQ(0x3FFu, GetLonProtocolMask());
}

// A client that adds items while the network is stopped gets no tag; after a start it does.
TEST_F(DocNetworkTest, ClientsGetTagsOnlyWhileTheNetworkRuns) {
  CLonTagsManager tags;
  COpcTestClient client;
  auto group = client.AddGroup(L"G", TRUE, 100, 1);
  std::vector<HRESULT> errors;
  client.AddItems(group, {L"4B.1.1.0"}, &errors);
  EXPECT_EQ(std::vector<HRESULT>{OPC_E_INVALIDITEMID}, errors);
  Start();
  errors.clear();
  std::vector<OPCHANDLE> handles = client.AddItems(group, {L"4B.1.1.0"}, &errors);
  EXPECT_EQ(std::vector<HRESULT>{S_OK}, errors);
  HRESULT* removeErrors = nullptr;
  EXPECT_EQ(S_OK, group->RemoveItems(1, handles.data(), &removeErrors));
  CoTaskMemFree(removeErrors);
  m_doc->OnStop();
  errors.clear();
  client.AddItems(group, {L"4B.1.1.0"}, &errors);
  EXPECT_EQ(std::vector<HRESULT>{OPC_E_INVALIDITEMID}, errors);
  EXPECT_EQ(nullptr, tags.CreateTag(L"4B.1.1.0"));
  client.Release();
}

// Clients that hold items while the network stops and starts again: their items go bad and
// come back. Needs the OPC items' tags detached when the network stops.
// Items that outlive a stop keep no data point: they read bad instead of touching the records the
// reconnect deleted. After the restart the same IDs are items again for whoever adds them.
TEST_F(DocNetworkTest, ItemsHeldAcrossStopAndStartGoBadWithoutTouchingTheOldRecords) {
  Start();
  CLonTagsManager tags;
  COpcTestClient client;
  auto group = client.AddGroup(L"G", TRUE, 100, 1);
  const std::vector<CString> ids{L"4B.1.1.0", L"4B.1.1.1"};
  std::vector<HRESULT> errors;
  std::vector<OPCHANDLE> handles = client.AddItems(group, ids, &errors);
  ASSERT_EQ((std::vector<HRESULT>{S_OK, S_OK}), errors);
  auto read = [&](const std::vector<OPCHANDLE>& items) {
    OPCITEMSTATE* states = nullptr;
    HRESULT* errs = nullptr;
    std::vector<WORD> qualities;
    if (SUCCEEDED(QueryAs<IOPCSyncIO>(group.p)->Read(OPC_DS_DEVICE, static_cast<DWORD>(items.size()),
                                                    const_cast<OPCHANDLE*>(items.data()), &states, &errs))) {
      for (size_t i = 0; i < items.size(); ++i) {
        qualities.push_back(states[i].wQuality);
        VariantClear(&states[i].vDataValue);
      }
    }
    CoTaskMemFree(states);
    CoTaskMemFree(errs);
    return qualities;
  };
  EXPECT_EQ((std::vector<WORD>{0xC0, 0xC0}), read(handles));
  m_doc->OnStop();
  for (WORD quality : read(handles)) EXPECT_EQ(0, quality & 0xC0) << "bad while stopped";
  m_doc->OnStart();
  Pump();
  for (WORD quality : read(handles)) EXPECT_EQ(0, quality & 0xC0) << "the old data points are gone";
  std::vector<HRESULT> againErrors;
  std::vector<OPCHANDLE> again = client.AddItems(group, ids, &againErrors);
  ASSERT_EQ((std::vector<HRESULT>{S_OK, S_OK}), againErrors);
  EXPECT_EQ((std::vector<WORD>{0xC0, 0xC0}), read(again));
  client.Release();
}

}  // namespace
