#include "app/wx/PrtcOptionsPage1.h"

#include "app/shell/OptionsPageRules.h"
#include "project/Doc.h"

namespace {
int ProjectProtocol() {
  CDoc* doc = CDoc::GetDoc();
  return doc != nullptr ? doc->m_settings.Protocol.load() : ~0;
}
}  // namespace

CPrtcOptionsPage1::CPrtcOptionsPage1(wxWindow* parent, int mode, bool connected)
    : CMaskPage(parent, "OPC Events", mode, connected, {{1193, "Management", 0}, {1194, "Datachange", 1}},
                ProjectProtocol()) {}

void CPrtcOptionsPage1::Apply() {
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) return;
  int bits = 0, checked = 0;
  GetBits(bits, checked);
  doc->m_settings.Protocol = options::ApplyProtocolBits(doc->m_settings.Protocol.load(), bits, checked);
}
