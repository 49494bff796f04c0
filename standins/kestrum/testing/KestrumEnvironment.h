// A machine with the simulated network control installed, for tests of code that creates the
// control by its ProgID and drives it through its dispatch interface, as the program does.
//
// While the object lives: a fresh machine root, the control's registry entries (as its library
// registers them), a class object or the library itself behind the ProgID, a generated network
// database in the root, the program's clock fixed, and a scripted message-box presenter.
//
//   kestrum::testing::CKestrumEnvironment env;           // before the code creates the control
//   CLonDatabaseManager manager;                          // CreateDispatch("KESTRUM.KESTRUMCtrl.3")
//   auto sim = env.Simulation(manager.m_control.m_lpDispatch);  // its clock fixed too
//   env.Prompts().Answer(IDYES);
//   manager.Open(kestrum::kModeUploadNew, env.DatabasePath().c_str(), L"LON1", L"");
//   env.Pump(manager.m_control.m_lpDispatch);              // the control's events arrive
//
// Events: with the class object the control shares this process's message layer and its
// events come through the GUI thread's queue; from its own library they wait for
// ctl::kPumpEvents. Pump does both, so a test never depends on which one is in use.
#pragma once

#include <memory>
#include <string>

#include "interfaces/kestrum/KestrumSimulation.h"
#include "platform/com/ComPtr.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Time.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace kestrum::testing {

// 2024-01-01 00:00:00 UTC, the time both clocks start at.
inline constexpr ULONGLONG kFixedClock = 133485408000000000ULL;

enum class Activation {
  kDefault,             // kClassObject, or kLibrary when TESSALY_KESTRUM_ACTIVATION=library
  kClassObject,         // the stand-in linked in, its class object registered in this process
  kLibrary,             // the component library, loaded through InprocServer32
};

struct EnvironmentOptions {
  // The network written to DatabasePath(); see CNetworkGenerator (device 0: room controller
  // 040000000001 at 4B.1.1, 1 and 2 lamp actuators, 3 a block device, router per 50).
  int devices = 4;
  int newDevices = 2;  // found by an upload of new devices
  Activation activation = Activation::kDefault;
};

class CKestrumEnvironment {
 public:
  explicit CKestrumEnvironment(EnvironmentOptions options = {});
  ~CKestrumEnvironment();
  CKestrumEnvironment(const CKestrumEnvironment&) = delete;
  CKestrumEnvironment& operator=(const CKestrumEnvironment&) = delete;

  // The generated network database, and a path in the root where no file is.
  const std::wstring& DatabasePath() const { return m_database; }
  std::wstring MissingDatabasePath() const;
  const tessaly::testing::TempMachineRoot& Root() const { return m_root; }
  Activation ActivationInUse() const { return m_activation; }

  // The control's simulation interface, its clock fixed at kFixedClock (null for no control).
  CComPtr<IKestrumSimulation> Simulation(IDispatch* control) const;

  // Delivers what waits for this (the GUI) thread: its queue, then the control's own events,
  // then the queue again for what the sinks posted. The count of events and messages.
  static int Pump(IDispatch* control = nullptr);

  // The program's clock (GetSystemTimeAsFileTime, GetTickCount, timers); starts at kFixedClock.
  tessaly::win32::ManualClock& Clock() { return m_clock; }
  // Answers the message boxes; an unscripted box takes its default button.
  CScriptedMessageBoxPresenter& Prompts() { return *m_prompts; }

 private:
  tessaly::testing::TempMachineRoot m_root;
  tessaly::win32::ManualClock m_clock;
  tessaly::win32::ScopedClockForTesting m_clockScope;
  std::shared_ptr<CScriptedMessageBoxPresenter> m_prompts;
  CScopedMessageBoxPresenter m_promptScope;
  Activation m_activation;
  std::wstring m_database;
  DWORD m_classRegistration = 0;
};

}  // namespace kestrum::testing
