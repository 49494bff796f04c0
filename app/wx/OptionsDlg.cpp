#include "app/wx/OptionsDlg.h"

#include <wx/bookctrl.h>
#include <wx/listbook.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>

#include "app/wx/OptionsPages.h"
#include "platform/com/DispatchDriver.h"
#include "platform/win32/MessageBox.h"

namespace {
int g_nLastPage = 0;
}  // namespace

int COptionsDlg::GetLastPage() { return g_nLastPage; }

COptionsDlg::COptionsDlg(wxWindow* parent, int startPage, int startMode, bool connected)
    : m_visited(kPageCount, false) {
  SetSheetStyle(wxPROPSHEET_LISTBOOK);
  Create(parent, wxID_ANY, "Options", wxDefaultPosition, wxSize(720, 480), wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
  CreateButtons(wxOK | wxCANCEL);
  wxBookCtrlBase* book = GetBookCtrl();
  for (int i = 0; i < kPageCount; ++i) {
    COptionsPage* page = CreateOptionsPage(i, book, startMode, connected);
    m_pages.push_back(page);
    book->AddPage(page, page->GetCaption());
  }
  if (auto* list = dynamic_cast<wxListbook*>(book)) list->GetListView()->SetMinSize(wxSize(150, -1));
  const int first = startPage < 0 ? g_nLastPage : startPage;
  const int selected = first >= 0 && first < kPageCount ? first : 0;
  book->SetSelection(static_cast<size_t>(selected));
  m_visited[static_cast<size_t>(selected)] = true;
  // The list look sends the list book's own event, not the generic one.
  book->Bind(wxEVT_LISTBOOK_PAGE_CHANGED, [this](wxBookCtrlEvent& event) {
    if (event.GetSelection() >= 0 && event.GetSelection() < kPageCount) m_visited[static_cast<size_t>(event.GetSelection())] = true;
    event.Skip();
  });
  Bind(wxEVT_BUTTON, &COptionsDlg::OnOk, this, wxID_OK);
  LayoutDialog();
}

COptionsDlg::~COptionsDlg() { g_nLastPage = GetBookCtrl()->GetSelection(); }

bool COptionsDlg::ApplyVisitedPages() {
  for (int i = 0; i < kPageCount; ++i) {
    if (!m_visited[static_cast<size_t>(i)]) continue;
    const CString refusal = m_pages[static_cast<size_t>(i)]->Check();
    if (!refusal.IsEmpty()) {
      GetBookCtrl()->SetSelection(static_cast<size_t>(i));
      AfxMessageBox(refusal.GetString(), MB_OK | MB_ICONEXCLAMATION);
      return false;
    }
  }
  for (int i = 0; i < kPageCount; ++i) {
    if (!m_visited[static_cast<size_t>(i)]) continue;
    try {
      m_pages[static_cast<size_t>(i)]->Apply();
    } catch (const COleDispatchException& error) {
      GetBookCtrl()->SetSelection(static_cast<size_t>(i));
      error.ReportError(MB_OK | MB_ICONEXCLAMATION);
      return false;
    }
  }
  return true;
}

void COptionsDlg::OnOk(wxCommandEvent& event) {
  if (ApplyVisitedPages()) event.Skip();
}
