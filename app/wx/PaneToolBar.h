// The tool bar of a docking pane: its tools carry wx ids of their own, mapped to and from the
// system's command ids, so the frame's commands of the same numbers never meet them.
#pragma once

#include <vector>

#include <wx/artprov.h>
#include <wx/aui/auibar.h>

class CPaneToolBar : public wxAuiToolBar {
 public:
  // The command of a tool id, 0 for anything else (the bar itself, for one).
  int CommandOfTool(int toolId) const;
  int ToolOfCommand(int command) const;
  // Where the command's tool shows, in the bar's client coordinates.
  wxRect GetCommandRect(int command) const { return GetToolRect(ToolOfCommand(command)); }
  bool IsCommandChecked(int command) const { return GetToolToggled(ToolOfCommand(command)); }

 protected:
  // commands: the tools' commands in bar order.
  CPaneToolBar(wxWindow* parent, std::vector<int> commands);
  void AddCommand(int command, const wxString& label, const wxArtID& art, wxItemKind kind = wxITEM_NORMAL);

 private:
  std::vector<int> m_commands;
  int m_toolBase = 0;
};
