#include "project/OPCServerTreeObject.h"

#include "project/OPCGroupTreeObject.h"

CTreeObject* COPCServerTreeObject::CreateObject(const wchar_t* name) {
  auto* object = new COPCServerTreeObject();
  object->SetName(name);
  return object;
}

CDefaultObject* COPCServerTreeObject::FindByKey(DWORD key) const {
  for (CTreeObject* child : m_children) {
    auto* group = dynamic_cast<COPCGroupTreeObject*>(child);
    if (group != nullptr && group->m_dwKey == key) return group;
  }
  return nullptr;
}
