#include "project/LonTagsManager.h"

#include "lon/LonTagsGroup.h"
#include "lon/OPCTag.h"
#include "project/Doc.h"

CLonTagsManager::CLonTagsManager(CLonDatabaseManager& manager, int namingMode, const CString& rootName)
    : m_pManager(&manager), m_nNamingMode(namingMode), m_strRootName(rootName) {
  g_pOpcTagsManager = this;
}

CLonTagsManager::CLonTagsManager() : m_pManager(nullptr) { g_pOpcTagsManager = this; }

CLonTagsManager::~CLonTagsManager() {
  if (g_pOpcTagsManager == this) g_pOpcTagsManager = nullptr;
}

COPCTagsBranch* CLonTagsManager::GetRootBranch() {
  if (m_pManager != nullptr) return m_pManager->GetTagTree(m_nNamingMode, m_strRootName);
  CMyCriticalSectionLock lock(CDoc::GetDocLock());
  CDoc* doc = CDoc::GetDoc();
  return doc != nullptr ? doc->GetRootTagGroup() : nullptr;
}

COPCTag* CLonTagsManager::CreateTag(const CString& itemId) {
  if (m_pManager != nullptr) return m_pManager->CreateTagFromItemID(itemId);
  CMyCriticalSectionLock lock(CDoc::GetDocLock());
  CDoc* doc = CDoc::GetDoc();
  return doc != nullptr ? doc->CreateTagFromItemID(itemId) : nullptr;
}

void CLonTagsManager::WithAddressSpace(const AddressSpaceVisitor& visit) {
  if (m_pManager != nullptr) {
    CMyCriticalSectionLock lock(m_pManager->GetLock());
    visit(GetRootBranch(), m_pManager->GetTagTreeGeneration());
    return;
  }
  CMyCriticalSectionLock docLock(CDoc::GetDocLock());
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) {
    visit(nullptr, 0);
    return;
  }
  CMyCriticalSectionLock lock(doc->GetLock());
  visit(doc->GetRootTagGroup(), doc->GetTagTreeGeneration());
}
