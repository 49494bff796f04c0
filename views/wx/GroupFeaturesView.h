// The group's form of the OPC diagnostics workspace: banner, the group's state, its nine call
// counters and its item list, all painted from the model, white on white as the form has it.
#pragma once

#include <wx/checkbox.h>
#include <wx/dataview.h>
#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "views/models/GroupFeaturesViewModel.h"
#include "views/wx/ResizableFormView.h"

class COPCItemsListCtrl;

class CGroupFeaturesView : public CResizableFormView, public CGroupFeaturesViewModel::Sink {
 public:
  CGroupFeaturesView(wxWindow* parent, CGroupFeaturesViewModel& model);
  ~CGroupFeaturesView() override;

  // The model goes before the window: from here on the window keeps what it shows.
  void DetachModel();

  void OnFieldsChanged() override;
  void OnBannerChanged() override;
  bool IsMinimised() override;

 private:
  wxTextCtrl* AddField(wxSizer* grid, const wxString& label);
  wxCheckBox* AddCheck(wxSizer* grid, const wxString& label);
  void OnItemSelected(wxDataViewEvent& event);
  void OnFocus(wxFocusEvent& event);

  CGroupFeaturesViewModel* m_pModel;
  wxStaticText* m_pBanner = nullptr;
  wxTextCtrl* m_pDeadband = nullptr;
  wxTextCtrl* m_pTimeBias = nullptr;
  wxTextCtrl* m_pUpdateRate = nullptr;
  wxCheckBox* m_pActive = nullptr;
  wxTextCtrl* m_pClientHandle = nullptr;
  wxCheckBox* m_pPublic = nullptr;
  wxCheckBox* m_pSubscribed = nullptr;
  wxTextCtrl* m_pLocaleId = nullptr;
  wxTextCtrl* m_pServerHandle = nullptr;
  wxTextCtrl* m_pLastUpdateRate = nullptr;
  wxStaticText* m_pItemCount = nullptr;
  wxListCtrl* m_pCounters = nullptr;
  COPCItemsListCtrl* m_pItems = nullptr;
};
