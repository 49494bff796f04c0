// The docking pane "Output": the protocol text and its tool bar over COutputWndModel. Its tool
// bar commands stay in the pane (the frame's command of the same id is a different one).
#pragma once

#include <wx/panel.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include "app/shell/OutputWndModel.h"

class COutputWnd : public wxPanel, private IOutputWndView {
 public:
  COutputWnd(wxWindow* parent, COutputWndModel::SettingsSource settings);
  ~COutputWnd() override;

  COutputWndModel& GetModel() { return m_model; }
  wxTextCtrl* GetTextCtrl() { return m_pText; }
  // The tool bar's commands by their command id (Save asks for a file unless a path is given).
  void RunCommand(int command, const wxString& savePath = wxString());

 private:
  void AppendText(const CString& text) override;
  void RemoveFirstLines(int count) override;
  void ClearText() override;
  void OnTool(wxCommandEvent& event);
  void OnUpdateTool(wxUpdateUIEvent& event);
  int CommandOfTool(int toolId) const;
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  COutputWndModel m_model;
  wxToolBar* m_pToolBar = nullptr;
  wxTextCtrl* m_pText = nullptr;
  HWND m_hWnd = nullptr;
  int m_toolBase = 0;
};
