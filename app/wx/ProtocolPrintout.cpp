#include "app/wx/ProtocolPrintout.h"

#include <algorithm>

#include <wx/dc.h>
#include <wx/settings.h>

CProtocolPrintout::CProtocolPrintout(std::vector<wxString> lines) : wxPrintout("Output"), m_lines(std::move(lines)) {}

int CProtocolPrintout::LinesPerPage(wxDC& dc, int& lineHeight, wxRect& area) {
  // The screen's scale on paper, so the font is the size it is on the screen; a margin of a
  // twentieth of the width all round.
  MapScreenSizeToPage();
  wxFont font = wxSystemSettings::GetFont(wxSYS_ANSI_FIXED_FONT);
  font.SetPointSize(9);
  dc.SetFont(font);
  wxRect page = GetLogicalPageRect();
  area = page.Deflate(std::max(1, page.GetWidth() / 20));
  lineHeight = std::max(1, dc.GetCharHeight());
  return std::max(1, area.GetHeight() / lineHeight);
}

void CProtocolPrintout::OnPreparePrinting() {
  wxDC* dc = GetDC();
  if (dc == nullptr) return;
  int lineHeight = 0;
  wxRect area;
  const int perPage = LinesPerPage(*dc, lineHeight, area);
  m_nPages = std::max(1, static_cast<int>((m_lines.size() + static_cast<size_t>(perPage) - 1) / static_cast<size_t>(perPage)));
}

bool CProtocolPrintout::HasPage(int page) { return page >= 1 && page <= m_nPages; }

void CProtocolPrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) {
  *minPage = 1;
  *maxPage = m_nPages;
  *pageFrom = 1;
  *pageTo = m_nPages;
}

bool CProtocolPrintout::OnPrintPage(int page) {
  wxDC* dc = GetDC();
  if (dc == nullptr || !HasPage(page)) return false;
  int lineHeight = 0;
  wxRect area;
  const int perPage = LinesPerPage(*dc, lineHeight, area);
  dc->SetClippingRegion(area);
  dc->SetTextForeground(*wxBLACK);
  const size_t first = static_cast<size_t>(page - 1) * static_cast<size_t>(perPage);
  const size_t last = std::min(m_lines.size(), first + static_cast<size_t>(perPage));
  int y = area.GetTop();
  for (size_t i = first; i < last; ++i, y += lineHeight) {
    wxString line = m_lines[i];
    line.Replace("\t", "    ");
    dc->DrawText(line, area.GetLeft(), y);
  }
  dc->DestroyClippingRegion();
  return true;
}
