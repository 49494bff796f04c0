// The docking pane "Properties": the active view's rows in a property grid, edits handed back
// through CPropertiesWndModel.
#pragma once

#include <wx/panel.h>
#include <wx/propgrid/propgrid.h>
#include <wx/toolbar.h>

#include "app/shell/PropertiesWndModel.h"

class CPropertiesWnd : public wxPanel {
 public:
  CPropertiesWnd(wxWindow* parent, CPropertiesWndModel::ActiveViewSource activeView);

  // WM_APP+0x103 from the frame.
  void RefreshFromActiveView();
  wxPropertyGrid* GetGrid() { return m_pGrid; }
  CPropertiesWndModel& GetModel() { return m_model; }

 private:
  void Rebuild();
  void OnChanged(wxPropertyGridEvent& event);
  void OnEditorDone(wxPropertyGridEvent& event);
  void OnTool(wxCommandEvent& event);

  CPropertiesWndModel m_model;
  wxToolBar* m_pToolBar = nullptr;
  wxPropertyGrid* m_pGrid = nullptr;
  bool m_bAlphabetic = false;
  int m_toolBase = 0;
};
