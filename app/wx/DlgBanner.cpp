#include "app/wx/DlgBanner.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>

CDlgBanner::CDlgBanner(wxWindow* parent, const wxString& text) : wxPanel(parent, wxID_ANY) {
  SetLabel(text);
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  wxFont bold = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT).Bold();
  SetFont(bold);
  SetMinSize(wxSize(-1, GetCharHeight() + 10));
  Bind(wxEVT_PAINT, &CDlgBanner::OnPaint, this);
}

void CDlgBanner::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const wxRect rect = GetClientRect();
  dc.GradientFillLinear(rect, wxSystemSettings::GetColour(wxSYS_COLOUR_ACTIVECAPTION),
                        wxSystemSettings::GetColour(wxSYS_COLOUR_GRADIENTACTIVECAPTION), wxEAST);
  dc.SetFont(GetFont());
  dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_CAPTIONTEXT));
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  const wxRect inner = rect.Deflate(5, 0);
  dc.SetClippingRegion(inner);
  dc.DrawLabel(GetLabel(), inner, wxALIGN_LEFT | wxALIGN_CENTER_VERTICAL);
}
