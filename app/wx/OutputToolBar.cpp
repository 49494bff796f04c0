#include "app/wx/OutputToolBar.h"

#include <iterator>

#include <wx/artprov.h>

#include "app/shell/ShellCommands.h"

COutputToolBar::COutputToolBar(wxWindow* parent)
    : wxToolBar(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTB_FLAT | wxTB_HORIZONTAL | wxTB_NODIVIDER) {
  static_assert(kCommands[0] == ID_OUTPUT_CLEAR_ALL && kCommands[1] == ID_EDIT_COPY && kCommands[2] == ID_FILE_PRINT &&
                kCommands[3] == ID_OUTPUT_SAVE && kCommands[4] == ID_OUTPUT_PROTOCOLING);
  m_toolBase = wxWindow::NewControlId(static_cast<int>(std::size(kCommands)));
  const wxSize size(16, 16);
  AddTool(ToolOfCommand(ID_OUTPUT_CLEAR_ALL), "Clear all", wxArtProvider::GetBitmap(wxART_DELETE, wxART_TOOLBAR, size), "Clear all");
  AddTool(ToolOfCommand(ID_EDIT_COPY), "Copy", wxArtProvider::GetBitmap(wxART_COPY, wxART_TOOLBAR, size), "Copy");
  AddTool(ToolOfCommand(ID_FILE_PRINT), "Print", wxArtProvider::GetBitmap(wxART_PRINT, wxART_TOOLBAR, size), "Print");
  AddTool(ToolOfCommand(ID_OUTPUT_SAVE), "Save", wxArtProvider::GetBitmap(wxART_FILE_SAVE, wxART_TOOLBAR, size), "Save");
  AddCheckTool(ToolOfCommand(ID_OUTPUT_PROTOCOLING), "Protocoling",
               wxArtProvider::GetBitmap(wxART_TICK_MARK, wxART_TOOLBAR, size), wxNullBitmap, "Protocoling");
  Realize();
}

int COutputToolBar::CommandOfTool(int toolId) const {
  const int index = toolId - m_toolBase;
  return index >= 0 && index < static_cast<int>(std::size(kCommands)) ? kCommands[index] : 0;
}

int COutputToolBar::ToolOfCommand(int command) const {
  for (size_t i = 0; i < std::size(kCommands); ++i) {
    if (kCommands[i] == command) return m_toolBase + static_cast<int>(i);
  }
  return wxID_NONE;
}
