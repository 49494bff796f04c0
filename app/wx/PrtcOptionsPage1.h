// "OPC Events": bits 0 ("Management") and 1 ("Datachange") of the "Protocol" mask.
#pragma once

#include "app/wx/MaskPage.h"

class CPrtcOptionsPage1 : public CMaskPage {
 public:
  CPrtcOptionsPage1(wxWindow* parent, int mode, bool connected);
  // The two bits set or cleared, the other bits kept; nothing without a project.
  void Apply() override;
};
