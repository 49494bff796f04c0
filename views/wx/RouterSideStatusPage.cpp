#include "views/wx/RouterSideStatusPage.h"

CRouterSideStatusPage::CRouterSideStatusPage(wxWindow* parent, IDispatch* side) : CStatusPage(parent, std::make_unique<CRouterSideStatusPageModel>(side)) {}
