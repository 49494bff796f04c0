#include "standins/kestrum/testing/KestrumEnvironment.h"

#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "platform/com/Activation.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/Registrar.h"
#include "platform/win32/Messages.h"
#include "platform/win32/TextConv.h"
#include "standins/kestrum/KestrumCtrl.h"
#include "standins/kestrum/NetworkGenerator.h"

namespace kestrum::testing {
namespace {

Activation Resolve(Activation asked) {
  if (asked != Activation::kDefault) return asked;
  const char* env = std::getenv("TESSALY_KESTRUM_ACTIVATION");
  return env != nullptr && std::string_view(env) == "library" ? Activation::kLibrary : Activation::kClassObject;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

CKestrumEnvironment::CKestrumEnvironment(EnvironmentOptions options)
    : m_clock(kFixedClock, 1000000),
      m_clockScope(m_clock),
      m_prompts(std::make_shared<CScriptedMessageBoxPresenter>()),
      m_promptScope(m_prompts),
      m_activation(Resolve(options.activation)) {
  // The entries the library's own registration writes, so CLSIDFromProgID and InprocServer32
  // read exactly what an installed control leaves.
  CRegistrar registrar;
  registrar.AddReplacement(L"MODULE", Utf8ToWide(TESSALY_KESTRUM_MODULE).c_str());
  registrar.AddReplacement(L"CLSID", tessaly::GuidToString(CLSID_KestrumCtrl).c_str());
  if (FAILED(registrar.StringRegister(sim::CKestrumCtrl::RegistryScript())))
    throw std::runtime_error("registering the control failed: " + Narrow(registrar.GetErrorText()));

  if (m_activation == Activation::kClassObject) {
    // Activation looks in the process's class table before the registry.
    CComPtr<IUnknown> factory;
    if (FAILED(sim::CKestrumCtrl::CreateClassFactory(IID_IUnknown, reinterpret_cast<void**>(&factory), false)) ||
        FAILED(CoRegisterClassObject(CLSID_KestrumCtrl, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                     &m_classRegistration)))
      throw std::runtime_error("registering the control's class object failed");
  }

  m_database = m_root.PathW() + L"/network.db";
  sim::GeneratorOptions generator;
  generator.devices = options.devices;
  generator.newDevices = options.newDevices;
  std::wstring error;
  if (!sim::CNetworkGenerator::Write(m_database, generator, &error))
    throw std::runtime_error("generating the network failed: " + Narrow(error));
}

CKestrumEnvironment::~CKestrumEnvironment() {
  if (m_classRegistration != 0) CoRevokeClassObject(m_classRegistration);
}

std::wstring CKestrumEnvironment::MissingDatabasePath() const { return m_root.PathW() + L"/missing.db"; }

CComPtr<IKestrumSimulation> CKestrumEnvironment::Simulation(IDispatch* control) const {
  CComPtr<IKestrumSimulation> simulation;
  if (control == nullptr ||
      FAILED(control->QueryInterface(IID_IKestrumSimulation, reinterpret_cast<void**>(&simulation))))
    return nullptr;
  simulation->SetClock(kFixedClock);
  return simulation;
}

int CKestrumEnvironment::Pump(IDispatch* control) {
  int count = tessaly::win32::PumpPendingMessages();
  if (control != nullptr) {
    COleDispatchDriver driver(control, FALSE);
    try {
      count += driver.InvokeMethod<LONG>(ctl::kPumpEvents);
    } catch (const COleDispatchException&) {
      // a control without its own event pump delivers through the queue alone
    }
  }
  count += tessaly::win32::PumpPendingMessages();
  return count;
}

}  // namespace kestrum::testing
