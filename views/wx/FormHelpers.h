// Small pieces the configuration dialogs share: a label beside a field in a two-column grid.
#pragma once

#include <algorithm>

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace views_wx {
// A field at least `minimum` wide and wide enough for its whole text (paths, type names).
inline void FitToText(wxTextCtrl* field, int minimum = 180) {
  const int text = field->GetTextExtent(field->GetValue()).GetWidth();
  // The entry's own frame and padding beside the text.
  const int width = std::max(minimum, text + 2 * field->GetCharWidth() + 16);
  field->SetMinSize(wxSize(width, -1));
  field->SetInitialSize(wxSize(width, -1));
}

inline wxTextCtrl* AddField(wxWindow* parent, wxFlexGridSizer* grid, int id, const wxString& label, const wxString& value,
                            bool readOnly = false) {
  grid->Add(new wxStaticText(parent, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
  auto* field = new wxTextCtrl(parent, id, value, wxDefaultPosition, wxSize(180, -1), readOnly ? wxTE_READONLY : 0);
  FitToText(field);
  grid->Add(field, 1, wxEXPAND);
  return field;
}
}  // namespace views_wx
