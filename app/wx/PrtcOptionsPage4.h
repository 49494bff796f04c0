// "Protocol window": its line limits and the log of the removed lines.
#pragma once

#include <wx/checkbox.h>
#include <wx/spinctrl.h>

#include "app/wx/OptionsPage.h"
#include "app/wx/FileBrowseCtrl.h"

class CPrtcOptionsPage4 : public COptionsPage {
 public:
  CPrtcOptionsPage4(wxWindow* parent, int mode, bool connected);
  CString Check() override;
  void Apply() override;

 private:
  wxSpinCtrl* m_max;
  wxSpinCtrl* m_opt;
  wxCheckBox* m_save;
  CFileBrowseCtrl* m_path;
};
