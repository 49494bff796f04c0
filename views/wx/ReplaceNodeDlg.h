// "Replace node": the replacement's Neuron ID, by its service pin or typed.
#pragma once

#include <wx/dialog.h>

#include "views/models/ReplaceNodeModel.h"

class CDoc;
class wxRadioButton;
class wxTextCtrl;

class CReplaceNodeDlg : public wxDialog {
 public:
  CReplaceNodeDlg(wxWindow* parent, CDoc* doc);
  CString GetNeuronId() const { return m_model.GetNeuronId(); }

 private:
  void Read();
  CReplaceNodeModel m_model;
  wxTextCtrl* m_id;
  wxRadioButton *m_pin, *m_manual;
};
