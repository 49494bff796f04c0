#include "project/OPCServerTreeObject.h"

#include "foundation/Conversions.h"
#include "opcserver/OPCToolkitManager.h"
#include "project/OPCGroupTreeObject.h"

CTreeObject* COPCServerTreeObject::CreateObject(const wchar_t* name) {
  auto* object = new COPCServerTreeObject();
  object->SetName(name);
  return object;
}

COPCGroupTreeObject* COPCServerTreeObject::FindGroup(DWORD key) const {
  // A copy: the caller may change the tree while it holds the answer.
  const std::set<CTreeObject*> children = m_children;
  for (CTreeObject* child : children) {
    auto* group = AsGroupTreeObject(child);
    if (group != nullptr && group->m_dwKey == key) return group;
  }
  return nullptr;
}

void COPCServerTreeObject::FillProperties(CPropertyList& list) {
  CPropertyRow* misc = AddPropertyGroup(list, L"Misc");
  CServerInfo info;
  if (!GetOPCToolkitManager().GetServerInfo(m_dwKey, info)) return;
  COleVariant name = MakeTextValue(info.m_strName);
  AddReadOnlyProperty(misc, L"Name", name, L"Name of the OPC Server object");
  CString lcid;
  lcid.Format(L"0x%x", info.m_dwLCID);
  COleVariant locale = MakeTextValue(lcid);
  AddReadOnlyProperty(misc, L"Locale ID", locale, L"Locale ID");
  COleVariant last = MakeTextValue(FormatTimeStamp(info.m_ftLastUpdate));
  AddReadOnlyProperty(misc, L"Last update time", last, L"Last update time");
  COleVariant groups = MakeLongValue(static_cast<LONG>(m_children.size()));
  AddReadOnlyProperty(misc, L"Groups count", groups, L"Count of OPC Groups");
}
