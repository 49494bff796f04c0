// "Host Application": the host application's LON interface.
#pragma once

#include <wx/choice.h>

#include "app/wx/OptionsPage.h"

class CPrtcOptionsPage10 : public COptionsPage {
 public:
  CPrtcOptionsPage10(wxWindow* parent, int mode, bool connected);
  void Apply() override;

 private:
  wxChoice* m_lon;
};
