// One entry of the run-time protocol. Events pass between threads by owning pointer; whoever
// holds the pointer owns the event.
#pragma once

#include <memory>

#include "foundation/KxFileTime.h"
#include "foundation/ProtocolEventText.h"

enum ProtocolEventKind { ProtocolEventKindText = 1001 };

class CProtocolEvent {
 public:
  CProtocolEvent() { m_time.SetCurrentTime(); }
  CProtocolEvent& operator=(const CProtocolEvent&) = delete;
  virtual ~CProtocolEvent() = default;

  virtual CProtocolEventText GetText() const = 0;
  virtual int GetKind() const = 0;
  // A new event of the same class, kind, text and time stamp (the time the event happened).
  virtual std::unique_ptr<CProtocolEvent> Clone() const = 0;

  const CKxFileTime& GetTime() const { return m_time; }

  CKxFileTime m_time;

 protected:
  // Copies keep the source's time stamp.
  CProtocolEvent(const CProtocolEvent& other) = default;
};
