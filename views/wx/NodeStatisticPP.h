// The statistics page of the network interface, read once.
#pragma once

#include "views/wx/StatusPage.h"

class CNodeStatisticPP : public CStatusPage {
 public:
  CNodeStatisticPP(wxWindow* parent, IDispatch* configuration);
};
