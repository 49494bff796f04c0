// A file path the user types or picks: an edit that shows the path as it stands and a
// "Browse..." button that opens the file dialog on it.
#pragma once

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

class CFileBrowseCtrl : public wxPanel {
 public:
  // style: wxFD_OPEN or wxFD_SAVE; defaultExtension without the dot, added to a picked name
  // that has none.
  CFileBrowseCtrl(wxWindow* parent, int id, const wxString& path, const wxString& title, const wxString& wildcard,
                  const wxString& defaultExtension, long style);

  wxString GetPath() const { return m_pText->GetValue(); }
  void SetPath(const wxString& path) { m_pText->ChangeValue(path); }
  wxTextCtrl* GetTextCtrl() { return m_pText; }
  wxButton* GetBrowseButton() { return m_pBrowse; }
  bool Enable(bool enable = true) override;

 private:
  void OnBrowse(wxCommandEvent& event);

  wxTextCtrl* m_pText;
  wxButton* m_pBrowse;
  wxString m_title;
  wxString m_wildcard;
  wxString m_defaultExtension;
  long m_style;
};
