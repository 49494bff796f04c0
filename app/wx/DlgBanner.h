// The caption strip at the head of views and dialogs: bold text on the look's caption colours.
#pragma once

#include <wx/panel.h>

class CDlgBanner : public wxPanel {
 public:
  CDlgBanner(wxWindow* parent, const wxString& text);

 private:
  void OnPaint(wxPaintEvent& event);
};
