// The device view's window: a wxTreeCtrl that mirrors the device view model's items.
#pragma once

#include <functional>
#include <memory>

#include <wx/treectrl.h>

#include "views/models/DeviceViewModel.h"

class CDeviceView : public wxTreeCtrl, public CDeviceViewHost, public CObjectTreeModel::CListener {
 public:
  CDeviceView(wxWindow* parent, CDeviceViewModel& model);
  ~CDeviceView() override;
  std::function<void(WPARAM, CTreeObject*)> m_updateProperties;
  CDeviceViewModel* GetModel() { return m_pModel; }
  // The tree item that shows the model's item; not ok when none.
  wxTreeItemId FindItem(CObjectTreeModel::CItem* item) { return Find(GetRootItem(), item); }

  void UpdateProperties(WPARAM what, CTreeObject* object) override;
  void OnItemsReset() override;
  void OnItemRemoving(CObjectTreeModel::CItem* item) override;
  void OnItemChanged(CObjectTreeModel::CItem* item) override;
  void OnSelectionChanged(CObjectTreeModel::CItem* item) override;
  void OnViewGone() override;

 private:
  class CData;
  void AddItems(const wxTreeItemId& parent, CObjectTreeModel::CItem* item);
  wxTreeItemId Find(const wxTreeItemId& from, CObjectTreeModel::CItem* item);
  CObjectTreeModel::CItem* ItemOf(const wxTreeItemId& id);

  CDeviceViewModel* m_pModel;
  std::unique_ptr<wxImageList> m_images;
  bool m_bSyncing = false;
};
