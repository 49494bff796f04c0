// "Timing": edits timing.xml itself; its buttons act at once.
#pragma once

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/wx/OptionsPage.h"
#include "app/shell/StateEnabled.h"
#include "lon/TimingSettings.h"

class CPrtcOptionsPage7 : public COptionsPage, private CStateEnabled {
 public:
  CPrtcOptionsPage7(wxWindow* parent, int mode, bool connected);

 private:
  CTmSetting* Selected();
  void Load();
  void Changed();
  void CheckTxTimer();
  void Enable();
  void Save();
  void OnNew();
  void OnDelete();
  void OnUpdate();

  CTimingSettings m_settings;
  CString m_actualName;
  bool m_bLoading = false;
  wxListBox* m_list;
  wxButton* m_new;
  wxButton* m_delete;
  wxTextCtrl* m_actual;
  wxChoice* m_repeat;
  wxChoice* m_tx;
  wxChoice* m_retry;
  wxChoice* m_parallel;
  wxTextCtrl* m_throttle;
  wxStaticBitmap* m_icon;
  wxStaticText* m_warning;
  wxButton* m_setActual;
  wxButton* m_update;
};
