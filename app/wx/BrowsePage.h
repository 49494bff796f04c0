// "Browsing": whether OPC clients browse the fields of structured values.
#pragma once

#include <wx/checkbox.h>

#include "app/wx/OptionsPage.h"

class CBrowsePage : public COptionsPage {
 public:
  CBrowsePage(wxWindow* parent, int mode, bool connected);
  void Apply() override;

 private:
  wxCheckBox* m_check;
};
