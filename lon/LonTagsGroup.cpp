#include "lon/LonTagsGroup.h"

CLonTagsGroup::~CLonTagsGroup() {
  for (COPCTag* tag : m_tags) delete tag;
  m_tags.clear();
}

CLonTagsGroup* CLonTagsGroup::AddGroup(const wchar_t* name) {
  auto* group = new CLonTagsGroup(name);
  AddChild(group);
  return group;
}

CLonTagsGroup* CLonTagsGroup::FindOrAddGroup(const wchar_t* name) {
  if (CTreeObject* found = FindChild(name)) return static_cast<CLonTagsGroup*>(found);
  return AddGroup(name);
}

COPCTagsBranch* CLonTagsGroup::GetParentBranch() {
  return m_pParent != nullptr ? static_cast<CLonTagsGroup*>(m_pParent) : nullptr;
}

COPCTagsBranch* CLonTagsGroup::FindChildBranch(const wchar_t* name) {
  CTreeObject* child = FindChild(name);
  return child != nullptr ? static_cast<CLonTagsGroup*>(child) : nullptr;
}

COPCTagsBranch* CLonTagsGroup::FindBranchByPath(const wchar_t* path) {
  CTreeObject* found = FindByPath(path);
  return found != nullptr ? static_cast<CLonTagsGroup*>(found) : nullptr;
}

void CLonTagsGroup::ListChildBranches(std::list<COPCTagsBranch*>& list) {
  for (CTreeObject* child : m_children) list.push_back(static_cast<CLonTagsGroup*>(child));
}

void CLonTagsGroup::ListTags(std::list<COPCTag*>& list, DWORD browseType) {
  list.insert(list.end(), m_tags.begin(), m_tags.end());
  if (browseType != 3) return;
  for (CTreeObject* child : m_children) static_cast<CLonTagsGroup*>(child)->ListTags(list, browseType);
}

COPCTag* CLonTagsGroup::FindTag(const wchar_t* itemId) {
  for (COPCTag* tag : m_tags) {
    if (itemId == nullptr) throw static_cast<HRESULT>(E_FAIL);
    if (tag->GetItemID() == itemId) return tag;
  }
  return nullptr;
}
