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

void COutputWnd::RunCommand(int command, const wxString& path) {
  switch (command) {
    case ID_OUTPUT_CLEAR_ALL:
      m_model.ClearAll();
      break;
    case ID_EDIT_COPY:
      m_pText->Copy();
      break;
    case ID_FILE_PRINT:
      Print(path);
      break;
    case ID_OUTPUT_PROTOCOLING:
      m_model.TogglePause();
      break;
    case ID_OUTPUT_SAVE: {
      wxString file = path;
      if (file.empty()) {
        wxFileDialog dialog(this, "Save", wxEmptyString, wxString(m_model.GetLastSavePath().GetString()),
                            "Text documents (*.txt)|*.txt", wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        if (dialog.ShowModal() != wxID_OK) return;
        file = dialog.GetPath();
        if (!file.Lower().EndsWith(".txt") && file.Find('.') == wxNOT_FOUND) file += ".txt";
      }
      m_model.SetLastSavePath(CString(file.wc_str()));
      if (m_model.Save(CString(file.wc_str())) != ERROR_SUCCESS) {
        AfxMessageBox(FormatString(L"The protocol could not be saved to %s.", file.wc_str()).GetString(),
                      MB_OK | MB_ICONERROR);
      }
      break;
    }
    default:
      break;
  }
}

void COutputWnd::Print(const wxString& file) {
  // wx's own printing (its print dialog, a printer command or a PostScript file): GTK's print
  // dialog waits on services a server machine may not run.
  static const bool generic = [] {
    wxPrintFactory::SetPrintFactory(new wxNativePrintFactory);
    return true;
  }();
  (void)generic;
  std::vector<wxString> lines;
  for (const CString& line : m_model.GetLines()) lines.emplace_back(line.GetString());
  CProtocolPrintout printout(std::move(lines));
  wxPrintDialogData data(m_printData);
  // The pages are counted only once the printer is known: all of them unless the user narrows it.
  data.SetAllPages(true);
  if (!file.empty()) {
    data.GetPrintData().SetPrintMode(wxPRINT_MODE_FILE);
    data.GetPrintData().SetFilename(file);
  }
  wxPrinter printer(&data);
  if (printer.Print(this, &printout, file.empty())) {
    if (file.empty()) m_printData = printer.GetPrintDialogData().GetPrintData();
  } else if (wxPrinter::GetLastError() == wxPRINTER_ERROR) {
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
  // As the idle time does: the bar's own update, then each tool's.
  m_pToolBar->UpdateWindowUI(wxUPDATE_UI_FROMIDLE);
  const int tool = m_pToolBar->ToolOfCommand(command);
  return m_pToolBar->IsEnabled() && tool != wxID_NONE && m_pToolBar->GetToolEnabled(tool);
}
