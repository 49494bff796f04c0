// "Project": the LON interface, the database and its mode, and the project's switches.
#pragma once

#include <wx/checkbox.h>
#include <wx/choice.h>

#include "app/wx/OptionsPage.h"
#include "app/wx/FileBrowseCtrl.h"

class CPrtcOptionsPage8 : public COptionsPage {
 public:
  CPrtcOptionsPage8(wxWindow* parent, int mode, bool connected);
  void Apply() override;

 private:
  wxChoice* m_lon;
  wxChoice* m_mode;
  CFileBrowseCtrl* m_db;
  wxCheckBox* m_selfdoc;
  wxCheckBox* m_trace;
  wxCheckBox* m_hide;
  wxCheckBox* m_auth;
  wxCheckBox* m_subnet;
};
