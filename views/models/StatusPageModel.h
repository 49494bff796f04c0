// The status pages of a device, of one side of a router and of the network interface: the
// status object's counters as rows, "Query Status" and "Clear Status". The window shows `Rows`.
// A failing control call is shown in a message box and leaves the rows as they were.
#pragma once

#include <utility>
#include <vector>

#include "platform/com/DispatchDriver.h"
#include "platform/win32/CString.h"

class CLonNode;

using CStatusRows = std::vector<std::pair<CString, CString>>;

class CStatusPageModel {
 public:
  // The object the page reads: the host/configuration object, a node or a router side.
  explicit CStatusPageModel(IDispatch* object) : m_object(object, TRUE) {
    if (object != nullptr) object->AddRef();
  }
  virtual ~CStatusPageModel() = default;
  // Reads the status object again.
  void Show();
  void OnQueryStatus() { Show(); }
  void OnClearStatus();
  const CStatusRows& Rows() const { return m_rows; }

 protected:
  // Empty when the control gives none.
  virtual COleDispatchDriver GetStatusObject() = 0;
  virtual bool ClearStatus() = 0;

  COleDispatchDriver m_object;

 private:
  void ShowOneRow(const wchar_t* text);
  CStatusRows m_rows;
};

// The interface's page, on the host/configuration object.
class CNIStatusPageModel : public CStatusPageModel {
 public:
  explicit CNIStatusPageModel(IDispatch* configuration) : CStatusPageModel(configuration) {}

 protected:
  COleDispatchDriver GetStatusObject() override;
  bool ClearStatus() override;
};

// A device's page, on the node object.
class CNodeStatusPageModel : public CStatusPageModel {
 public:
  explicit CNodeStatusPageModel(IDispatch* node) : CStatusPageModel(node) {}

 protected:
  COleDispatchDriver GetStatusObject() override;
  bool ClearStatus() override;
};

// One side of a router.
class CRouterSideStatusPageModel : public CStatusPageModel {
 public:
  explicit CRouterSideStatusPageModel(IDispatch* side) : CStatusPageModel(side) {}

 protected:
  COleDispatchDriver GetStatusObject() override;
  bool ClearStatus() override;
};
