// The device view without its window: the project's devices as a tree (no NVs, CPs or fields),
// with an inactive mark, and the device commands: status, replace, delete, active/inactive and
// the object's own properties.
#pragma once

#include <list>

#include "lon/LonDatabaseManager.h"
#include "views/models/DocProxyUsers.h"
#include "platform/afx/View.h"
#include "views/models/ObjectTreeModel.h"
#include "views/models/ViewItemProperties.h"

class CDoc;

// What the device view asks of its window and the main window.
class CDeviceViewHost {
 public:
  virtual ~CDeviceViewHost() = default;
  // WM_APP+0x103 to the main window.
  virtual void UpdateProperties(WPARAM /*what*/, CTreeObject* /*object*/) {}
  virtual void ActivateFrame() {}
  // The view goes (with its document's frame) before its window: nothing of it may be used after.
  virtual void OnViewGone() {}
};

class CDeviceViewModel : public CView, public CObjectTreeModel, public CViewItemProperties, public CLonProxyUser {
 public:
  static constexpr int kInactiveOverlay = 1;

  explicit CDeviceViewModel(CDeviceViewHost* host = nullptr);
  ~CDeviceViewModel() override;
  void SetHost(CDeviceViewHost* host) { m_pHost = host; }

  void OnInitialUpdate() override;
  void OnUpdate(CView* sender, LPARAM hint, CObject* object) override;

  void OnSetFocus();
  void OnRightClick(CItem* item, POINT point);

  void OnProperties();
  void OnShowStatus();
  void OnReplace();
  void OnDeleteNode();
  void OnActive();
  // Replace and Delete: only in an interactive start, on a device.
  bool IsNodeCommandEnabled();
  // "Set inactive" for an active device, "Set active" for an inactive one; empty for others.
  CString GetActiveCommandText();

  BOOL OnPropertyChanged(CPropertyRow* property) override;
  void GetProperties(CPropertyList& properties) override;
  void OnNodesRemoving(const std::list<CLonNode*>& nodes) override;

 protected:
  bool IsObjectVisible(CTreeObject* object) override;
  int GetObjectImage(CTreeObject* object) override;
  int GetObjectSelectedImage(CTreeObject* object) override;
  int GetObjectOverlay(CTreeObject* object) override;
  void OnSelChanged(CTreeObject* object) override;

 private:
  CDoc* Doc();
  void Rebuild();
  void Clear();
  // The selected device, null when the selection is none.
  class CNodeTreeObject* SelectedNode();
  bool ClientsConnected();
  void AttachToManager();

  CDeviceViewHost* m_pHost;
  CDocProxyUsers m_proxyUsers;
};
