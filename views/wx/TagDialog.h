// "Tag Properties": the tag dialog's window over its model.
#pragma once

#include <wx/dialog.h>

#include "views/models/TagDialogModel.h"

class wxCheckBox;
class wxChoice;
class wxTextCtrl;

class CTagDialog : public wxDialog {
 public:
  CTagDialog(wxWindow* parent, CTagDialogModel& model);

 private:
  void Read();
  void EnableControls();
  CTagDialogModel& m_model;
  wxTextCtrl *m_description, *m_timeout;
  wxChoice* m_types;
  wxCheckBox* m_alwaysUseCache;
};
