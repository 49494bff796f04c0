// The status page of one device: its node object's status and clear.
#pragma once

#include "views/wx/StatusPage.h"

class CNodeStatusPage : public CStatusPage {
 public:
  CNodeStatusPage(wxWindow* parent, IDispatch* node);
};
