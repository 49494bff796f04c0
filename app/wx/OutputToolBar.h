// The Output pane's tool bar: Clear all, Copy, Print, Save and Protocoling (checked while the
// protocol runs).
#pragma once

#include "app/wx/PaneToolBar.h"

class COutputToolBar : public CPaneToolBar {
 public:
  explicit COutputToolBar(wxWindow* parent);
};
