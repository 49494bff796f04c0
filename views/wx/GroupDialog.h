// "Set name": one name, initially empty, taken back on OK (the timing options page names a new
// timing setting with it).
#pragma once

#include <wx/dialog.h>
#include <wx/textctrl.h>

#include "platform/win32/CString.h"

class GroupDialog : public wxDialog {
 public:
  static constexpr int IDC_NAME = 1018;

  explicit GroupDialog(wxWindow* parent);

  bool TransferDataToWindow() override;
  bool TransferDataFromWindow() override;

  CString m_strName;

 private:
  wxTextCtrl* m_pName = nullptr;
};
