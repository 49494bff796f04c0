// A client's place in the address space, kept as the names from the root down rather than as a
// branch, so it never points into a tree that was dropped. It is resolved again on every call,
// under the address space's lock, in whatever tree exists then: no path is the root (also of a
// tree that came after the client connected), and a rebuilt tree keeps the client where it was
// while that branch is still there; a path that no longer leads anywhere is the root.
#pragma once

#include <vector>

#include "platform/win32/CString.h"

class COPCTagsBranch;

class COpcBrowsePosition {
 public:
  // Takes branch as the position; null (or the root) makes it the root.
  void Set(COPCTagsBranch* branch);
  // The branch the position names under root; the root when that branch is gone; null when
  // there is no tree.
  COPCTagsBranch* Resolve(COPCTagsBranch* root);

 private:
  std::vector<CString> m_path;  // below the root
};
