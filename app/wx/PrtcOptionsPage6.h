// "General": the time format, the monitoring of NVs and the automatic disabling of nodes.
#pragma once

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

#include "app/wx/OptionsPage.h"

class CPrtcOptionsPage6 : public COptionsPage {
 public:
  CPrtcOptionsPage6(wxWindow* parent, int mode, bool connected);
  CString Check() override;
  void Apply() override;

 private:
  void Follow();

  wxChoice* m_time;
  wxRadioBox* m_monitor;
  wxCheckBox* m_disabling;
  wxTextCtrl* m_offset;
  wxTextCtrl* m_retry;
};
