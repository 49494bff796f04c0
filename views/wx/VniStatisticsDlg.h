// "VNI Engine Statistics": the interface engine's two counters and "Reset".
#pragma once

#include <wx/dialog.h>

#include "views/models/VniStatisticsModel.h"

class wxTextCtrl;

class CVniStatisticsDlg : public wxDialog {
 public:
  CVniStatisticsDlg(wxWindow* parent, CDoc* doc);

 private:
  void Show();
  CVniStatisticsModel m_model;
  wxTextCtrl *m_invalid, *m_parallel;
};
