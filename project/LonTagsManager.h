// The tags manager the application publishes as g_pOpcTagsManager: it serves the open
// document's network, found under the document lock on every call, so a document that closes
// meanwhile is never used.
#pragma once

#include "opcserver/OpcTagsManager.h"

class CLonTagsManager : public COpcTagsManager {
 public:
  // Publishes itself as g_pOpcTagsManager for its lifetime.
  CLonTagsManager();
  ~CLonTagsManager() override;
  CLonTagsManager(const CLonTagsManager&) = delete;
  CLonTagsManager& operator=(const CLonTagsManager&) = delete;

  // Null while no document or network is open.
  COPCTagsBranch* GetRootBranch() override;
  COPCTag* CreateTag(const CString& itemId) override;
  // Under the document lock and the document's database-manager lock.
  void WithAddressSpace(const AddressSpaceVisitor& visit) override;
};
