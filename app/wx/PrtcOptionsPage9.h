// "Back Compatibility": the naming and typing of the older versions.
#pragma once

#include <wx/checkbox.h>
#include <wx/radiobox.h>

#include "app/wx/OptionsPage.h"

class CPrtcOptionsPage9 : public COptionsPage {
 public:
  CPrtcOptionsPage9(wxWindow* parent, int mode, bool connected);
  void Apply() override;

 private:
  wxRadioBox* m_radios;
  wxCheckBox* m_types;
};
