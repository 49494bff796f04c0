#include "app/wx/PropertiesToolBar.h"

#include <wx/artprov.h>

#include "app/shell/ShellCommands.h"

CPropertiesToolBar::CPropertiesToolBar(wxWindow* parent)
    : wxToolBar(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTB_FLAT | wxTB_HORIZONTAL | wxTB_NODIVIDER) {
  m_toolBase = wxWindow::NewControlId(2);
  const wxSize size(16, 16);
  AddTool(ToolOfCommand(ID_PROPERTIES_EXPAND_ALL), "Expand all", wxArtProvider::GetBitmap(wxART_PLUS, wxART_TOOLBAR, size),
          "Expand all");
  AddCheckTool(ToolOfCommand(ID_PROPERTIES_SORT), "Sort", wxArtProvider::GetBitmap(wxART_LIST_VIEW, wxART_TOOLBAR, size),
               wxNullBitmap, "Sort");
  Realize();
}

int CPropertiesToolBar::CommandOfTool(int toolId) const {
  if (toolId == m_toolBase) return ID_PROPERTIES_EXPAND_ALL;
  if (toolId == m_toolBase + 1) return ID_PROPERTIES_SORT;
  return 0;
}

int CPropertiesToolBar::ToolOfCommand(int command) const {
  if (command == ID_PROPERTIES_EXPAND_ALL) return m_toolBase;
  if (command == ID_PROPERTIES_SORT) return m_toolBase + 1;
  return wxID_NONE;
}
