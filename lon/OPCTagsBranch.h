// One branch of the OPC address space as the server's browsing code sees it.
#pragma once

#include <list>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class COPCTag;

class COPCTagsBranch {
 public:
  virtual ~COPCTagsBranch() = default;
  // Null for the root.
  virtual COPCTagsBranch* GetParentBranch() = 0;
  // Exact, case-sensitive name; null when there is none.
  virtual COPCTagsBranch* FindChildBranch(const wchar_t* name) = 0;
  // Names from the root down, joined by ";".
  virtual CString GetPath() = 0;
  // The path starts with this branch's own name.
  virtual COPCTagsBranch* FindBranchByPath(const wchar_t* path) = 0;
  virtual CString GetName() = 0;
  virtual void ListChildBranches(std::list<COPCTagsBranch*>& list) = 0;
  // This branch's own tags; with browseType 3 (OPC_FLAT) the whole subtree's, depth first.
  virtual void ListTags(std::list<COPCTag*>& list, DWORD browseType) = 0;
  // Only this branch's own tags are searched.
  virtual COPCTag* FindTag(const wchar_t* itemId) = 0;
};
