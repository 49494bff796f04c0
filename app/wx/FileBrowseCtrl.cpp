#include "app/wx/FileBrowseCtrl.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/sizer.h>

CFileBrowseCtrl::CFileBrowseCtrl(wxWindow* parent, int id, const wxString& path, const wxString& title,
                                 const wxString& wildcard, const wxString& defaultExtension, long style)
    : wxPanel(parent, id), m_title(title), m_wildcard(wildcard), m_defaultExtension(defaultExtension), m_style(style) {
  m_pText = new wxTextCtrl(this, wxID_ANY, path);
  m_pBrowse = new wxButton(this, wxID_ANY, "Browse...");
  auto* sizer = new wxBoxSizer(wxHORIZONTAL);
  sizer->Add(m_pText, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
  sizer->Add(m_pBrowse, 0, wxALIGN_CENTER_VERTICAL);
  SetSizer(sizer);
  m_pBrowse->Bind(wxEVT_BUTTON, &CFileBrowseCtrl::OnBrowse, this);
}

bool CFileBrowseCtrl::Enable(bool enable) {
  m_pText->Enable(enable);
  m_pBrowse->Enable(enable);
  return wxPanel::Enable(enable);
}

void CFileBrowseCtrl::OnBrowse(wxCommandEvent&) {
  const wxFileName current(GetPath());
  wxFileDialog dialog(this, m_title, current.GetPath(), current.GetFullName(), m_wildcard, m_style);
  if (dialog.ShowModal() != wxID_OK) return;
  wxFileName picked(dialog.GetPath());
  if (!picked.HasExt() && !m_defaultExtension.empty()) picked.SetExt(m_defaultExtension);
  SetPath(picked.GetFullPath());
}
