#include "app/wx/OutputToolBar.h"

#include "app/shell/ShellCommands.h"

COutputToolBar::COutputToolBar(wxWindow* parent)
    : CPaneToolBar(parent, {ID_OUTPUT_CLEAR_ALL, ID_EDIT_COPY, ID_FILE_PRINT, ID_OUTPUT_SAVE, ID_OUTPUT_PROTOCOLING}) {
  AddCommand(ID_OUTPUT_CLEAR_ALL, "Clear all", wxART_DELETE);
  AddCommand(ID_EDIT_COPY, "Copy", wxART_COPY);
  AddCommand(ID_FILE_PRINT, "Print", wxART_PRINT);
  AddCommand(ID_OUTPUT_SAVE, "Save", wxART_FILE_SAVE);
  AddCommand(ID_OUTPUT_PROTOCOLING, "Protocoling", wxART_TICK_MARK, wxITEM_CHECK);
  Realize();
}
