// The plain text protocol event (kind 1001).
#pragma once

#include <memory>

#include "foundation/ProtocolEvent.h"

class CTextProtocolEvent : public CProtocolEvent {
 public:
  explicit CTextProtocolEvent(const CString& text) : m_text(text) {}
  CTextProtocolEvent(const CTextProtocolEvent& other) = default;

  CProtocolEventText GetText() const override { return m_text; }
  int GetKind() const override { return ProtocolEventKindText; }
  std::unique_ptr<CProtocolEvent> Clone() const override;

  static std::unique_ptr<CTextProtocolEvent> Create(const CString& text);

  // String resource id formatted with the arguments; a missing resource gives an empty headline.
  template <typename... Args>
  static std::unique_ptr<CTextProtocolEvent> CreateFormatted(UINT id, const Args&... args) {
    CString text;
    FormatResourceString(text, id, args...);
    return Create(text);
  }

  CProtocolEventText m_text;
};
