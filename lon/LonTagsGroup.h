// A branch of the OPC address space: a tree object that owns its tags.
#pragma once

#include <list>

#include "lon/OPCTag.h"
#include "lon/OPCTagsBranch.h"
#include "lon/TreeObject.h"

class CLonTagsGroup : public CTreeObjectT<CLonTagsGroup>, public CTreeObject, public COPCTagsBranch {
 public:
  CLonTagsGroup() = default;
  explicit CLonTagsGroup(const wchar_t* name) { SetName(name); }
  ~CLonTagsGroup() override;

  CString GetName() override { return CTreeObject::GetName(); }
  CTreeObject* CreateObject(const wchar_t* name) override { return CreateNew(name); }

  // A new child group below this one.
  CLonTagsGroup* AddGroup(const wchar_t* name);
  // The first child group of that name, or a new one.
  CLonTagsGroup* FindOrAddGroup(const wchar_t* name);
  void AddTag(COPCTag* tag) { m_tags.push_back(tag); }

  COPCTagsBranch* GetParentBranch() override;
  COPCTagsBranch* FindChildBranch(const wchar_t* name) override;
  CString GetPath() override { return CTreeObject::GetPath(); }
  COPCTagsBranch* FindBranchByPath(const wchar_t* path) override;
  void ListChildBranches(std::list<COPCTagsBranch*>& list) override;
  void ListTags(std::list<COPCTag*>& list, DWORD browseType) override;
  COPCTag* FindTag(const wchar_t* itemId) override;

  std::list<COPCTag*> m_tags;
};
