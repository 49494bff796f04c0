// The server's world over the simulated network control: a machine with the control
// installed, a LON database manager that created it by its ProgID and opened a generated
// network, and the tags manager the application would publish over it.
//
// The object lives on the thread that plays the GUI thread: it created the control, so Pump
// delivers the control's events there.
#pragma once

#include <memory>
#include <vector>

#include "interfaces/kestrum/KestrumSimulation.h"
#include "lon/LonDatabaseManager.h"
#include "opcserver/NetworkTagsManager.h"
#include "platform/com/ComPtr.h"
#include "standins/kestrum/testing/KestrumEnvironment.h"

class COpcDemoNetwork {
 public:
  // The demo network: 60 devices and 4 new ones on the wire.
  static constexpr int kDemoDevices = 60;
  static constexpr int kDemoNewDevices = 4;

  // Opens the generated network of `devices` devices (automatic mode, interface LON1) and
  // publishes the tags manager. IsOpen tells whether that worked.
  explicit COpcDemoNetwork(int devices = kDemoDevices, int newDevices = kDemoNewDevices);
  ~COpcDemoNetwork();
  COpcDemoNetwork(const COpcDemoNetwork&) = delete;
  COpcDemoNetwork& operator=(const COpcDemoNetwork&) = delete;

  bool IsOpen() const { return m_bOpen; }
  CLonDatabaseManager& Manager() { return *m_manager; }
  CNetworkTagsManager& Tags() { return *m_tags; }
  kestrum::IKestrumSimulation* Simulation() { return m_simulation.p; }
  kestrum::testing::CKestrumEnvironment& Environment() { return *m_env; }

  // Moves the program's clock and the control's together; the control makes one monitoring
  // round at the new time.
  void AdvanceClock(ULONG milliseconds);
  // Delivers the control's waiting events on this thread.
  int Pump();

  // The item IDs the address space offers for every NV's whole value, device by device.
  std::vector<CString> NvItemIds();

 private:
  std::unique_ptr<kestrum::testing::CKestrumEnvironment> m_env;
  std::unique_ptr<CLonDatabaseManager> m_manager;
  std::unique_ptr<CNetworkTagsManager> m_tags;
  CComPtr<kestrum::IKestrumSimulation> m_simulation;
  bool m_bOpen = false;
};

class CNodeTreeObject;
class CTreeObject;
// The device object of a neuron ID in a device tree (BuildDeviceTree), or null.
CNodeTreeObject* FindNodeObject(CTreeObject* under, const CString& neuronId);
