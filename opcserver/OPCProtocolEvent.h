// Protocol events of OPC calls: a snapshot of the statistics record of the server, group or item
// concerned, a kind code (0 to 30) and an optional text. The text is formatted only when asked.
#pragma once

#include <memory>

#include "foundation/ProtocolEvent.h"
#include "opcserver/SpyObjects.h"

// Kind codes.
enum OpcEventKind {
  OpcEventAddClient = 0,
  OpcEventRemoveClient = 1,
  OpcEventRenameClient = 2,
  OpcEventAddGroup = 3,
  OpcEventRemoveGroup = 4,
  OpcEventAddItem = 5,
  OpcEventRemoveItem = 6,
  OpcEventGroupClientHandle = 7,
  OpcEventGroupLCID = 8,
  OpcEventGroupTimeBias = 9,
  OpcEventGroupUpdateRate = 10,
  OpcEventGroupDeadband = 11,
  OpcEventRenameGroup = 12,
  OpcEventGroupActive = 13,
  OpcEventItemDatatype = 14,
  OpcEventItemClientHandle = 15,
  OpcEventItemValue = 16,
  OpcEventItemQuality = 17,
  OpcEventItemWrite = 19,
  OpcEventItemRead = 20,
  OpcEventSyncRead = 21,
  OpcEventSyncWrite = 22,
  OpcEventAsyncRead = 23,
  OpcEventAsyncReadComplete = 24,
  OpcEventAsyncWrite = 25,
  OpcEventAsyncWriteComplete = 26,
  OpcEventAsyncCancel = 27,
  OpcEventAsyncCancelComplete = 28,
  OpcEventDataChange = 29,
  OpcEventOperationFailed = 30,
};

template <class M>
class COPCProtocolEventT : public CProtocolEvent {
 public:
  typedef typename M::InfoType InfoType;

  COPCProtocolEventT(const InfoType& record, int kind, const CString& text = CString())
      : m_record(record), m_strText(text), m_nKind(kind) {}

  CProtocolEventText GetText() const override;
  int GetKind() const override { return m_nKind; }
  std::unique_ptr<CProtocolEvent> Clone() const override {
    return std::unique_ptr<CProtocolEvent>(new COPCProtocolEventT(*this));
  }

  const InfoType& GetRecord() const { return m_record; }
  const CString& GetEventText() const { return m_strText; }

  InfoType m_record;
  CString m_strText;
  int m_nKind;

 private:
  COPCProtocolEventT(const COPCProtocolEventT& other) = default;
};

template <>
CProtocolEventText COPCProtocolEventT<COPCServerMessenger>::GetText() const;
template <>
CProtocolEventText COPCProtocolEventT<COPCGroupMessenger>::GetText() const;
template <>
CProtocolEventText COPCProtocolEventT<COPCItemMessenger>::GetText() const;

typedef COPCProtocolEventT<COPCServerMessenger> COPCServerEvent;
typedef COPCProtocolEventT<COPCGroupMessenger> COPCGroupEvent;
typedef COPCProtocolEventT<COPCItemMessenger> COPCItemEvent;
