#include "app/wx/OutputWnd.h"

#include <wx/artprov.h>
#include <wx/filedlg.h>
#include <wx/sizer.h>

#include "app/shell/ShellCommands.h"
#include "foundation/EventsManager.h"
#include "platform/win32/CString.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Messages.h"

namespace {
// The pane's tools, in tool bar order; their wx ids are the pane's own.
const int kTools[] = {ID_OUTPUT_CLEAR_ALL, ID_EDIT_COPY, ID_FILE_PRINT, ID_OUTPUT_SAVE, ID_OUTPUT_PROTOCOLING};
}  // namespace

COutputWnd::COutputWnd(wxWindow* parent, COutputWndModel::SettingsSource settings)
    : wxPanel(parent, wxID_ANY), m_model(std::move(settings)) {
  m_toolBase = wxWindow::NewControlId(static_cast<int>(std::size(kTools)));
  m_pToolBar = new wxToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTB_FLAT | wxTB_HORIZONTAL | wxTB_NODIVIDER);
  const wxSize size(16, 16);
  m_pToolBar->AddTool(m_toolBase + 0, "Clear all", wxArtProvider::GetBitmap(wxART_DELETE, wxART_TOOLBAR, size), "Clear all");
  m_pToolBar->AddTool(m_toolBase + 1, "Copy", wxArtProvider::GetBitmap(wxART_COPY, wxART_TOOLBAR, size), "Copy");
  m_pToolBar->AddTool(m_toolBase + 2, "Print", wxArtProvider::GetBitmap(wxART_PRINT, wxART_TOOLBAR, size), "Print");
  m_pToolBar->AddTool(m_toolBase + 3, "Save", wxArtProvider::GetBitmap(wxART_FILE_SAVE, wxART_TOOLBAR, size), "Save");
  m_pToolBar->AddCheckTool(m_toolBase + 4, "Protocoling", wxArtProvider::GetBitmap(wxART_TICK_MARK, wxART_TOOLBAR, size),
                           wxNullBitmap, "Protocoling");
  m_pToolBar->Realize();
  m_pText = new wxTextCtrl(this, 1, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                           wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_pToolBar, 0, wxEXPAND);
  sizer->Add(m_pText, 1, wxEXPAND);
  SetSizer(sizer);
  // Bound on the tool bar itself, so these ids never reach the frame.
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

void COutputWnd::AppendText(const CString& text) {
  m_pText->SetInsertionPointEnd();
  m_pText->AppendText(wxString(text.GetString()));
}

void COutputWnd::RemoveFirstLines(int count) {
  const long end = m_pText->XYToPosition(0, count);
  m_pText->Remove(0, end < 0 ? m_pText->GetLastPosition() : end);
  m_pText->SetInsertionPointEnd();
}

void COutputWnd::ClearText() { m_pText->Clear(); }

int COutputWnd::CommandOfTool(int toolId) const {
  const int index = toolId - m_toolBase;
  return index >= 0 && index < static_cast<int>(std::size(kTools)) ? kTools[index] : 0;
}

void COutputWnd::OnTool(wxCommandEvent& event) { RunCommand(CommandOfTool(event.GetId())); }

void COutputWnd::RunCommand(int command, const wxString& savePath) {
  switch (command) {
    case ID_OUTPUT_CLEAR_ALL:
      m_model.ClearAll();
      break;
    case ID_EDIT_COPY:
      m_pText->Copy();
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

void COutputWnd::OnUpdateTool(wxUpdateUIEvent& event) {
  switch (CommandOfTool(event.GetId())) {
    case ID_EDIT_COPY: {
      long from = 0, to = 0;
      m_pText->GetSelection(&from, &to);
      event.Enable(from != to);
      break;
    }
    case ID_OUTPUT_CLEAR_ALL:
    case ID_OUTPUT_SAVE:
      event.Enable(!m_model.IsEmpty());
      break;
    case ID_OUTPUT_PROTOCOLING:
      event.Enable(true);
      event.Check(m_model.IsProtocoling());
      break;
    default:
      event.Enable(false);  // Print has no handler
      break;
  }
}
