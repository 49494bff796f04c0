#include "opcserver/OpcBrowsePosition.h"

#include <algorithm>

#include "lon/OPCTagsBranch.h"

void COpcBrowsePosition::Set(COPCTagsBranch* branch) {
  m_path.clear();
  for (COPCTagsBranch* b = branch; b && b->GetParentBranch(); b = b->GetParentBranch()) m_path.push_back(b->GetName());
  std::reverse(m_path.begin(), m_path.end());
}

COPCTagsBranch* COpcBrowsePosition::Resolve(COPCTagsBranch* root) {
  if (!root) return nullptr;
  COPCTagsBranch* branch = root;
  for (const CString& name : m_path) {
    branch = branch->FindChildBranch(name.GetString());
    if (!branch) {
      m_path.clear();
      return root;
    }
  }
  return branch;
}
