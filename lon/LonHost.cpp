#include "lon/LonHost.h"

#include <mutex>

namespace {
// Held while a host is called, so a host that is being replaced (a document that closes) is
// never called after SetLonHost let it go.
std::recursive_mutex& HostLock() {
  static std::recursive_mutex lock;
  return lock;
}
CLonHost* g_pLonHost = nullptr;
}  // namespace

void SetLonHost(CLonHost* host) {
  std::lock_guard<std::recursive_mutex> lock(HostLock());
  g_pLonHost = host;
}

CLonHost* GetLonHost() {
  std::lock_guard<std::recursive_mutex> lock(HostLock());
  return g_pLonHost;
}

DWORD GetLonProtocolMask() {
  std::lock_guard<std::recursive_mutex> lock(HostLock());
  CLonHost* host = g_pLonHost;
  if (host == nullptr || !host->HasDocument()) return 0x3FF;
  return host->GetProtocolMask();
}

bool IsMonitorSelectedOnly() {
  std::lock_guard<std::recursive_mutex> lock(HostLock());
  CLonHost* host = g_pLonHost;
  return host != nullptr && host->HasDocument() && host->GetMonitorNVs() == 0;
}

int GetLonServerInstance() {
  std::lock_guard<std::recursive_mutex> lock(HostLock());
  CLonHost* host = g_pLonHost;
  return host != nullptr ? host->GetServerInstance() : 0;
}
