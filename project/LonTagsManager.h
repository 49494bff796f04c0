// The tags manager the application publishes as g_pOpcTagsManager: tags come from the network
// of a LON database manager (CreateTagFromItemID), the root branch from its address space.
// Made without a manager it serves the open document's network, found under the document
// lock, so a document that closes meanwhile is never used.
#pragma once

#include "lon/LonDatabaseManager.h"
#include "opcserver/OpcTagsManager.h"

class CLonTagsManager : public COpcTagsManager {
 public:
  // Publishes itself as g_pOpcTagsManager for its lifetime. namingMode and rootName name the
  // address space's levels as the document's settings would.
  explicit CLonTagsManager(CLonDatabaseManager& manager, int namingMode = 0, const CString& rootName = L"Tessaly");
  // Over the open document (its naming mode and root name).
  CLonTagsManager();
  ~CLonTagsManager() override;
  CLonTagsManager(const CLonTagsManager&) = delete;
  CLonTagsManager& operator=(const CLonTagsManager&) = delete;

  // Null while no network is open.
  COPCTagsBranch* GetRootBranch() override;
  COPCTag* CreateTag(const CString& itemId) override;
  // Under the database manager's lock, which guards the tree and the device records.
  void WithAddressSpace(const AddressSpaceVisitor& visit) override;

 private:
  CLonDatabaseManager* m_pManager;
  int m_nNamingMode = 0;
  CString m_strRootName;
};
