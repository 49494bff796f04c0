#include "opcserver/testing/demo/LonTagsManager.h"

#include "lon/LonTagsGroup.h"
#include "lon/OPCTag.h"

CLonTagsManager::CLonTagsManager(CLonDatabaseManager& manager, int namingMode, const CString& rootName)
    : m_manager(manager), m_nNamingMode(namingMode), m_strRootName(rootName) {
  g_pOpcTagsManager = this;
}

CLonTagsManager::~CLonTagsManager() {
  if (g_pOpcTagsManager == this) g_pOpcTagsManager = nullptr;
}

COPCTagsBranch* CLonTagsManager::GetRootBranch() { return m_manager.GetTagTree(m_nNamingMode, m_strRootName); }

COPCTag* CLonTagsManager::CreateTag(const CString& itemId) { return m_manager.CreateTagFromItemID(itemId); }

void CLonTagsManager::WithAddressSpace(const AddressSpaceVisitor& visit) {
  CMyCriticalSectionLock lock(m_manager.GetLock());
  visit(GetRootBranch(), m_manager.GetTagTreeGeneration());
}
