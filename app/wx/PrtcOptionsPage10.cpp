#include "app/wx/PrtcOptionsPage10.h"

#include "project/Doc.h"

CPrtcOptionsPage10::CPrtcOptionsPage10(wxWindow* parent, int mode, bool connected)
    : COptionsPage(parent, "Host Application", mode, connected) {
  auto* grid = Grid();
  CDoc* doc = CDoc::GetDoc();
  m_lon = new wxChoice(this, 1019);
  FillInterfaces(m_lon, doc, doc != nullptr ? doc->GetHostNodeInterfaceName() : CString());
  m_lon->Enable(IsInteractive() && !IsConnected());
  Row(grid, this, "LON interface:", m_lon);
  Finish(this, grid);
}

void CPrtcOptionsPage10::Apply() {
  if (CDoc* doc = CDoc::GetDoc()) doc->SelectHostNodeInterface(m_lon->GetSelection() <= 0 ? CString() : ToCString(m_lon->GetStringSelection()));
}
