#include "app/wx/PrtcOptionsPage5.h"

#include "app/shell/OptionsPageRules.h"
#include "project/Doc.h"

CPrtcOptionsPage5::CPrtcOptionsPage5(wxWindow* parent, int mode, bool connected)
    : COptionsPage(parent, "Archive", mode, connected) {
  auto* grid = Grid();
  CDoc* doc = CDoc::GetDoc();
  m_space = new wxTextCtrl(this, 1224, wxString::Format("%d", doc != nullptr ? doc->m_settings.MinDiskSpace : 50));
  Row(grid, this, "Minimal disk space (MB)", m_space);
  Finish(this, grid);
}

CString CPrtcOptionsPage5::Check() {
  int value = 0;
  if (!options::ParseRangedInt(CString(m_space->GetValue().wc_str()), 0, 1000000, value)) {
    return L"Minimal disk space: enter a number of MB from 0 to 1000000.";
  }
  return CString();
}

void CPrtcOptionsPage5::Apply() {
  CDoc* doc = CDoc::GetDoc();
  int value = 50;
  if (doc != nullptr && options::ParseRangedInt(ToCString(m_space->GetValue()), 0, 1000000, value)) {
    doc->m_settings.MinDiskSpace = value;
  }
}
