// The device model on the simulated control, created by its ProgID as the program does, with
// a host whose Protocol mask a test sets, a recorder of protocol texts and of the scan window.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/ProtocolEventsCollector.h"
#include "lon/LonDatabaseManager.h"
#include "lon/LonGuiLinks.h"
#include "lon/LonHost.h"
#include "standins/kestrum/testing/KestrumEnvironment.h"

namespace lon_network_testing {

class CTestHost : public CLonHost {
 public:
  bool HasDocument() override { return true; }
  DWORD GetProtocolMask() override { return mask; }
  int GetMonitorNVs() override { return monitorNVs; }
  CString GetRootName() override { return L"Project"; }
  int GetServerInstance() override { return 0; }
  DWORD mask = 0x3FF;
  int monitorNVs = 1;
};

class CTextRecorder : public CProtocolEventsCollector {
 public:
  bool Collect(std::unique_ptr<CProtocolEvent> event) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_texts.push_back(event->GetText().GetText());
    return true;
  }
  std::vector<CString> Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<CString> texts;
    texts.swap(m_texts);
    return texts;
  }

 private:
  std::mutex m_mutex;
  std::vector<CString> m_texts;
};

// Records what the device model opens: the scan window's calls in `log`, every other window and
// dialog in `calls`; the dialogs answer as the test scripts them (cancelled by default).
class CGuiRecorder : public CLonGuiLinks {
 public:
  struct Window : CScanWindowLink {
    explicit Window(std::vector<CString>* log) : m_log(log) {}
    void SetNode(const CString& id, short node, short count) override {
      CString t;
      t.Format(L"node %s %d/%d", id.GetString(), int(node), int(count));
      m_log->push_back(t);
    }
    void SetDomain(const CString& domain) override { m_log->push_back(L"domain " + domain); }
    void Close() override { m_log->push_back(L"close"); }
    std::vector<CString>* m_log;
  };
  std::unique_ptr<CScanWindowLink> CreateScanWindow() override {
    log.push_back(L"create");
    return std::make_unique<Window>(&log);
  }
  void ShowPropertiesPane() override { calls.push_back(L"properties pane"); }
  int ShowDeviceProperties() override {
    calls.push_back(L"device properties");
    return IDCANCEL;
  }
  int RunTagDialog(CTagProperties& record) override {
    calls.push_back(L"tag dialog " + record.m_strItemId);
    return tagDialog ? tagDialog(record) : IDCANCEL;
  }
  int RunReplaceNodeDialog(CString& neuronId) override {
    calls.push_back(L"replace node");
    neuronId = replaceNeuronId;
    return replaceResult;
  }
  void ShowNodeStatusSheet(const CString& title, IDispatch* node) override {
    calls.push_back(L"node sheet " + title + (node ? L"" : L" without node"));
  }
  void ShowRouterStatusSheet(const CString& title, const CString& nearCaption, IDispatch* nearSide,
                             const CString& farCaption, IDispatch* farSide) override {
    calls.push_back(L"router sheet " + title + L": " + nearCaption + (nearSide ? L"" : L" (none)") + L", " +
                    farCaption + (farSide ? L"" : L" (none)"));
  }

  std::vector<CString> log;
  std::vector<CString> calls;
  std::function<int(CTagProperties&)> tagDialog;
  int replaceResult = IDCANCEL;
  CString replaceNeuronId;
};

// Device 0 is a room controller at 4B.1.1, 1 and 2 lamp actuators, 3 a block device at 4B.1.4.
inline const wchar_t* const kSetpoint = L"4B.1.1.0";    // nviSetpoint, SNVT_temp_p input, 21.5
inline const wchar_t* const kSpaceTemp = L"4B.1.1.1";   // nvoSpaceTemp, output
inline const wchar_t* const kOccupancy = L"4B.1.1.3";   // nviOccupancy, SNVT_switch (value, state)
inline const wchar_t* const kNodeCp = L"4B.1.1.11";     // nciMaxSendTime, node CP 1
inline const wchar_t* const kNvCp = L"4B.1.1.1.0";      // CP of nvoSpaceTemp
inline const wchar_t* const kBlockCp = L"4B.1.4.O0.1";  // CP of block 0
inline const wchar_t* const kRoomController = L"040000000001";

class LonNetworkTest : public ::testing::Test {
 protected:
  explicit LonNetworkTest(kestrum::testing::EnvironmentOptions options = {}) : env(options) {}

  void SetUp() override {
    hostScope = std::make_unique<CScopedLonHost>(&host);
    guiScope = std::make_unique<CScopedLonGuiLinks>(&gui);
    g_pProtocolEventsCollector.Set(&texts);
    manager = std::make_unique<CLonDatabaseManager>();
    ASSERT_NE(nullptr, manager->m_control.m_lpDispatch);
    sim = env.Simulation(manager->m_control.m_lpDispatch);
    ASSERT_TRUE(sim);
    ASSERT_EQ(S_OK, sim->RecordCalls(TRUE));  // the tests count the control's calls
  }
  void TearDown() override {
    sim.Release();
    manager.reset();
    g_pProtocolEventsCollector.Set(nullptr);
    guiScope.reset();
    hostScope.reset();
  }

  bool OpenSimulated() { return manager->Open(LonModeSimulate, env.DatabasePath().c_str(), L"", L""); }
  int Pump() { return kestrum::testing::CKestrumEnvironment::Pump(manager->m_control.m_lpDispatch); }
  // After a Connect the control is a new one.
  void Reconnect() {
    sim.Release();
    ASSERT_TRUE(manager->Connect());
    sim = env.Simulation(manager->m_control.m_lpDispatch);
    ASSERT_EQ(S_OK, sim->RecordCalls(TRUE));
  }
  LONG Calls(LONG kind, const wchar_t* key, DISPID id) {
    LONG n = -1;
    sim->GetCallCount(kind, key, id, &n);
    return n;
  }

  kestrum::testing::CKestrumEnvironment env;
  CTestHost host;
  CGuiRecorder gui;
  std::unique_ptr<CScopedLonHost> hostScope;
  std::unique_ptr<CScopedLonGuiLinks> guiScope;
  CTextRecorder texts;
  std::unique_ptr<CLonDatabaseManager> manager;
  CComPtr<kestrum::IKestrumSimulation> sim;
};

}  // namespace lon_network_testing
