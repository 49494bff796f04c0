// "Show/hide columns": the twelve columns of the OPC item view, bit i of "OpcItemsTable" each.
#pragma once

#include "app/wx/MaskPage.h"

class CPrtcOptionsPage3 : public CMaskPage {
 public:
  CPrtcOptionsPage3(wxWindow* parent, int mode, bool connected);
  // A changed mask is stored and the item views rebuild their columns; an unchanged one sends
  // nothing.
  void Apply() override;
};
