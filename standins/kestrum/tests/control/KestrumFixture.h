// A simulated control on a small generated network, driven through its dispatch interface as
// the program drives it, with a sink that records the events it receives.
#pragma once

#include "platform/com/DispatchDriver.h"
#include "platform/win32/Messages.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "standins/kestrum/KestrumCtrl.h"
#include "standins/kestrum/NetworkGenerator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrum::testing {

// Takes over a VARIANT a call returned.
inline CComVariant Owned(VARIANT v) {
  CComVariant owned;
  owned.Attach(&v);
  return owned;
}

class CRecordingSink : public CCmdTarget {
 public:
  CRecordingSink() : CCmdTarget(DIID_KestrumEvents) {
    m_dispatchMap.AddMethod(L"Loading", evt::kLoading, [this](const std::wstring& id, short i, short n) {
      events.push_back(L"Loading " + id + L" " + std::to_wstring(i) + L"/" + std::to_wstring(n));
    });
    m_dispatchMap.AddMethod(L"ScanFinished", evt::kScanFinished, [this] { events.push_back(L"ScanFinished"); });
    m_dispatchMap.AddMethod(L"Scanning", evt::kScanning, [this](const std::wstring& d) { events.push_back(L"Scanning " + d); });
    m_dispatchMap.AddMethod(L"Info", evt::kInfo, [this](LONG kind, const std::wstring& a, const std::wstring& b) {
      events.push_back(L"Info " + std::to_wstring(kind) + L" " + a + L" " + b);
    });
    m_dispatchMap.AddMethod(L"Inform2", evt::kInform2, [this](LONG code, IDispatch* object, const std::wstring& text) {
      events.push_back(L"Inform2 " + std::to_wstring(code) + (object ? L" object " : L" null ") + text);
    });
    m_dispatchMap.AddMethod(L"NewNvValue", evt::kNewNvValue, [this](LONG cookie, const VARIANT& value) {
      CComVariant text;
      VariantChangeType(&text, &value, 0, VT_BSTR);
      events.push_back(L"NewNvValue " + std::to_wstring(cookie) + L" " + tessaly::BstrToString(text.bstrVal));
    });
    m_dispatchMap.AddMethod(L"NewNvError", evt::kNewNvError,
                            [this](LONG cookie) { events.push_back(L"NewNvError " + std::to_wstring(cookie)); });
    m_dispatchMap.AddMethod(L"ServicePin", evt::kServicePin, [this](const std::wstring& id, const std::wstring& pid) {
      events.push_back(L"ServicePin " + id + L" " + pid);
    });
  }
  std::vector<std::wstring> events;
};

class KestrumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dbPath = root.PathW() + L"/network.db";
    sim::GeneratorOptions options;
    options.devices = 4;  // room controller, two lamp actuators, block device
    options.newDevices = 2;
    std::wstring error;
    ASSERT_TRUE(sim::CNetworkGenerator::Write(dbPath, options, &error)) << std::string(error.begin(), error.end());
    Create(control, simulation);
  }
  void TearDown() override {
    if (cookie) AfxConnectionUnadvise(control.m_lpDispatch, DIID_KestrumEvents, &sink, FALSE, cookie);
    simulation.Release();
    control.ReleaseDispatch();
  }

  // A control made in this process (the library is linked in).
  static void Create(COleDispatchDriver& driver, CComPtr<IKestrumSimulation>& sim) {
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(S_OK, sim::CKestrumCtrl::CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    driver.AttachDispatch(dispatch);
    ASSERT_EQ(S_OK, dispatch->QueryInterface(IID_IKestrumSimulation, reinterpret_cast<void**>(&sim)));
  }
  void Advise() { ASSERT_TRUE(AfxConnectionAdvise(control.m_lpDispatch, DIID_KestrumEvents, &sink, FALSE, &cookie)); }
  LONG Open(LONG mode) { return control.InvokeMethod<LONG>(ctl::kOpen, mode, dbPath); }
  // The events delivered by a hand pump of this thread's queue.
  std::vector<std::wstring> Pump() {
    tessaly::win32::PumpPendingMessages();
    std::vector<std::wstring> e;
    e.swap(sink.events);
    return e;
  }
  COleDispatchDriver Network() { return COleDispatchDriver(control.GetProperty<CComPtr<IDispatch>>(ctl::kNetwork).Detach()); }
  COleDispatchDriver Nv(const std::wstring& itemId) {
    return COleDispatchDriver(Network().InvokeMethod<CComPtr<IDispatch>>(net::kNvByItemId, itemId).Detach());
  }
  COleDispatchDriver Cp(const std::wstring& itemId) {
    return COleDispatchDriver(Network().InvokeMethod<CComPtr<IDispatch>>(net::kCpByItemId, itemId).Detach());
  }
  void FixClock() { ASSERT_EQ(S_OK, simulation->SetClock(133485408000000000ULL)); }  // 2024-01-01

  tessaly::testing::TempMachineRoot root;
  std::wstring dbPath;
  COleDispatchDriver control;
  CComPtr<IKestrumSimulation> simulation;
  CRecordingSink sink;
  DWORD cookie = 0;
};

// Device 0 is a room controller at 4B.1.1, 1 and 2 lamp actuators, 3 a block device at 4B.1.4.
inline const std::wstring kSetpoint = L"4B.1.1.0";     // SNVT_temp_p input, 21.50
inline const std::wstring kSpaceTemp = L"4B.1.1.1";    // SNVT_temp_p output, random walk
inline const std::wstring kOccupancy = L"4B.1.1.3";    // SNVT_switch input
inline const std::wstring kRoomName = L"4B.1.1.8";     // SNVT_str_asc
inline const std::wstring kNodeCp = L"4B.1.1.11";      // nciMaxSendTime: node CP 1, after 10 NVs
inline const std::wstring kNvCp = L"4B.1.1.1.0";       // nciMinSendTime of nvoSpaceTemp
inline const std::wstring kBlockCp = L"4B.1.4.O0.1";   // nciName of block "Lamp"
inline const std::wstring kRoomController = L"040000000001";

}  // namespace kestrum::testing
