#include "project/OPCDiagRootObject.h"

#include "foundation/Conversions.h"
#include "foundation/KxModuleVersion.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/OpcServerPropertiesManager.h"
#include "project/OPCGroupTreeObject.h"
#include "project/OPCServerTreeObject.h"
#include "project/ProjectResource.h"

CString FormatDiagBanner() {
  RegisterProjectStrings();
  CString text;
  text.Format(IDS_PRODUCT_BANNER, GetProductVersionText(), GetCopyrightText());
  text.Replace(L"\r\n", L", ");
  text.Replace(L"\n", L", ");
  return text;
}

COPCServerTreeObject* COPCDiagRootObject::AddServer(const CServerInfo& info) {
  CServerInfo live;
  if (!GetOPCToolkitManager().GetServerInfo(info.m_dwKey, live)) return nullptr;
  auto* server = COPCServerTreeObject::Create(info);
  AddChild(server);
  return server;
}

COPCServerTreeObject* COPCDiagRootObject::FindServer(DWORD key) const {
  for (CTreeObject* child : m_children) {
    auto* typed = static_cast<CDefaultObject*>(child);
    if (typed->GetType() != TreeObjectOpcServer) continue;
    auto* server = static_cast<COPCServerTreeObject*>(typed);
    if (server->m_dwKey == key) return server;
  }
  return nullptr;
}

COPCGroupTreeObject* COPCDiagRootObject::AddGroup(const CGroupInfo& info) {
  COPCServerTreeObject* server = FindServer(info.m_dwServerKey);
  if (server == nullptr) return nullptr;
  auto* group = COPCGroupTreeObject::Create(info);
  server->AddChild(group);
  return group;
}

COPCGroupTreeObject* COPCDiagRootObject::FindGroup(DWORD key) const {
  for (CTreeObject* child : m_children) {
    auto* typed = static_cast<CDefaultObject*>(child);
    if (typed->GetType() != TreeObjectOpcServer) continue;
    if (COPCGroupTreeObject* group = static_cast<COPCServerTreeObject*>(typed)->FindGroup(key)) return group;
  }
  return nullptr;
}

void COPCDiagRootObject::FillProperties(CPropertyList& list) {
  CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
  COleVariant name = MakeTextValue(FormatDiagBanner());
  AddReadOnlyProperty(misc, L"Name", name, L"Name");
  COleVariant count = MakeLongValue(static_cast<LONG>(m_children.size()));
  AddReadOnlyProperty(misc, L"Servers count", count, L"Count of OPC Servers");
  if (g_pOpcServerProperties != nullptr) {
    COleVariant start = MakeTextValue(FormatTimeStamp(g_pOpcServerProperties->m_ftStartTime));
    AddReadOnlyProperty(misc, L"Start time", start, L"Start time");
  }
}
