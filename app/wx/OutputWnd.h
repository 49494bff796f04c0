// The docking pane "Output": the protocol text and its tool bar over COutputWndModel. Its tool
// bar commands stay in the pane (the frame's command of the same id is a different one).
#pragma once

#include <wx/cmndata.h>
#include <wx/panel.h>

#include "app/shell/OutputWndModel.h"
#include "app/wx/OutputToolBar.h"
#include "app/wx/ProtocolOutputCtrl.h"

class COutputWnd : public wxPanel, private IOutputWndView {
 public:
  COutputWnd(wxWindow* parent, COutputWndModel::SettingsSource settings);
  ~COutputWnd() override;

  COutputWndModel& GetModel() { return m_model; }
  CProtocolOutputCtrl* GetTextCtrl() { return m_pText; }
  COutputToolBar* GetToolBar() { return m_pToolBar; }
  // The tool bar's commands by their command id. Save asks for a file and Print for a printer
  // unless a path is given (Print then writes PostScript to it).
  void RunCommand(int command, const wxString& path = wxString());
  // Whether the tool of that command is enabled now, as its update says.
  bool IsCommandEnabled(int command);

 private:
  void AppendText(const CString& text) override;
  void RemoveFirstLines(int count) override;
  void ClearText() override;
  void OnTool(wxCommandEvent& event);
  void OnUpdateTool(wxUpdateUIEvent& event);
  void Print(const wxString& file);
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  COutputWndModel m_model;
  COutputToolBar* m_pToolBar = nullptr;
  CProtocolOutputCtrl* m_pText = nullptr;
  HWND m_hWnd = nullptr;
  // The user's printer choices, for the next Print.
  wxPrintData m_printData;
};
