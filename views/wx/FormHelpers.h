// Small pieces the configuration dialogs share: a label beside a field in a two-column grid.
#pragma once

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace views_wx {
inline wxTextCtrl* AddField(wxWindow* parent, wxFlexGridSizer* grid, int id, const wxString& label, const wxString& value,
                            bool readOnly = false) {
  grid->Add(new wxStaticText(parent, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
  auto* field = new wxTextCtrl(parent, id, value, wxDefaultPosition, wxSize(180, -1), readOnly ? wxTE_READONLY : 0);
  grid->Add(field, 1, wxEXPAND);
  return field;
}
}  // namespace views_wx
