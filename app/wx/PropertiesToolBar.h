// The Properties pane's tool bar: Expand all and Sort (checked in alphabetic order).
#pragma once

#include <wx/toolbar.h>

class CPropertiesToolBar : public wxToolBar {
 public:
  explicit CPropertiesToolBar(wxWindow* parent);

  // The command of a tool id (154 or 151), 0 for anything else.
  int CommandOfTool(int toolId) const;
  int ToolOfCommand(int command) const;

 private:
  int m_toolBase = 0;
};
