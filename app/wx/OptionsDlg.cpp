#include "app/wx/OptionsDlg.h"

#include <wx/bookctrl.h>
#include <wx/dcbuffer.h>
#include <wx/settings.h>
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
  // The page header, 30 pixels high, above the pages.
  m_pHeader = new wxWindow(this, wxID_ANY, wxDefaultPosition, wxSize(-1, 30));
  m_pHeader->SetBackgroundStyle(wxBG_STYLE_PAINT);
  m_pHeader->Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(m_pHeader);
    dc.SetBackground(wxBrush(GetBackgroundColour()));
    dc.Clear();
    OnDrawPageHeader(dc, wxRect(m_pHeader->GetClientSize()));
  });
  GetInnerSizer()->Insert(0, m_pHeader, 0, wxEXPAND | wxBOTTOM, 4);
  const int first = startPage < 0 ? g_nLastPage : startPage;
  const int selected = first >= 0 && first < kPageCount ? first : 0;
  book->SetSelection(static_cast<size_t>(selected));
  m_visited[static_cast<size_t>(selected)] = true;
  // The list look sends the list book's own event, not the generic one.
  book->Bind(wxEVT_LISTBOOK_PAGE_CHANGED, [this](wxBookCtrlEvent& event) {
    if (event.GetSelection() >= 0 && event.GetSelection() < kPageCount) m_visited[static_cast<size_t>(event.GetSelection())] = true;
    m_pHeader->Refresh();
    event.Skip();
  });
  Bind(wxEVT_BUTTON, &COptionsDlg::OnOk, this, wxID_OK);
  LayoutDialog();
}

wxString COptionsDlg::GetPageHeaderText() const {
  const int selection = const_cast<COptionsDlg*>(this)->GetBookCtrl()->GetSelection();
  if (selection < 0 || selection >= kPageCount) return wxString();
  return m_pages[static_cast<size_t>(selection)]->GetCaption();
}

void COptionsDlg::OnDrawPageHeader(wxDC& dc, const wxRect& rect) {
  // In 2 pixels from the top, right and bottom; a frame with a shadow 2 pixels deep.
  wxRect strip(rect.GetLeft(), rect.GetTop() + 2, rect.GetWidth() - 2, rect.GetHeight() - 4);
  const int shadow = 2;
  strip.SetWidth(strip.GetWidth() - shadow);
  strip.SetHeight(strip.GetHeight() - shadow);
  const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
  const wxColour edge = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(edge.ChangeLightness(70)));
  dc.DrawRectangle(strip.GetLeft() + shadow, strip.GetTop() + shadow, strip.GetWidth(), strip.GetHeight());
  dc.SetBrush(wxBrush(face));
  dc.SetPen(wxPen(edge));
  dc.DrawRectangle(strip);
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  font.MakeBold();
  dc.SetFont(font);
  dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT));
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  const wxRect text = strip.Deflate(10, 0);
  dc.SetClippingRegion(text);
  dc.DrawLabel(GetPageHeaderText(), text, wxALIGN_LEFT | wxALIGN_CENTER_VERTICAL);
  dc.DestroyClippingRegion();
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
