// A client's place in the address space, kept as the names from the root down rather than as a
// branch, so it never points into a tree that was dropped. It is resolved again on every call,
// under the address space's lock; a tree other than the one it was taken in puts it back to the
// root, as does a path that no longer leads anywhere.
#pragma once

#include <vector>

#include "platform/win32/CString.h"

class COPCTagsBranch;

class COpcBrowsePosition {
 public:
  // Unset: there was no address space to start from (no project open).
  bool IsSet() const { return m_bSet; }
  void Clear();
  // Takes branch of the tree numbered generation as the position; null clears it.
  void Set(COPCTagsBranch* branch, unsigned generation);
  // The branch the position names under root, or null when it is unset or there is no tree.
  COPCTagsBranch* Resolve(COPCTagsBranch* root, unsigned generation);

 private:
  bool m_bSet = false;
  std::vector<CString> m_path;  // below the root
  unsigned m_nGeneration = 0;
};
