#include "project/DocHost.h"

#include <atomic>

namespace {
std::atomic<CDocHost*> g_pDocHost{nullptr};
}

void SetDocHost(CDocHost* host) { g_pDocHost.store(host); }
CDocHost* GetDocHost() { return g_pDocHost.load(); }

CLoggingFile* GetDocHostLogFile() {
  CDocHost* host = GetDocHost();
  return host != nullptr ? host->GetLogFile() : nullptr;
}
