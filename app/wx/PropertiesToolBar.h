// The Properties pane's tool bar: Expand all and Sort (checked in alphabetic order).
#pragma once

#include "app/wx/PaneToolBar.h"

class CPropertiesToolBar : public CPaneToolBar {
 public:
  explicit CPropertiesToolBar(wxWindow* parent);
};
