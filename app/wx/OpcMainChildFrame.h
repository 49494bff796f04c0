// The configuration workspace (document template 128): device view and tag view.
#pragma once

#include "app/wx/SplitChildFrame.h"

class COpcMainChildFrame : public CSplitChildFrame {
 public:
  explicit COpcMainChildFrame(wxWindow* parent);
};
