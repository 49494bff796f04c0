#include "opcserver/OPCToolkitCtrl.h"

void COPCToolkitCtrl::Add(CMyOPCServer* server) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_servers.push_back(server);
}

void COPCToolkitCtrl::Remove(CMyOPCServer* server) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_servers.remove(server);
}

bool COPCToolkitCtrl::IsEmpty() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_servers.empty();
}

std::vector<CMyOPCServer*> COPCToolkitCtrl::Snapshot() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return std::vector<CMyOPCServer*>(m_servers.begin(), m_servers.end());
}

COPCToolkitCtrl& GetOPCToolkitCtrl() {
  static COPCToolkitCtrl* ctrl = new COPCToolkitCtrl;
  return *ctrl;
}
