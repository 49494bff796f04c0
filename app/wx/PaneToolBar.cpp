#include "app/wx/PaneToolBar.h"

#include <wx/artprov.h>

CPaneToolBar::CPaneToolBar(wxWindow* parent, std::vector<int> commands)
    : wxAuiToolBar(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxAUI_TB_DEFAULT_STYLE | wxAUI_TB_PLAIN_BACKGROUND),
      m_commands(std::move(commands)) {
  m_toolBase = wxWindow::NewControlId(static_cast<int>(m_commands.size()));
}

void CPaneToolBar::AddCommand(int command, const wxString& label, const wxArtID& art, wxItemKind kind) {
  AddTool(ToolOfCommand(command), label, wxArtProvider::GetBitmap(art, wxART_TOOLBAR, wxSize(16, 16)), label, kind);
}

int CPaneToolBar::CommandOfTool(int toolId) const {
  const int index = toolId - m_toolBase;
  return index >= 0 && index < static_cast<int>(m_commands.size()) ? m_commands[static_cast<size_t>(index)] : 0;
}

int CPaneToolBar::ToolOfCommand(int command) const {
  for (size_t i = 0; i < m_commands.size(); ++i) {
    if (m_commands[i] == command) return m_toolBase + static_cast<int>(i);
  }
  return wxID_NONE;
}
