// Where OPC objects and other producers hand their protocol events. Handing over always
// consumes the event: taken, refused or with nobody to take it, it is never the caller's again.
#pragma once

#include <memory>
#include <shared_mutex>

#include "foundation/ProtocolEvent.h"

class CProtocolEventsCollector {
 public:
  virtual ~CProtocolEventsCollector() = default;
  // True when the event was taken over; a refused event is deleted.
  virtual bool Collect(std::unique_ptr<CProtocolEvent> event) = 0;
};

// The process-wide reach of the live collector, used like a pointer:
//   if (g_pProtocolEventsCollector) g_pProtocolEventsCollector->Collect(std::move(event));
// A Collect that races the collector's teardown deletes the event and returns false; clearing
// waits for the Collects already inside the collector.
class CProtocolEventsCollectorRef {
 public:
  CProtocolEventsCollectorRef() = default;
  CProtocolEventsCollectorRef(const CProtocolEventsCollectorRef&) = delete;
  CProtocolEventsCollectorRef& operator=(const CProtocolEventsCollectorRef&) = delete;

  explicit operator bool() const;
  CProtocolEventsCollectorRef* operator->() { return this; }
  bool Collect(std::unique_ptr<CProtocolEvent> event);

  // Set by whoever creates the collector, cleared (null) before it goes.
  void Set(CProtocolEventsCollector* collector);

 private:
  mutable std::shared_mutex m_mutex;
  CProtocolEventsCollector* m_collector = nullptr;
};

extern CProtocolEventsCollectorRef g_pProtocolEventsCollector;
