#include "lon/LonNode.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/LonItemIds.h"

CLonNode* CLonNode::Create(const COleDispatchDriver& node) {
  auto* record = new CLonNode(node);
  try {
    record->Build();
  } catch (...) {
    delete record;
    throw;
  }
  return record;
}

CLonNode::CLonNode(const COleDispatchDriver& node) : m_dispatch(node) {}

CLonNode::~CLonNode() {
  DeleteRecords();
  m_dispatch.ReleaseDispatch();
}

void CLonNode::DetachDataPoints() {
  for (CNetworkVariable* nv : m_nvs) nv->DetachLinks();
  for (CConfigProperty* cp : m_cps) cp->DetachLink();
  for (CLonFunctionalBlock* block : m_blocks)
    for (CConfigProperty* cp : block->m_cps) cp->DetachLink();
}

void CLonNode::DeleteRecords() {
  // No tag may be inside a call on one data point while another one goes.
  DetachDataPoints();
  for (CLonFunctionalBlock* block : m_blocks) delete block;
  m_blocks.clear();
  for (CNetworkVariable* nv : m_nvs) delete nv;
  m_nvs.clear();
  for (CConfigProperty* cp : m_cps) delete cp;
  m_cps.clear();
}

void CLonNode::Build() {
  for (COleDispatchDriver& nv : lon_dispatch::GetCollection(m_dispatch, kestrum::node::kNvs))
    m_nvs.push_back(new CNetworkVariable(nv, this));
  CLonAddress address = GetDomainAddress(0);
  int nvCount = 0;
  {
    COleDispatchDriver nvs = lon_dispatch::GetObject(m_dispatch, kestrum::node::kNvs);
    if (nvs.m_lpDispatch != nullptr) nvCount = lon_dispatch::GetShort(nvs, kestrum::coll::kCount);
  }
  for (COleDispatchDriver& cp : lon_dispatch::GetCollection(m_dispatch, kestrum::node::kCps)) {
    short cpIndex = lon_dispatch::GetShort(cp, kestrum::cp::kIndex);
    m_cps.push_back(new CConfigProperty(cp, FormatNodeCpItemId(address, nvCount, cpIndex)));
  }
  for (COleDispatchDriver& block : lon_dispatch::GetCollection(m_dispatch, kestrum::node::kBlocks))
    m_blocks.push_back(new CLonFunctionalBlock(block, this));
}

CString CLonNode::GetLocation() { return lon_dispatch::GetText(m_dispatch, kestrum::node::kLocation); }
CString CLonNode::GetName() { return lon_dispatch::GetText(m_dispatch, kestrum::node::kName); }
CString CLonNode::GetProgramId() { return lon_dispatch::GetText(m_dispatch, kestrum::node::kProgramId); }
CString CLonNode::GetNeuronId() { return lon_dispatch::GetText(m_dispatch, kestrum::node::kNeuronId); }

CString CLonNode::GetNeuronIdText() {
  CString text;
  text.Format(L"Neuron ID: %s", GetNeuronId());
  return text;
}

bool CLonNode::IsRouter() { return lon_dispatch::GetBool(m_dispatch, kestrum::node::kIsRouter); }
bool CLonNode::InvertsDirection() { return lon_dispatch::GetBool(m_dispatch, kestrum::node::kInvertsDirection); }
CLonAddress CLonNode::GetDomainAddress(short index) { return ReadDomainAddress(m_dispatch, index); }
COleDispatchDriver CLonNode::GetStatusObject() { return lon_dispatch::GetObject(m_dispatch, kestrum::node::kStatus); }
COleDispatchDriver CLonNode::GetRouterObject() { return lon_dispatch::GetObject(m_dispatch, kestrum::node::kRouter); }

std::deque<CNetworkVariable*> CLonNode::GetBlockNVs(const CLonFunctionalBlock& block) const {
  if (block.m_nIndex == -1) return m_nvs;
  return {};
}
