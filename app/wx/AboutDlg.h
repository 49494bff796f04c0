// The About box: the product version and the copyright of the executable.
#pragma once

#include <wx/dialog.h>

class CAboutDlg : public wxDialog {
 public:
  explicit CAboutDlg(wxWindow* parent);
};
