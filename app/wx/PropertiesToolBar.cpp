#include "app/wx/PropertiesToolBar.h"

#include "app/shell/ShellCommands.h"

CPropertiesToolBar::CPropertiesToolBar(wxWindow* parent)
    : CPaneToolBar(parent, {ID_PROPERTIES_EXPAND_ALL, ID_PROPERTIES_SORT}) {
  AddCommand(ID_PROPERTIES_EXPAND_ALL, "Expand all", wxART_PLUS);
  AddCommand(ID_PROPERTIES_SORT, "Sort", wxART_LIST_VIEW, wxITEM_CHECK);
  Realize();
}
