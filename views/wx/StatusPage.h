// A status page ("Neuron status"): the counters of a device, a router side or the interface in
// a report list, with "Query Status" and "Clear Status"; or, without buttons, the interface's
// statistics read once.
#pragma once

#include <memory>

#include <wx/panel.h>

#include "views/models/NodeStatisticModel.h"
#include "views/models/StatusPageModel.h"

class wxListCtrl;

class CStatusPage : public wxPanel {
 public:
  CStatusPage(wxWindow* parent, std::unique_ptr<CStatusPageModel> model);
  CStatusPage(wxWindow* parent, std::unique_ptr<CNodeStatisticModel> statistics);
  wxListCtrl* GetList() { return m_pList; }

 private:
  void Build(bool buttons);
  void ShowRows(const CStatusRows& rows);

  std::unique_ptr<CStatusPageModel> m_model;
  std::unique_ptr<CNodeStatisticModel> m_statistics;
  wxListCtrl* m_pList = nullptr;
};
