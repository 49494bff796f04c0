#include "foundation/ProtocolEventsCollection.h"

CProtocolEventsCollection::~CProtocolEventsCollection() { Clear(); }

bool CProtocolEventsCollection::Add(std::unique_ptr<CProtocolEvent> event) {
  CMyCriticalSectionLock lock(m_lock);
  if (m_events.size() > static_cast<size_t>(kMaxQueued)) return false;  // event is deleted on return
  if (event) m_events.push_back(std::move(event));
  return true;
}

std::unique_ptr<CProtocolEvent> CProtocolEventsCollection::Pop() {
  CMyCriticalSectionLock lock(m_lock);
  if (m_events.empty()) return nullptr;
  std::unique_ptr<CProtocolEvent> event = std::move(m_events.front());
  m_events.pop_front();
  return event;
}

int CProtocolEventsCollection::GetCount() {
  CMyCriticalSectionLock lock(m_lock);
  return static_cast<int>(m_events.size());
}

void CProtocolEventsCollection::Clear() {
  std::deque<std::unique_ptr<CProtocolEvent>> gone;
  {
    CMyCriticalSectionLock lock(m_lock);
    gone.swap(m_events);
  }
  // Deleted outside the lock: an event's destructor is not ours to trust with it.
}
