#include "views/models/NodeStatisticModel.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"

void CNodeStatisticModel::Read() {
  struct Row {
    const wchar_t* name;
    DISPID id;
  };
  namespace s = kestrum::stats;
  static const Row kRows[] = {
      {L"Transmission errors", s::kTransmissionErrors}, {L"Transaction Timeouts", s::kTransactionTimeouts},
      {L"Rcv Transaction Full", s::kRcvTransactionFull}, {L"Lost Messages", s::kLostMessages},
      {L"Missed Messages", s::kMissedMessages},          {L"Layer2 Received", s::kLayer2Received},
      {L"Layer3 Received", s::kLayer3Received},          {L"Layer3 Transmitted", s::kLayer3Transmitted},
      {L"Transmit Retries", s::kTransmitRetries},        {L"Backlog Oveflows", s::kBacklogOverflows},
      {L"Late Acknowledgements", s::kLateAcknowledgements}, {L"Collisions", s::kCollisions},
  };
  try {
    COleDispatchDriver stats = lon_dispatch::GetObject(m_config, kestrum::host::kStatistics);
    m_rows.clear();
    if (stats.m_lpDispatch == nullptr) {
      m_rows.emplace_back(L"Query status failed", CString());
      return;
    }
    for (const Row& row : kRows) {
      CString text;
      text.Format(L"%u", static_cast<unsigned>(stats.GetProperty<ULONG>(row.id)));
      m_rows.emplace_back(row.name, text);
    }
    CString locks;
    locks.Format(L"%u", static_cast<unsigned>(stats.GetProperty<USHORT>(s::kEepromLocks)));
    m_rows.emplace_back(L"Eeprom Locks", locks);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}
