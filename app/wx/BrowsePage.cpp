#include "app/wx/BrowsePage.h"

#include "lon/NVTag.h"
#include "project/Doc.h"

CBrowsePage::CBrowsePage(wxWindow* parent, int mode, bool connected)
    : COptionsPage(parent, "Browsing", mode, connected) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  CDoc* doc = CDoc::GetDoc();
  m_check = AddCheck(this, sizer, 1219, "Show subfields by OPC Client Browsing",
                     doc == nullptr || doc->m_settings.BrowseSubfields != 0, true);
  Finish(this, sizer);
}

void CBrowsePage::Apply() {
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) return;
  doc->m_settings.BrowseSubfields = m_check->GetValue() ? 1 : 0;
  SetBrowseSubfields(m_check->GetValue());
}
