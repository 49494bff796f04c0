// A status page ("Neuron status"): the counters of a device, a router side or the interface in
// a report list, with "Query Status" and "Clear Status"; or, without buttons, the interface's
// statistics read once.
#pragma once

#include <memory>

#include <wx/panel.h>

#include "views/models/NodeStatisticModel.h"
#include "views/models/StatusPageModel.h"

class wxListCtrl;

// The base of the status pages (CNodeStatusPage, CRouterSideStatusPage, CNIStatusPage) and of
// the statistics page (CNodeStatisticPP): the list sized to its rows.
class CStatusPage : public wxPanel {
 public:
  wxListCtrl* GetList() { return m_pList; }

 protected:
  CStatusPage(wxWindow* parent, std::unique_ptr<CStatusPageModel> model);
  CStatusPage(wxWindow* parent, std::unique_ptr<CNodeStatisticModel> statistics);

 private:
  void Build(bool buttons);
  void ShowRows(const CStatusRows& rows);
  void FitToRows();

  std::unique_ptr<CStatusPageModel> m_model;
  std::unique_ptr<CNodeStatisticModel> m_statistics;
  wxListCtrl* m_pList = nullptr;
};
