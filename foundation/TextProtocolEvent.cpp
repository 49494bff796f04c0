#include "foundation/TextProtocolEvent.h"

std::unique_ptr<CProtocolEvent> CTextProtocolEvent::Clone() const {
  return std::make_unique<CTextProtocolEvent>(*this);
}

std::unique_ptr<CTextProtocolEvent> CTextProtocolEvent::Create(const CString& text) {
  return std::make_unique<CTextProtocolEvent>(text);
}
