#include "views/wx/NIStatusPage.h"

CNIStatusPage::CNIStatusPage(wxWindow* parent, IDispatch* configuration) : CStatusPage(parent, std::make_unique<CNIStatusPageModel>(configuration)) {}
