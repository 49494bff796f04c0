// "Wait on service pin": waits for the first service pin while the control reports them.
#pragma once

#include <wx/dialog.h>

#include "views/models/WaitOnServicePinModel.h"

class CWaitOnServicePinDlg : public wxDialog {
 public:
  CWaitOnServicePinDlg(wxWindow* parent, CDoc* doc);
  ~CWaitOnServicePinDlg() override;
  int ShowModal() override;
  CString GetNeuronId() const { return m_model.GetNeuronId(); }

 private:
  CWaitOnServicePinModel m_model;
};
