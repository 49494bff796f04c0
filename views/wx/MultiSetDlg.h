// "Multiple Setting": the multi-set dialog's window over its model.
#pragma once

#include <wx/dialog.h>

#include "views/models/MultiSetDlgModel.h"

class wxCheckBox;
class wxChoice;
class wxRadioButton;
class wxTextCtrl;

class CMultiSetDlg : public wxDialog {
 public:
  CMultiSetDlg(wxWindow* parent, CMultiSetDlgModel& model);
  ~CMultiSetDlg() override;

 private:
  void Read();
  void Enable();
  CMultiSetDlgModel& m_model;
  wxCheckBox *m_cacheUse, *m_alwaysUseCache, *m_dataType, *m_timeout, *m_monitoring, *m_monitored, *m_location, *m_programId;
  wxChoice* m_types;
  wxTextCtrl* m_timeoutText;
  wxRadioButton *m_allTags, *m_ofType, *m_ofName, *m_thisNode, *m_allNodes;
};
