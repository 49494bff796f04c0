#include "app/wx/PrtcOptionsPage4.h"

#include <algorithm>

#include <wx/filedlg.h>

#include "app/shell/OptionsPageRules.h"
#include "project/Doc.h"

CPrtcOptionsPage4::CPrtcOptionsPage4(wxWindow* parent, int mode, bool connected)
    : COptionsPage(parent, "Protocol window", mode, connected) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  CDoc* doc = CDoc::GetDoc();
  const int max = doc != nullptr ? std::clamp(doc->m_settings.ProtocolLinesMax, 2000, 10000) : 3000;
  const int opt = doc != nullptr ? std::clamp(doc->m_settings.ProtocolLinesMax - doc->m_settings.ProtocolLinesDiff, 1000,
                                              options::OptimumUpperBound(max))
                                 : 2000;
  m_max = new wxSpinCtrl(this, 1213, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 2000, 10000, max);
  m_opt = new wxSpinCtrl(this, 1214, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 1000,
                         options::OptimumUpperBound(max), opt);
  Row(grid, this, "Maximum count of lines", m_max);
  Row(grid, this, "Optimum count of lines", m_opt);
  sizer->Add(grid, 0, wxEXPAND | wxBOTTOM, 8);
  m_save = AddCheck(this, sizer, 1222, "Save removed lines", doc != nullptr && doc->m_settings.saveLog, true);
  m_path = new CFileBrowseCtrl(this, 1221, doc != nullptr ? ToWx(doc->m_settings.GetSaveLogPath()) : wxString(), "Log file",
                               "Log files (*.log)|*.log", "log", wxFD_SAVE);
  sizer->Add(m_path, 0, wxEXPAND);
  m_path->Enable(m_save->GetValue());
  m_save->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { m_path->Enable(m_save->GetValue()); });
  m_max->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) {
    m_opt->SetRange(1000, options::OptimumUpperBound(m_max->GetValue()));
  });
  m_opt->Bind(wxEVT_SPINCTRL, [this](wxSpinEvent&) {
    m_max->SetRange(options::MaximumLowerBound(m_opt->GetValue()), 10000);
  });
  Finish(this, sizer);
}

CString CPrtcOptionsPage4::Check() {
  return options::CheckProtocolWindow(m_max->GetValue(), m_opt->GetValue(), m_save->GetValue(),
                                      CString(m_path->GetPath().wc_str()));
}

void CPrtcOptionsPage4::Apply() {
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) return;
  SetMarked(doc, doc->m_settings.saveLog, m_save->GetValue());
  doc->m_settings.ProtocolLinesMax = m_max->GetValue();
  doc->m_settings.ProtocolLinesDiff = m_max->GetValue() - m_opt->GetValue();
  doc->m_settings.SetString(doc->m_settings.saveLogPath, ToCString(m_path->GetPath()));
}
