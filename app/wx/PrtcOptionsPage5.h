// "Archive": the minimal disk space.
#pragma once

#include <wx/textctrl.h>

#include "app/wx/OptionsPage.h"

class CPrtcOptionsPage5 : public COptionsPage {
 public:
  CPrtcOptionsPage5(wxWindow* parent, int mode, bool connected);
  CString Check() override;
  void Apply() override;

 private:
  wxTextCtrl* m_space;
};
