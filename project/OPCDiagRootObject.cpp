#include "project/OPCDiagRootObject.h"

#include "project/OPCServerTreeObject.h"


CDefaultObject* COPCDiagRootObject::FindByKey(DWORD key) const {
  for (CTreeObject* child : m_children) {
    auto* server = dynamic_cast<COPCServerTreeObject*>(child);
    if (server != nullptr && server->m_dwKey == key) return server;
  }
  return nullptr;
}
