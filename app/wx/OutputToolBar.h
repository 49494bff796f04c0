// The Output pane's tool bar: Clear all, Copy, Print, Save and Protocoling. Its tools carry
// wx ids of their own, so the frame's commands of the same numbers never meet them.
#pragma once

#include <wx/toolbar.h>

class COutputToolBar : public wxToolBar {
 public:
  // The commands in tool bar order.
  static constexpr int kCommands[] = {32834 /* Clear all */, 57634 /* Copy */, 57607 /* Print */, 32833 /* Save */,
                                      32837 /* Protocoling */};

  explicit COutputToolBar(wxWindow* parent);

  // The command of a tool id, 0 for anything else (the bar itself, for one).
  int CommandOfTool(int toolId) const;
  int ToolOfCommand(int command) const;

 private:
  int m_toolBase = 0;
};
