#include "opcserver/OpcConnectionEvents.h"

#include <cstdio>

#include "foundation/ProtocolEventsCollector.h"
#include "foundation/TextProtocolEvent.h"
#include "opcserver/OpcServerResource.h"

COpcConnectionEvents::COpcConnectionEvents() { RegisterOpcServerStrings(); }

void COpcConnectionEvents::OnStalledClientDropped(size_t queuedBytes) {
  if (!g_pProtocolEventsCollector) return;
  g_pProtocolEventsCollector->Collect(CTextProtocolEvent::CreateFormatted(IDS_OPC_CLIENT_DROPPED, SizeText(queuedBytes)));
}

CString COpcConnectionEvents::SizeText(size_t bytes) {
  wchar_t text[64];
  if (bytes < 1024)
    std::swprintf(text, 64, L"%zu bytes", bytes);
  else if (bytes < 1024 * 1024)
    std::swprintf(text, 64, L"%zu KiB", bytes / 1024);
  else
    std::swprintf(text, 64, L"%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return CString(text);
}
