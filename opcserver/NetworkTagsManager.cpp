#include "opcserver/NetworkTagsManager.h"

#include "lon/LonTagsGroup.h"
#include "lon/OPCTag.h"

CNetworkTagsManager::CNetworkTagsManager(CLonDatabaseManager& manager, int namingMode, const CString& rootName)
    : m_manager(manager), m_nNamingMode(namingMode), m_strRootName(rootName) {
  g_pOpcTagsManager = this;
}

CNetworkTagsManager::~CNetworkTagsManager() {
  if (g_pOpcTagsManager == this) g_pOpcTagsManager = nullptr;
}

COPCTagsBranch* CNetworkTagsManager::GetRootBranch() { return m_manager.GetTagTree(m_nNamingMode, m_strRootName); }

COPCTag* CNetworkTagsManager::CreateTag(const CString& itemId) { return m_manager.CreateTagFromItemID(itemId); }

void CNetworkTagsManager::WithAddressSpace(const AddressSpaceVisitor& visit) {
  CMyCriticalSectionLock lock(m_manager.GetLock());
  visit(GetRootBranch(), m_manager.GetTagTreeGeneration());
}
