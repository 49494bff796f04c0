#include "lon/LonHost.h"

#include <atomic>

namespace {
std::atomic<CLonHost*> g_pLonHost{nullptr};
}

void SetLonHost(CLonHost* host) { g_pLonHost.store(host); }
CLonHost* GetLonHost() { return g_pLonHost.load(); }

DWORD GetLonProtocolMask() {
  CLonHost* host = GetLonHost();
  if (host == nullptr || !host->HasDocument()) return 0x3FF;
  return host->GetProtocolMask();
}

bool IsMonitorSelectedOnly() {
  CLonHost* host = GetLonHost();
  return host != nullptr && host->HasDocument() && host->GetMonitorNVs() == 0;
}

int GetLonServerInstance() {
  CLonHost* host = GetLonHost();
  return host != nullptr ? host->GetServerInstance() : 0;
}
