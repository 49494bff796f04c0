// A tags manager over one LON database manager: tags come from its network
// (CreateTagFromItemID), the root branch from its address space. It publishes itself as
// g_pOpcTagsManager for its lifetime. The program serves the open document instead (the
// project's CLonTagsManager); this one serves a network opened without a document.
#pragma once

#include "lon/LonDatabaseManager.h"
#include "opcserver/OpcTagsManager.h"

class CNetworkTagsManager : public COpcTagsManager {
 public:
  // namingMode and rootName name the address space's levels as a document's settings would.
  explicit CNetworkTagsManager(CLonDatabaseManager& manager, int namingMode = 0, const CString& rootName = L"Tessaly");
  ~CNetworkTagsManager() override;
  CNetworkTagsManager(const CNetworkTagsManager&) = delete;
  CNetworkTagsManager& operator=(const CNetworkTagsManager&) = delete;

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
