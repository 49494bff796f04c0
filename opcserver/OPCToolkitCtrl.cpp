#include "opcserver/OPCToolkitCtrl.h"

#include <chrono>

#include "opcserver/MyOPCServer.h"

void COPCToolkitCtrl::Add(CMyOPCServer* server) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_servers.push_back(server);
}

void COPCToolkitCtrl::Remove(CMyOPCServer* server) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_servers.remove(server);
    if (!m_servers.empty()) return;
  }
  m_emptied.notify_all();
}

bool COPCToolkitCtrl::IsEmpty() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_servers.empty();
}

std::vector<CMyOPCServer*> COPCToolkitCtrl::Snapshot() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return std::vector<CMyOPCServer*>(m_servers.begin(), m_servers.end());
}

std::vector<CComPtr<IOPCServer>> COPCToolkitCtrl::ReferencedSnapshot() {
  std::vector<CComPtr<IOPCServer>> servers;
  std::lock_guard<std::mutex> lock(m_mutex);
  // A listed server is not freed before it has left the list, which needs this lock.
  for (CMyOPCServer* server : m_servers) {
    if (!server->IsMade() || !server->TryAddRef()) continue;
    CComPtr<IOPCServer> ref;
    ref.Attach(static_cast<IOPCServer*>(server));
    servers.push_back(std::move(ref));
  }
  return servers;
}

bool COPCToolkitCtrl::WaitUntilEmpty(unsigned milliseconds) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_emptied.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return m_servers.empty(); });
}

COPCToolkitCtrl& GetOPCToolkitCtrl() {
  static COPCToolkitCtrl* ctrl = new COPCToolkitCtrl;
  return *ctrl;
}
