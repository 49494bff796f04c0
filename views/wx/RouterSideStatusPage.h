// The status page of one side of a router.
#pragma once

#include "views/wx/StatusPage.h"

class CRouterSideStatusPage : public CStatusPage {
 public:
  CRouterSideStatusPage(wxWindow* parent, IDispatch* side);
};
