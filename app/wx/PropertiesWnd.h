// The docking pane "Properties": the active view's rows in a property grid with its description
// area, edits handed back through CPropertiesWndModel.
#pragma once

#include <wx/panel.h>
#include <wx/propgrid/manager.h>
#include <wx/propgrid/propgrid.h>

#include "app/shell/PropertiesWndModel.h"
#include "app/wx/PropertiesToolBar.h"

class CPropertiesWnd : public wxPanel {
 public:
  static constexpr int kDescriptionHeight = 64;

  CPropertiesWnd(wxWindow* parent, CPropertiesWndModel::ActiveViewSource activeView);

  // WM_APP+0x103 from the frame.
  void RefreshFromActiveView();
  wxPropertyGrid* GetGrid() { return m_pManager->GetGrid(); }
  wxPropertyGridManager* GetManager() { return m_pManager; }
  CPropertiesToolBar* GetToolBar() { return m_pToolBar; }
  CPropertiesWndModel& GetModel() { return m_model; }
  // The grid's row under that category path of labels ("Domain 0", "ID"), or null.
  wxPGProperty* FindRow(std::initializer_list<wxString> labels);
  // The tool bar's commands 154 and 151.
  void RunCommand(int command);
  bool IsAlphabetic() const { return m_bAlphabetic; }

 private:
  void Rebuild();
  void AdjustLayout();
  void AppendRow(wxPGProperty* parent, const CString& parentName, const CPropertyRow& row, std::set<CString>& used);
  void OnChanged(wxPropertyGridEvent& event);
  void OnEditorDone(wxPropertyGridEvent& event);
  void OnTool(wxCommandEvent& event);

  CPropertiesWndModel m_model;
  CPropertiesToolBar* m_pToolBar = nullptr;
  wxPropertyGridManager* m_pManager = nullptr;
  bool m_bAlphabetic = false;
};
