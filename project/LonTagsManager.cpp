#include "project/LonTagsManager.h"

#include "lon/LonTagsGroup.h"
#include "lon/OPCTag.h"
#include "project/Doc.h"

CLonTagsManager::CLonTagsManager() { g_pOpcTagsManager = this; }

CLonTagsManager::~CLonTagsManager() {
  if (g_pOpcTagsManager == this) g_pOpcTagsManager = nullptr;
}

COPCTagsBranch* CLonTagsManager::GetRootBranch() {
  CMyCriticalSectionLock lock(CDoc::GetDocLock());
  CDoc* doc = CDoc::GetDoc();
  return doc != nullptr ? doc->GetRootTagGroup() : nullptr;
}

COPCTag* CLonTagsManager::CreateTag(const CString& itemId) {
  CMyCriticalSectionLock lock(CDoc::GetDocLock());
  CDoc* doc = CDoc::GetDoc();
  return doc != nullptr ? doc->CreateTagFromItemID(itemId) : nullptr;
}

void CLonTagsManager::WithAddressSpace(const AddressSpaceVisitor& visit) {
  CMyCriticalSectionLock docLock(CDoc::GetDocLock());
  CDoc* doc = CDoc::GetDoc();
  if (doc == nullptr) {
    visit(nullptr, 0);
    return;
  }
  CMyCriticalSectionLock lock(doc->GetLock());
  visit(doc->GetRootTagGroup(), doc->GetTagTreeGeneration());
}
