// The OPC diagnostics workspace (document template 337): group/item tree and the client view.
#pragma once

#include "app/wx/SplitChildFrame.h"

class CGroupItemChildFrame : public CSplitChildFrame {
 public:
  explicit CGroupItemChildFrame(wxWindow* parent);
};
