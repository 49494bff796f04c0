#include "views/models/StatusPageModel.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"

namespace {

// The control keeps its counters as I4, but they only ever count up: printed unsigned, so a
// count above 2^31 does not read as negative.
CString CounterText(COleDispatchDriver& status, DISPID id) {
  CString text;
  text.Format(L"%u", static_cast<unsigned>(status.GetProperty<LONG>(id)));
  return text;
}

}  // namespace

void CStatusPageModel::Show() {
  try {
    COleDispatchDriver status = GetStatusObject();
    if (status.m_lpDispatch == nullptr) {
      ShowOneRow(L"Query status failed");
      return;
    }
    namespace st = kestrum::status;
    CStatusRows rows;
    rows.emplace_back(L"xmit_errors", CounterText(status, st::kTransmitErrors));
    rows.emplace_back(L"transaction_timeouts", CounterText(status, st::kTransactionTimeouts));
    rows.emplace_back(L"rcv_transaction_full", CounterText(status, st::kRcvTransactionFull));
    rows.emplace_back(L"lost_msgs", CounterText(status, st::kLostMessages));
    rows.emplace_back(L"missed_msgs", CounterText(status, st::kMissedMessages));
    rows.emplace_back(L"reset_cause", lon_dispatch::GetText(status, st::kResetCause));
    rows.emplace_back(L"node_state", lon_dispatch::GetText(status, st::kNodeState));
    CString version;
    version.Format(L"%d", static_cast<int>(status.GetProperty<LONG>(st::kVersionNumber)));
    rows.emplace_back(L"version_number", version);
    rows.emplace_back(L"error_log", lon_dispatch::GetText(status, st::kErrorLog));
    rows.emplace_back(L"model_number", lon_dispatch::GetText(status, st::kModelNumber));
    m_rows = std::move(rows);
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}

void CStatusPageModel::OnClearStatus() {
  bool cleared = false;
  try {
    cleared = ClearStatus();
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
  // A clear that failed, also by an exception, says so.
  if (cleared)
    Show();
  else
    ShowOneRow(L"Clear status failed");
}

void CStatusPageModel::ShowOneRow(const wchar_t* text) {
  m_rows.clear();
  m_rows.emplace_back(text, CString());
}

COleDispatchDriver CNIStatusPageModel::GetStatusObject() { return lon_dispatch::GetObject(m_object, kestrum::host::kStatus); }

bool CNIStatusPageModel::ClearStatus() {
  m_object.InvokeMethod<bool>(kestrum::host::kClearStatus);
  return true;  // the page reads the counters again whatever the control answers
}

COleDispatchDriver CNodeStatusPageModel::GetStatusObject() { return lon_dispatch::GetObject(m_object, kestrum::node::kStatus); }

bool CNodeStatusPageModel::ClearStatus() {
  m_object.InvokeMethod<bool>(kestrum::node::kClearStatus);
  return true;
}

COleDispatchDriver CRouterSideStatusPageModel::GetStatusObject() {
  return lon_dispatch::GetObject(m_object, kestrum::side::kStatus);
}

bool CRouterSideStatusPageModel::ClearStatus() { return m_object.InvokeMethod<bool>(kestrum::side::kClearStatus); }
