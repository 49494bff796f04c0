#include "views/wx/DeviceView.h"

#include <wx/settings.h>

#include "views/wx/TreeImages.h"
#include "views/wx/WxText.h"

class CDeviceView::CData : public wxTreeItemData {
 public:
  explicit CData(CObjectTreeModel::CItem* item) : m_pItem(item) {}
  CObjectTreeModel::CItem* m_pItem;
};

CDeviceView::CDeviceView(wxWindow* parent, CDeviceViewModel& model)
    : wxTreeCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxBORDER_SUNKEN),
      m_pModel(&model),
      m_images(views_wx::CreateTreeImages()) {
  SetImageList(m_images.get());
  m_pModel->SetHost(this);
  m_pModel->SetListener(this);
  Bind(wxEVT_TREE_SEL_CHANGED, [this](wxTreeEvent& event) {
    if (!m_bSyncing && m_pModel != nullptr) m_pModel->SelectItem(ItemOf(event.GetItem()));
  });
  Bind(wxEVT_TREE_ITEM_RIGHT_CLICK, [this](wxTreeEvent& event) {
    if (m_pModel == nullptr) return;
    // The tree takes the focus as it would for a left click: its view is the one the context
    // menu's commands and the properties pane follow.
    SetFocus();
    const wxPoint point = ClientToScreen(event.GetPoint());
    m_pModel->OnRightClick(ItemOf(event.GetItem()), POINT{point.x, point.y});
  });
  Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
    if (m_pModel != nullptr) m_pModel->OnSetFocus();
    event.Skip();
  });
  OnItemsReset();
}

CDeviceView::~CDeviceView() {
  if (m_pModel == nullptr) return;
  m_pModel->SetListener(nullptr);
  m_pModel->SetHost(nullptr);
}

void CDeviceView::OnViewGone() {
  m_bSyncing = true;
  DeleteAllItems();
  m_pModel = nullptr;
}

void CDeviceView::UpdateProperties(WPARAM what, CTreeObject* object) {
  if (m_updateProperties) m_updateProperties(what, object);
}

CObjectTreeModel::CItem* CDeviceView::ItemOf(const wxTreeItemId& id) {
  if (!id.IsOk()) return nullptr;
  auto* data = dynamic_cast<CData*>(GetItemData(id));
  return data != nullptr ? data->m_pItem : nullptr;
}

void CDeviceView::AddItems(const wxTreeItemId& parent, CObjectTreeModel::CItem* item) {
  const wxTreeItemId id = parent.IsOk() ? AppendItem(parent, views_wx::ToWx(item->GetText()), item->GetImage(), item->GetSelectedImage(), new CData(item))
                                        : AddRoot(views_wx::ToWx(item->GetText()), item->GetImage(), item->GetSelectedImage(), new CData(item));
  OnItemChanged(item);
  for (const auto& child : item->GetChildren()) AddItems(id, child.get());
  if (!parent.IsOk()) Expand(id);
}

void CDeviceView::OnItemsReset() {
  if (m_pModel == nullptr) return;
  m_bSyncing = true;
  DeleteAllItems();
  if (!m_pModel->GetRootItems().empty()) AddItems(wxTreeItemId(), m_pModel->GetRootItems().front().get());
  if (m_pModel->GetSelectedItem() != nullptr) OnSelectionChanged(m_pModel->GetSelectedItem());
  m_bSyncing = false;
}

void CDeviceView::OnItemRemoving(CObjectTreeModel::CItem* item) {
  const wxTreeItemId id = Find(GetRootItem(), item);
  if (!id.IsOk()) return;
  // Only this item goes: the others keep their expansion; the model says what is selected next.
  const bool wasSyncing = m_bSyncing;
  m_bSyncing = true;
  Delete(id);
  m_bSyncing = wasSyncing;
}

wxTreeItemId CDeviceView::Find(const wxTreeItemId& from, CObjectTreeModel::CItem* item) {
  if (!from.IsOk()) return from;
  if (ItemOf(from) == item) return from;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId child = GetFirstChild(from, cookie); child.IsOk(); child = GetNextChild(from, cookie))
    if (wxTreeItemId found = Find(child, item); found.IsOk()) return found;
  return wxTreeItemId();
}

void CDeviceView::OnItemChanged(CObjectTreeModel::CItem* item) {
  const wxTreeItemId id = Find(GetRootItem(), item);
  if (!id.IsOk()) return;
  SetItemText(id, views_wx::ToWx(item->GetText()));
  // The inactive mark over the image, seen also while the item is selected.
  const bool inactive = item->GetOverlay() != 0;
  SetItemImage(id, inactive ? views_wx::WithInactiveMark(item->GetImage()) : item->GetImage(), wxTreeItemIcon_Normal);
  SetItemImage(id, inactive ? views_wx::WithInactiveMark(item->GetSelectedImage()) : item->GetSelectedImage(),
               wxTreeItemIcon_Selected);
}

void CDeviceView::OnSelectionChanged(CObjectTreeModel::CItem* item) {
  const bool wasSyncing = m_bSyncing;
  m_bSyncing = true;
  const wxTreeItemId id = Find(GetRootItem(), item);
  if (id.IsOk())
    SelectItem(id);
  else
    UnselectAll();
  m_bSyncing = wasSyncing;
}
