#include "opcserver/testing/demo/OpcDemoNetwork.h"

#include "lon/LonNode.h"
#include "lon/NodeTreeObject.h"
#include "lon/NetworkVariable.h"

COpcDemoNetwork::COpcDemoNetwork(int devices, int newDevices) {
  kestrum::testing::EnvironmentOptions options;
  options.devices = devices;
  options.newDevices = newDevices;
  m_env = std::make_unique<kestrum::testing::CKestrumEnvironment>(options);
  m_manager = std::make_unique<CLonDatabaseManager>();
  m_simulation = m_env->Simulation(m_manager->m_control.m_lpDispatch);
  if (m_simulation)
    m_bOpen = m_manager->Open(LonModeAuto, CString(m_env->DatabasePath().c_str()), L"LON1", L"");
  Pump();
  m_tags = std::make_unique<CNetworkTagsManager>(*m_manager);
}

COpcDemoNetwork::~COpcDemoNetwork() {
  // Servers and their tags are gone by now; the control goes before the machine it lives on.
  m_tags.reset();
  m_simulation.Release();
  Pump();
  m_manager.reset();
  m_env.reset();
}

void COpcDemoNetwork::AdvanceClock(ULONG milliseconds) {
  m_env->Clock().Advance(milliseconds);
  if (m_simulation) m_simulation->AdvanceClock(milliseconds);
}

int COpcDemoNetwork::Pump() {
  return kestrum::testing::CKestrumEnvironment::Pump(m_manager ? m_manager->m_control.m_lpDispatch : nullptr);
}

std::vector<CString> COpcDemoNetwork::NvItemIds() {
  std::vector<CString> ids;
  for (CLonNode* node : m_manager->GetNodes())
    for (CNetworkVariable* nv : node->m_nvs) ids.push_back(nv->GetItemID());
  return ids;
}

CNodeTreeObject* FindNodeObject(CTreeObject* under, const CString& neuronId) {
  for (CTreeObject* child : under->m_children) {
    CNodeTreeObject* node = CNodeTreeObject::FromObject(static_cast<CDefaultObject*>(child));
    if (node != nullptr && node->m_pNode != nullptr && node->m_pNode->GetNeuronId() == neuronId) return node;
    if (CNodeTreeObject* found = FindNodeObject(child, neuronId)) return found;
  }
  return nullptr;
}
