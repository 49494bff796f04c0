// One page of the Options sheet.
#pragma once

#include <utility>
#include <vector>

#include <wx/checkbox.h>
#include <wx/panel.h>
#include <wx/sizer.h>

#include "platform/win32/CString.h"

class COptionsPage : public wxPanel {
 public:
  COptionsPage(wxWindow* parent, const wxString& caption, int startMode, bool connected);

  const wxString& GetCaption() const { return m_caption; }
  // The refusal text of Apply, empty when the page's values may be written.
  virtual CString Check() { return CString(); }
  // Writes the values to the open project (nothing without one). A dispatch exception of the
  // network control reaches the sheet, which shows it and stays open.
  virtual void Apply() {}

 protected:
  bool IsInteractive() const { return m_nStartMode == 1; }
  bool IsConnected() const { return m_bConnected; }

  // A check box of a page, in a column.
  static wxCheckBox* AddCheck(wxWindow* page, wxSizer* sizer, int id, const char* text, bool checked, bool enabled);
  // The page's content with its margin.
  static void Finish(wxPanel* page, wxSizer* content);
  // The bits of the boxes, and those of them that are checked.
  static void CollectBits(const std::vector<std::pair<wxCheckBox*, int>>& boxes, int& bits, int& checked);

 private:
  wxString m_caption;
  int m_nStartMode;
  bool m_bConnected;
};
