#include "views/wx/ReplaceNodeDlg.h"

#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "views/wx/WaitOnServicePinDlg.h"
#include "views/wx/WxText.h"

CReplaceNodeDlg::CReplaceNodeDlg(wxWindow* parent, CDoc* doc)
    : wxDialog(parent, wxID_ANY, "Replace node"), m_model([this, doc](CString& neuronId) {
        CWaitOnServicePinDlg wait(this, doc);
        const int result = wait.ShowModal() == wxID_OK ? IDOK : IDCANCEL;
        neuronId = wait.GetNeuronId();
        return result;
      }) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  m_pin = new wxRadioButton(this, 1230, "Use service pin of the device", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  m_manual = new wxRadioButton(this, 1016, "Enter manually the device's ID");
  top->Add(m_pin, 0, wxALL, 6);
  top->Add(m_manual, 0, wxALL, 6);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticText(this, wxID_ANY, "ID"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  m_id = new wxTextCtrl(this, 1168, wxString(), wxDefaultPosition, wxSize(160, -1));
  m_id->Disable();
  row->Add(m_id, 1);
  top->Add(row, 0, wxEXPAND | wxALL, 6);
  top->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(top);
  Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) {
    Read();
    m_id->Enable(m_model.IsIdEnabled());
  });
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      Read();
      if (!m_model.OnOK()) return;
      m_id->SetValue(views_wx::ToWx(m_model.GetNeuronId()));
      EndModal(wxID_OK);
    }, wxID_OK);
}

void CReplaceNodeDlg::Read() {
  m_model.m_nMode = m_manual->GetValue() ? CReplaceNodeModel::Manual : CReplaceNodeModel::ServicePin;
  m_model.m_strNeuronId = views_wx::FromWx(m_id->GetValue());
}
