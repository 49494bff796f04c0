#include "views/wx/WaitOnServicePinDlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

CWaitOnServicePinDlg::CWaitOnServicePinDlg(wxWindow* parent, CDoc* doc)
    : wxDialog(parent, wxID_ANY, "OPC Server"),
      // The dialog ends from the event's handler, after it returns, as a posted command would.
      m_model(doc, [this](int) { CallAfter([this] { EndModal(wxID_OK); }); }) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxStaticText(this, wxID_ANY, "Wait on service pin"), 0, wxALL, 16);
  top->Add(CreateButtonSizer(wxCANCEL), 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(top);
}

CWaitOnServicePinDlg::~CWaitOnServicePinDlg() { m_model.OnDestroy(); }

int CWaitOnServicePinDlg::ShowModal() {
  m_model.OnInitDialog();
  return wxDialog::ShowModal();
}
