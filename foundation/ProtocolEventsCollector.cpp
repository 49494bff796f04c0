#include "foundation/ProtocolEventsCollector.h"

#include <mutex>

CProtocolEventsCollectorRef g_pProtocolEventsCollector;

CProtocolEventsCollectorRef::operator bool() const {
  std::shared_lock<std::shared_mutex> lock(m_mutex);
  return m_collector != nullptr;
}

bool CProtocolEventsCollectorRef::Collect(std::unique_ptr<CProtocolEvent> event) {
  std::shared_lock<std::shared_mutex> lock(m_mutex);
  if (m_collector == nullptr) return false;  // event is deleted on return
  return m_collector->Collect(std::move(event));
}

void CProtocolEventsCollectorRef::Set(CProtocolEventsCollector* collector) {
  std::unique_lock<std::shared_mutex> lock(m_mutex);
  m_collector = collector;
}
