// The "Property"/"Value" list of the OPC diagnostics workspace for the server application or a
// connected client, painted from its model.
#pragma once

#include <wx/listctrl.h>

#include "views/models/ClientViewModel.h"

class CClientView : public wxListCtrl, public CClientViewModel::Sink {
 public:
  CClientView(wxWindow* parent, CClientViewModel& model);
  ~CClientView() override;

  // The model goes before the window: from here on the window keeps what it shows.
  void DetachModel();

  void OnRowsRebuilt() override;
  void OnValuesChanged() override;

 private:
  void OnFocus(wxFocusEvent& event);

  CClientViewModel* m_pModel;
};
