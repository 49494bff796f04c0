#include "lon/LonGuiLinks.h"

#include <atomic>

namespace {
std::atomic<CLonGuiLinks*> g_pLonGuiLinks{nullptr};
}

void SetLonGuiLinks(CLonGuiLinks* links) { g_pLonGuiLinks.store(links); }
CLonGuiLinks* GetLonGuiLinks() { return g_pLonGuiLinks.load(); }
