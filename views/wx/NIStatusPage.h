// The status page of the network interface, from the host's configuration object.
#pragma once

#include "views/wx/StatusPage.h"

class CNIStatusPage : public CStatusPage {
 public:
  CNIStatusPage(wxWindow* parent, IDispatch* configuration);
};
