#include "views/models/ObjectTreeModel.h"

#include <algorithm>

#include "lon/TreeObject.h"

CObjectTreeModel::CItem* CObjectTreeModel::AddObjectTree(CTreeObject* object, CItem* parent) {
  if (object == nullptr || !IsObjectVisible(object)) return nullptr;
  CItem* item = InsertObjectItem(object, parent);
  for (CTreeObject* child : object->m_children) AddObjectTree(child, item);
  return item;
}

CObjectTreeModel::CItem* CObjectTreeModel::InsertObjectItem(CTreeObject* object, CItem* parent) {
  auto owned = std::make_unique<CItem>();
  CItem* item = owned.get();
  item->m_pObject = object;
  item->m_pParent = parent;
  item->m_strText = object->GetName();
  item->m_nImage = GetObjectImage(object);
  item->m_nSelectedImage = GetObjectSelectedImage(object);
  item->m_nOverlay = GetObjectOverlay(object);
  auto& siblings = parent != nullptr ? parent->m_children : m_roots;
  if (object->m_pParent != nullptr && SortChildren(object->m_pParent)) {
    auto at = std::find_if(siblings.begin(), siblings.end(),
                           [&](const auto& other) { return item->m_strText.CompareNoCase(other->m_strText.GetString()) < 0; });
    siblings.insert(at, std::move(owned));
  } else {
    siblings.push_back(std::move(owned));
  }
  return item;
}

CObjectTreeModel::CItem* CObjectTreeModel::FindObjectItem(CTreeObject* object) const {
  if (object == nullptr) return nullptr;
  const std::vector<std::unique_ptr<CItem>>* candidates = &m_roots;
  if (object->m_pParent != nullptr) {
    CItem* parent = FindObjectItem(object->m_pParent);
    if (parent == nullptr) return nullptr;
    candidates = &parent->m_children;
  }
  for (const auto& item : *candidates)
    if (item->m_pObject == object) return item.get();
  return nullptr;
}

bool CObjectTreeModel::UpdateObjectItem(CTreeObject* object) {
  CItem* item = FindObjectItem(object);
  if (item == nullptr) return false;
  item->m_strText = object->GetName();
  item->m_nOverlay = GetObjectOverlay(object);
  if (m_pListener != nullptr) m_pListener->OnItemChanged(item);
  return true;
}

bool CObjectTreeModel::Contains(CItem* subtree, CItem* item) const {
  for (CItem* at = item; at != nullptr; at = at->m_pParent)
    if (at == subtree) return true;
  return false;
}

void CObjectTreeModel::DeleteItem(CItem* item) {
  if (item == nullptr) return;
  OnItemsRemoving(item);
  const bool selectionGoes = Contains(item, m_pSelected);
  if (m_pListener != nullptr) m_pListener->OnItemRemoving(item);
  auto& siblings = item->m_pParent != nullptr ? item->m_pParent->m_children : m_roots;
  auto found = std::find_if(siblings.begin(), siblings.end(), [&](const auto& p) { return p.get() == item; });
  if (found != siblings.end()) siblings.erase(found);
  if (selectionGoes) SelectItem(nullptr);
}

void CObjectTreeModel::DeleteAllItems() {
  for (const auto& root : m_roots) OnItemsRemoving(root.get());
  m_roots.clear();
  if (m_pListener != nullptr) m_pListener->OnItemsReset();
  if (m_pSelected != nullptr) SelectItem(nullptr);
}

void CObjectTreeModel::SelectItem(CItem* item) {
  m_pSelected = item;
  if (m_pListener != nullptr) m_pListener->OnSelectionChanged(item);
  if (!m_bSuppressSelection) OnSelChanged(item != nullptr ? item->m_pObject : nullptr);
}
