#include "app/wx/ProtocolOutputCtrl.h"

CProtocolOutputCtrl::CProtocolOutputCtrl(wxWindow* parent)
    : wxTextCtrl(parent, 1, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                 wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL) {}

void CProtocolOutputCtrl::AppendAtEnd(const wxString& text) {
  SetInsertionPointEnd();
  AppendText(text);
}

void CProtocolOutputCtrl::RemoveFirstLines(int count) {
  const long end = XYToPosition(0, count);
  Remove(0, end < 0 ? GetLastPosition() : end);
  SetInsertionPointEnd();
}

bool CProtocolOutputCtrl::HasSelection() const {
  long from = 0, to = 0;
  GetSelection(&from, &to);
  return from != to;
}
