#include "app/wx/PrtcOptionsPage3.h"

#include "project/Doc.h"
#include "project/ProjectResource.h"

namespace {
int ProjectColumns() {
  CDoc* doc = CDoc::GetDoc();
  return doc != nullptr ? doc->m_settings.OpcItemsTable : ~0;
}
}  // namespace

CPrtcOptionsPage3::CPrtcOptionsPage3(wxWindow* parent, int mode, bool connected)
    : CMaskPage(parent, "Show/hide columns", mode, connected,
                {{1201, "Item ID", 0},
                 {1202, "R/W", 1},
                 {1203, "Canonical DT", 2},
                 {1204, "Requsted DT", 3},
                 {1205, "Client handle", 4},
                 {1206, "Value", 5},
                 {1207, "Timestamp", 6},
                 {1208, "Quality", 7},
                 {1209, "Reads", 8},
                 {1210, "Writes", 9},
                 {1211, "Polls", 10},
                 {1212, "Updates", 11}},
                ProjectColumns()) {}

void CPrtcOptionsPage3::Apply() {
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) return;
  int bits = 0, mask = 0;
  GetBits(bits, mask);
  if (mask == doc->m_settings.OpcItemsTable) return;
  doc->m_settings.OpcItemsTable = mask;
  doc->UpdateAllViews(nullptr, HintOpcItemsColumns);
}
