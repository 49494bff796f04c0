// The Output pane's text: read-only, without word wrap, appended at its end.
#pragma once

#include <wx/textctrl.h>

class CProtocolOutputCtrl : public wxTextCtrl {
 public:
  explicit CProtocolOutputCtrl(wxWindow* parent);

  // Text at the end, wherever the caret is.
  void AppendAtEnd(const wxString& text);
  void RemoveFirstLines(int count);
  bool HasSelection() const;
};
