// A protocol-event collector that keeps what it is given, published for its lifetime.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "foundation/ProtocolEventsCollector.h"

class CEventCapture : public CProtocolEventsCollector {
 public:
  CEventCapture() { g_pProtocolEventsCollector.Set(this); }
  ~CEventCapture() override { g_pProtocolEventsCollector.Set(nullptr); }

  bool Collect(std::unique_ptr<CProtocolEvent> event) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(std::move(event));
    return true;
  }
  // Headlines of the events of one kind, in order.
  std::vector<CString> Texts(int kind) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<CString> texts;
    for (auto& e : m_events)
      if (e->GetKind() == kind) texts.push_back(e->GetText().GetText());
    return texts;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
  }

 private:
  std::mutex m_mutex;
  std::vector<std::unique_ptr<CProtocolEvent>> m_events;
};
