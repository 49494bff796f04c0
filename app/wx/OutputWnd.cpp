#include "app/wx/OutputWnd.h"

#include <wx/filedlg.h>
#include <wx/sizer.h>

#include "app/shell/ShellCommands.h"
#include "app/wx/OutputToolBar.h"
#include "app/wx/ProtocolOutputCtrl.h"
#include "app/wx/ProtocolPrintout.h"
#include "foundation/EventsManager.h"
#include "platform/win32/CString.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Messages.h"

COutputWnd::COutputWnd(wxWindow* parent, COutputWndModel::SettingsSource settings)
    : wxPanel(parent, wxID_ANY), m_model(std::move(settings)) {
  m_pToolBar = new COutputToolBar(this);
  m_pText = new CProtocolOutputCtrl(this);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_pToolBar, 0, wxEXPAND);
  sizer->Add(m_pText, 1, wxEXPAND);
  SetSizer(sizer);
  // Bound on the tool bar itself, so these ids never reach the frame. The bar's own update event
  // comes here too and is no tool's.
  m_pToolBar->Bind(wxEVT_TOOL, &COutputWnd::OnTool, this);
  m_pToolBar->Bind(wxEVT_UPDATE_UI, &COutputWnd::OnUpdateTool, this);

  m_hWnd = CreateMessageWindow(&COutputWnd::WindowProc, this);
  m_model.Create(m_hWnd, this);
  if (CEventsManager* manager = CEventsManager::GetInstance()) manager->Attach(&m_model);
}

COutputWnd::~COutputWnd() {
  if (CEventsManager* manager = CEventsManager::GetInstance()) manager->Detach(&m_model);
  m_model.Destroy();  // the collector is joined before the window goes
  DestroyWindow(m_hWnd);
}

LRESULT COutputWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<COutputWnd*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (message == COutputWndEventThread::WM_PROTOCOL_TEXT && self != nullptr) {
    self->m_model.OnProtocolText();
    return 1;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

void COutputWnd::AppendText(const CString& text) { m_pText->AppendAtEnd(wxString(text.GetString())); }

void COutputWnd::RemoveFirstLines(int count) { m_pText->RemoveFirstLines(count); }

void COutputWnd::ClearText() { m_pText->Clear(); }

void COutputWnd::OnTool(wxCommandEvent& event) {
  const int command = m_pToolBar->CommandOfTool(event.GetId());
  if (command == 0) {
    event.Skip();
    return;
  }
  RunCommand(command);
}

void COutputWnd::RunCommand(int command, const wxString& savePath) {
  switch (command) {
    case ID_OUTPUT_CLEAR_ALL:
      m_model.ClearAll();
      break;
    case ID_EDIT_COPY:
      m_pText->Copy();
      break;
    case ID_FILE_PRINT:
      Print();
      break;
    case ID_OUTPUT_PROTOCOLING:
      m_model.TogglePause();
      break;
    case ID_OUTPUT_SAVE: {
      wxString path = savePath;
      if (path.empty()) {
        wxFileDialog dialog(this, "Save", wxEmptyString, wxString(m_model.GetLastSavePath().GetString()),
                            "Text documents (*.txt)|*.txt", wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        if (dialog.ShowModal() != wxID_OK) return;
        path = dialog.GetPath();
        if (!path.Lower().EndsWith(".txt") && path.Find('.') == wxNOT_FOUND) path += ".txt";
      }
      m_model.SetLastSavePath(CString(path.wc_str()));
      if (m_model.Save(CString(path.wc_str())) != ERROR_SUCCESS) {
        AfxMessageBox(FormatString(L"The protocol could not be saved to %s.", path.wc_str()).GetString(),
                      MB_OK | MB_ICONERROR);
      }
      break;
    }
    default:
      break;
  }
}

void COutputWnd::Print() {
  std::vector<wxString> lines;
  for (const CString& line : m_model.GetLines()) lines.emplace_back(line.GetString());
  CProtocolPrintout printout(std::move(lines));
  wxPrinter printer;
  if (!printer.Print(this, &printout, true) && wxPrinter::GetLastError() == wxPRINTER_ERROR) {
    AfxMessageBox(L"The protocol could not be printed.", MB_OK | MB_ICONERROR);
  }
}

void COutputWnd::OnUpdateTool(wxUpdateUIEvent& event) {
  switch (m_pToolBar->CommandOfTool(event.GetId())) {
    case ID_EDIT_COPY:
      event.Enable(m_pText->HasSelection());
      break;
    case ID_OUTPUT_CLEAR_ALL:
    case ID_OUTPUT_SAVE:
    case ID_FILE_PRINT:
      event.Enable(!m_model.IsEmpty());
      break;
    case ID_OUTPUT_PROTOCOLING:
      event.Enable(true);
      event.Check(m_model.IsProtocoling());
      break;
    default:
      event.Skip();  // the bar itself, not one of its tools
      break;
  }
}

bool COutputWnd::IsCommandEnabled(int command) {
  m_pToolBar->UpdateWindowUI(wxUPDATE_UI_NONE);
  const int tool = m_pToolBar->ToolOfCommand(command);
  return m_pToolBar->IsEnabled() && tool != wxID_NONE && m_pToolBar->GetToolEnabled(tool);
}
