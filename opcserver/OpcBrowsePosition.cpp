#include "opcserver/OpcBrowsePosition.h"

#include <algorithm>

#include "lon/OPCTagsBranch.h"

void COpcBrowsePosition::Clear() {
  m_bSet = false;
  m_path.clear();
}

void COpcBrowsePosition::Set(COPCTagsBranch* branch, unsigned generation) {
  Clear();
  if (!branch) return;
  for (COPCTagsBranch* b = branch; b->GetParentBranch(); b = b->GetParentBranch()) m_path.push_back(b->GetName());
  std::reverse(m_path.begin(), m_path.end());
  m_nGeneration = generation;
  m_bSet = true;
}

COPCTagsBranch* COpcBrowsePosition::Resolve(COPCTagsBranch* root, unsigned generation) {
  if (!m_bSet || !root) return nullptr;
  if (generation != m_nGeneration) {
    m_path.clear();
    m_nGeneration = generation;
  }
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
