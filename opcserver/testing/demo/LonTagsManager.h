// The tags manager the application publishes as g_pOpcTagsManager, over the open network of
// a LON database manager: tags come from CreateTagFromItemID, the root branch from the
// manager's address space.
#pragma once

#include "lon/LonDatabaseManager.h"
#include "opcserver/OpcTagsManager.h"

class CLonTagsManager : public COpcTagsManager {
 public:
  // Publishes itself as g_pOpcTagsManager for its lifetime. namingMode and rootName name the
  // address space's levels as the document's settings would.
  explicit CLonTagsManager(CLonDatabaseManager& manager, int namingMode = 0, const CString& rootName = L"Tessaly");
  ~CLonTagsManager() override;
  CLonTagsManager(const CLonTagsManager&) = delete;
  CLonTagsManager& operator=(const CLonTagsManager&) = delete;

  // Null while no network is open.
  COPCTagsBranch* GetRootBranch() override;
  COPCTag* CreateTag(const CString& itemId) override;
  // Under the database manager's lock, which guards the tree and the device records.
  void WithAddressSpace(const AddressSpaceVisitor& visit) override;

 private:
  CLonDatabaseManager& m_manager;
  int m_nNamingMode;
  CString m_strRootName;
};
