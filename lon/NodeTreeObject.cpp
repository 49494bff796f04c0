#include "lon/NodeTreeObject.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/LonGuiLinks.h"
#include "lon/LonResources.h"
#include "platform/win32/Resources.h"

CNodeTreeObject* CNodeTreeObject::Create(CLonNode* node) {
  if (node == nullptr) return nullptr;
  auto* object = new CNodeTreeObject();
  object->m_pNode = node;
  object->m_nType = node->IsRouter() ? TreeObjectRouter : TreeObjectNode;
  return object;
}

CNodeTreeObject* CNodeTreeObject::FromObject(CTreeObject* object) {
  auto* typed = dynamic_cast<CDefaultObject*>(object);
  if (typed == nullptr) return nullptr;
  int type = typed->GetType();
  return (type == TreeObjectNode || type == TreeObjectRouter) ? dynamic_cast<CNodeTreeObject*>(typed) : nullptr;
}

void CNodeTreeObject::FillProperties(CPropertyList& list) {
  bool router = m_pNode->IsRouter();
  const wchar_t* what = router ? L"router" : L"node";
  auto text = [](const CString& s) { return MakeTextValue(s); };
  CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
  CString d;
  COleVariant v = text(m_pNode->GetName());
  d.Format(L"Name of the %s", what);
  AddReadOnlyProperty(misc, L"Name", v, d.GetString());
  v = text(m_pNode->GetLocation());
  d.Format(L"Location of the %s", what);
  AddReadOnlyProperty(misc, L"Location", v, d.GetString());
  v = text(m_pNode->GetProgramId());
  d.Format(L"Program ID of the %s", what);
  AddReadOnlyProperty(misc, L"Program ID", v, d.GetString());
  v = text(m_pNode->GetNeuronId());
  d.Format(L"Neuron ID of the %s", what);
  AddReadOnlyProperty(misc, L"Neuron ID", v, d.GetString());
  CPropertyRow* stat = AddPropertyGroup(list, L"Statistic");
  v = MakeLongValue(static_cast<LONG>(m_pNode->m_nvs.size()));
  AddReadOnlyProperty(stat, L"NVs count", v, L"Count of network variables");
  if (!router) {
    v = MakeLongValue(static_cast<LONG>(m_pNode->m_blocks.size()));
    AddReadOnlyProperty(stat, L"LMOs count", v, L"Count of LonMark Objects");
  }
  for (short index = 0; index < 2; ++index) {
    CString groupName;
    groupName.Format(L"Domain %d", int(index));
    CPropertyRow* group = AddPropertyGroup(list, groupName.GetString());
    CLonAddress address = m_pNode->GetDomainAddress(index);
    v = text(address.m_domain.ToHexText());
    AddReadOnlyProperty(group, L"ID", v, L"Domain Id");
    v = MakeLongValue(address.m_subnet);
    AddReadOnlyProperty(group, L"Subnet", v, L"Subnet");
    v = MakeLongValue(address.m_node);
    AddReadOnlyProperty(group, L"Node", v, L"Node");
  }
  CPropertyRow* opc = AddPropertyGroup(list, L"OPC Specifics");
  AddEditableProperty(opc, L"Is active", L"Device is active", 8,
                      MakeBoolValue(lon_dispatch::GetBool(m_pNode->m_dispatch, kestrum::node::kActive)));
}

bool CNodeTreeObject::OnPropertyChanged(int id, const COleVariant& value) {
  if (id != 8 || value.vt != VT_BOOL) return false;
  m_pNode->m_dispatch.SetProperty(kestrum::node::kActive, VT_BOOL, value.boolVal != VARIANT_FALSE);
  return true;
}

void CNodeTreeObject::ShowStatus() {
  CLonGuiLinks* links = GetLonGuiLinks();
  if (links == nullptr) return;
  CString title;
  if (m_nType == TreeObjectNode) {
    title.Format(L"Node '%s'", m_pNode->GetNeuronId());
    links->ShowNodeStatusSheet(title, m_pNode->m_dispatch.m_lpDispatch);
  } else if (m_nType == TreeObjectRouter) {
    RegisterLonResources();
    title.Format(L"Router '%s'", m_pNode->GetNeuronId());
    COleDispatchDriver router = m_pNode->GetRouterObject();
    COleDispatchDriver nearSide, farSide;
    if (router.m_lpDispatch != nullptr) {
      nearSide = lon_dispatch::GetObject(router, kestrum::router::kNearSide);
      farSide = lon_dispatch::GetObject(router, kestrum::router::kFarSide);
    }
    CString nearCaption(FindStringResource(IDS_ROUTER_NEAR_SIDE).value_or(L"").c_str());
    CString farCaption(FindStringResource(IDS_ROUTER_FAR_SIDE).value_or(L"").c_str());
    links->ShowRouterStatusSheet(title, nearCaption, nearSide.m_lpDispatch, farCaption, farSide.m_lpDispatch);
  }
}

void CNodeTreeObject::ReplaceNode() {
  CLonGuiLinks* links = GetLonGuiLinks();
  if (links == nullptr) return;
  CString neuronId;
  if (links->RunReplaceNodeDialog(neuronId) != IDOK) return;
  try {
    m_pNode->m_dispatch.InvokeMethod<short>(kestrum::node::kReplace, neuronId);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}
