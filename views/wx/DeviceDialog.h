// "Device Properties": the device dialog's window over its model.
#pragma once

#include <wx/dialog.h>

#include "views/models/DeviceDialogModel.h"

class wxTextCtrl;

class CDeviceDialog : public wxDialog {
 public:
  CDeviceDialog(wxWindow* parent, CDeviceDialogModel& model);

 private:
  void Read();
  CDeviceDialogModel& m_model;
  wxTextCtrl *m_name, *m_domain0, *m_subnet0, *m_node0, *m_domain1, *m_subnet1, *m_node1, *m_timeout;
};
