#include "views/wx/NodeStatisticPP.h"

CNodeStatisticPP::CNodeStatisticPP(wxWindow* parent, IDispatch* configuration) : CStatusPage(parent, std::make_unique<CNodeStatisticModel>(configuration)) {}
