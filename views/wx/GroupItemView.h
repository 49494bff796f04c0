// The tree of the OPC diagnostics workspace: a wxTreeCtrl that mirrors its model's nodes and
// hands selections and focus back to it.
#pragma once

#include <unordered_map>

#include <wx/treectrl.h>

#include "views/models/GroupItemViewModel.h"

class CGroupItemView : public wxTreeCtrl, public CGroupItemViewModel::Sink {
 public:
  CGroupItemView(wxWindow* parent, CGroupItemViewModel& model);
  ~CGroupItemView() override;

  // Every node of the model, shown again.
  void Rebuild();
  // The model goes before the window: from here on the window shows what it has and tells nobody.
  void DetachModel();

  void OnTreeReset() override;
  void OnNodeInserted(CGroupItemViewModel::Node* node, size_t index) override;
  void OnNodeDeleting(CGroupItemViewModel::Node* node) override;
  void OnNodeTextChanged(CGroupItemViewModel::Node* node) override;
  void OnNodeExpanded(CGroupItemViewModel::Node* node) override;

 private:
  wxTreeItemId Insert(CGroupItemViewModel::Node* node, const wxTreeItemId& parent, size_t index);
  void Forget(CGroupItemViewModel::Node* node);
  CGroupItemViewModel::Node* NodeOf(const wxTreeItemId& item) const;
  void OnSelChanged(wxTreeEvent& event);
  void OnFocus(wxFocusEvent& event);

  CGroupItemViewModel* m_pModel;
  wxTreeItemId m_hiddenRoot;
  std::unordered_map<const CGroupItemViewModel::Node*, wxTreeItemId> m_items;
  bool m_bChanging = false;  // selection events of our own changes are not the user's
};
