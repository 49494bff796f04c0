#include "views/wx/NodeStatusPage.h"

CNodeStatusPage::CNodeStatusPage(wxWindow* parent, IDispatch* node) : CStatusPage(parent, std::make_unique<CNodeStatusPageModel>(node)) {}
