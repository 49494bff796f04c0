// The thread-safe queue of protocol events between producers on any thread and one consumer.
// It owns every event in it; the lock is a leaf (nothing else is taken inside it).
#pragma once

#include <deque>
#include <memory>

#include "foundation/ProtocolEvent.h"
#include "foundation/shared/MyCriticalSection.h"

class CProtocolEventsCollection {
 public:
  // More than this many queued refuses new events (so the queue can reach one more).
  static constexpr int kMaxQueued = 100000;

  CProtocolEventsCollection() = default;
  CProtocolEventsCollection(const CProtocolEventsCollection&) = delete;
  CProtocolEventsCollection& operator=(const CProtocolEventsCollection&) = delete;
  virtual ~CProtocolEventsCollection();

  // Always consumes the event: queued and true, or deleted and false when more than
  // kMaxQueued are waiting. A null event is accepted (true) and not queued.
  virtual bool Add(std::unique_ptr<CProtocolEvent> event);
  // The oldest event, or null when the queue is empty.
  std::unique_ptr<CProtocolEvent> Pop();
  int GetCount();
  void Clear();

 private:
  std::deque<std::unique_ptr<CProtocolEvent>> m_events;
  CMyCriticalSection m_lock;
};
