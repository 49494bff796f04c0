#include "app/wx/MaskPage.h"

CMaskPage::CMaskPage(wxWindow* parent, const wxString& caption, int mode, bool connected,
                     std::initializer_list<Box> boxes, int mask)
    : COptionsPage(parent, caption, mode, connected) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  for (const Box& box : boxes) {
    m_boxes.emplace_back(AddCheck(this, sizer, box.id, box.text, (mask >> box.bit) & 1, true), box.bit);
  }
  Finish(this, sizer);
}

void CMaskPage::GetBits(int& bits, int& checked) const {
  bits = 0;
  checked = 0;
  CollectBits(m_boxes, bits, checked);
}
