// The simulation interface's side of the network: what the world outside the program does.
#include "standins/kestrum/SimNetwork.h"
#include "standins/kestrum/SimObject.h"

namespace kestrum::sim {

HRESULT CSimNetwork::SimSetDeviceValue(const std::wstring& itemId, short field, const VARIANT& value) {
  auto guard = Lock();
  bool isNv = false;
  SimPoint* p = FindPointLocked(itemId, &isNv);
  if (!p) return E_INVALIDARG;
  if (!p->type->IsField(field)) return DISP_E_BADINDEX;
  std::vector<BYTE> bytes = DeviceLocked(*p);
  HRESULT hr = p->type->Encode(bytes, field, value);
  if (FAILED(hr)) return hr;
  p->device = bytes;
  if (isNv) {
    auto& nv = static_cast<SimNv&>(*p);
    nv.behaviour = kBehaviourConstant;
    // A monitored NV's device sends the new value at once.
    if (nv.monitorCookie != 0 && ReadDeviceLocked(nv)) ReportLocked(nv, false);
  }
  return S_OK;
}

HRESULT CSimNetwork::SimGetDeviceValue(const std::wstring& itemId, short field, VARIANT* value) {
  if (!value) return E_POINTER;
  auto guard = Lock();
  bool isNv = false;
  SimPoint* p = FindPointLocked(itemId, &isNv);
  if (!p) return E_INVALIDARG;
  if (!p->type->IsField(field)) return DISP_E_BADINDEX;
  CComVariant v = p->type->Decode(DeviceLocked(*p), field);
  VariantInit(value);
  return v.Detach(value);
}

HRESULT CSimNetwork::SimSetBehaviour(const std::wstring& itemId, LONG behaviour, double step, double low,
                                     double high) {
  auto guard = Lock();
  auto it = m_nvById.find(itemId);
  if (it == m_nvById.end()) return E_INVALIDARG;
  SimNv& nv = *it->second;
  if (behaviour < kBehaviourConstant || behaviour > kBehaviourRandomWalk || low > high) return E_INVALIDARG;
  if (behaviour != kBehaviourConstant && !nv.type->IsNumeric()) return DISP_E_TYPEMISMATCH;
  DeviceLocked(nv);  // the old behaviour up to now
  nv.behaviour = behaviour;
  nv.step = step;
  nv.low = low;
  nv.high = high;
  nv.behaviourTime = NowLocked();
  return S_OK;
}

HRESULT CSimNetwork::SimSetValueStatus(const std::wstring& itemId, LONG status) {
  auto guard = Lock();
  bool isNv = false;
  SimPoint* p = FindPointLocked(itemId, &isNv);
  if (!p) return E_INVALIDARG;
  p->forcedStatus = status < 0 ? -1 : status;
  return S_OK;
}

HRESULT CSimNetwork::SimSetDeviceOnline(const std::wstring& neuronId, bool online) {
  auto guard = Lock();
  SimNode* n = FindNodeLocked(neuronId, true);
  if (!n) return E_INVALIDARG;
  n->online = online;
  return S_OK;
}

HRESULT CSimNetwork::SimSetCounter(LONG kind, const std::wstring& key, DISPID counter, ULONG value) {
  auto guard = Lock();
  if (kind == kObjStatistics) {
    if (counter < stats::kTransmissionErrors || counter > stats::kEepromLocks) return DISP_E_MEMBERNOTFOUND;
    m_statistics[static_cast<size_t>(counter)] = value;
    return S_OK;
  }
  if (kind == kObjInterfaceStatistics) {
    if (counter != vni::kInvalidResponses) return DISP_E_MEMBERNOTFOUND;
    m_invalidResponses = static_cast<LONG>(value);
    return S_OK;
  }
  if (kind != kObjStatus) return E_INVALIDARG;
  StatusCounters* s = &m_interfaceStatus;
  if (!key.empty()) {
    bool nearSide = key.rfind(L"near:", 0) == 0, farSide = key.rfind(L"far:", 0) == 0;
    SimNode* n = FindNodeLocked(nearSide ? key.substr(5) : farSide ? key.substr(4) : key, true);
    if (!n) return E_INVALIDARG;
    s = nearSide ? &n->nearSide : farSide ? &n->farSide : &n->status;
  }
  switch (counter) {
    case status::kLostMessages: case status::kMissedMessages: case status::kRcvTransactionFull:
    case status::kTransactionTimeouts: case status::kVersionNumber: case status::kTransmitErrors:
      s->numbers[static_cast<size_t>(counter)] = value;
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT CSimNetwork::SimAddLateAcknowledgements(ULONG count) {
  auto guard = Lock();
  m_statistics[stats::kLateAcknowledgements] += count;
  return S_OK;
}

HRESULT CSimNetwork::SimAddNetworkInterface(const std::wstring& name, const std::wstring& channel,
                                            const std::wstring& port) {
  if (name.empty()) return E_INVALIDARG;
  auto guard = Lock();
  for (const SimInterface& i : m_interfaces)
    if (i.name == name) return E_INVALIDARG;
  m_interfaces.push_back({name, channel, port});
  return S_OK;
}

HRESULT CSimNetwork::SimPressServicePin(const std::wstring& neuronId) {
  auto guard = Lock();
  SimNode* n = FindNodeLocked(neuronId, true);
  if (!n) return E_INVALIDARG;
  if (!m_servicePinReporting) return S_FALSE;
  QueueEventLocked(evt::kServicePin, {CComVariant(n->neuronId.c_str()), CComVariant(n->programId.c_str())});
  return S_OK;
}

HRESULT CSimNetwork::SimRaiseInfo(LONG kind, const std::wstring& text1, const std::wstring& text2) {
  auto guard = Lock();
  QueueEventLocked(evt::kInfo, {CComVariant(static_cast<int>(kind)), CComVariant(text1.c_str()), CComVariant(text2.c_str())});
  return S_OK;
}

HRESULT CSimNetwork::SimRaiseInform2(LONG code, const std::wstring* neuronId, const std::wstring& text) {
  std::shared_ptr<SimNode> node;
  {
    auto guard = Lock();
    if (neuronId) {
      SimNode* n = FindNodeLocked(*neuronId, false);
      if (!n) return E_INVALIDARG;
      node = n->shared_from_this();
    }
  }
  CComPtr<IDispatch> object;
  if (node) {
    ObjRef r;
    r.kind = kObjNode;
    r.node = node;
    object = CSimObject::Create(shared_from_this(), std::move(r));
  }
  auto guard = Lock();
  QueueEventLocked(evt::kInform2, {CComVariant(static_cast<int>(code)), CComVariant(static_cast<IDispatch*>(object.p)),
                                   CComVariant(text.c_str())});
  return S_OK;
}

}  // namespace kestrum::sim
