// What the OPC engine asks of the application's address space: the root of the tag tree for
// browsing and a new tag for an item ID. The application implements it and publishes it as
// g_pOpcTagsManager.
#pragma once

#include <functional>

#include "foundation/ScopedInstaller.h"
#include "platform/win32/CString.h"

class COPCTag;
class COPCTagsBranch;

class COpcTagsManager {
 public:
  // Called with the root of the address space (null while no project is open) and the number
  // of the tree behind it, which changes whenever the tree is replaced.
  using AddressSpaceVisitor = std::function<void(COPCTagsBranch* root, unsigned generation)>;

  virtual ~COpcTagsManager() = default;
  // The root branch of the address space; null while no project is open.
  virtual COPCTagsBranch* GetRootBranch() = 0;
  // A new tag owned by the caller, or null when the ID names no data point.
  virtual COPCTag* CreateTag(const CString& itemId) = 0;
  // Runs visit with the address space held still: no branch, tag or data point goes away and
  // the tree is not rebuilt until visit returns. Branches and tags must not be kept past it.
  // The base is for an address space that never changes.
  virtual void WithAddressSpace(const AddressSpaceVisitor& visit) { visit(GetRootBranch(), 0); }
};

extern COpcTagsManager* g_pOpcTagsManager;

inline COpcTagsManager* GetOpcTagsManager() { return g_pOpcTagsManager; }
inline void SetOpcTagsManager(COpcTagsManager* manager) { g_pOpcTagsManager = manager; }
// Publishes a tags manager for its lifetime and puts the one before it back.
using CScopedOpcTagsManager = CScopedInstaller<COpcTagsManager, &GetOpcTagsManager, &SetOpcTagsManager>;
