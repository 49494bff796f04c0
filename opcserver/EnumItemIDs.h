// The string enumerator that BrowseOPCItemIDs hands out. Its texts are taken and filtered when
// it is made, under the address space's lock, so it never points into the tag tree: it outlives
// any rebuild, Skip passes over exactly what Next would return, and Clone continues from the
// same place.
#pragma once

#include <string>
#include <vector>

#include "platform/com/Enumerators.h"
#include "platform/win32/CString.h"

class COPCTag;
class COPCTagsBranch;

class CEnumItemIDs : public CEnumString {
 public:
  using CEnumString::CEnumString;

  // In browse order: the names of branch's child branches (OPC_BRANCH), or the item IDs of its
  // own tags (OPC_LEAF) or of its whole subtree's (OPC_FLAT) that pass the tag filter; in both
  // cases only those that the name filter (empty for none) matches. A flat list names each item
  // ID once. Nothing without a branch.
  static std::vector<std::wstring> Collect(COPCTagsBranch* branch, DWORD browseType, const CString& filter,
                                           VARTYPE dataType, DWORD accessRights);
  // VT_EMPTY takes every type; access rights 0 take every tag, else those sharing a bit with
  // them (1 readable, 2 writable). Tags hidden from browsing never pass.
  static bool PassesTagFilter(COPCTag* tag, VARTYPE dataType, DWORD accessRights);
  // An enumerator over texts; *ppEnum gets one reference.
  static HRESULT Create(std::vector<std::wstring> texts, IEnumString** ppEnum);
};
