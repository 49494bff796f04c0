// "LonWorks Events": bits 6 to 9 of the "Protocol" mask and the control's "Report changes only".
#pragma once

#include <wx/checkbox.h>

#include "app/wx/OptionsPage.h"

class CPrtcOptionsPage2 : public COptionsPage {
 public:
  CPrtcOptionsPage2(wxWindow* parent, int mode, bool connected);
  void Apply() override;

 private:
  wxCheckBox* m_network;
  wxCheckBox* m_changesOnly;
  std::vector<std::pair<wxCheckBox*, int>> m_bits;
};
