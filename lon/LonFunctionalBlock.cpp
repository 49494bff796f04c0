#include "lon/LonFunctionalBlock.h"

#include "lon/KestrumIds.h"
#include "lon/LonDispatch.h"
#include "lon/LonItemIds.h"
#include "lon/LonNode.h"

using namespace kestrum_ids;

CLonFunctionalBlock::CLonFunctionalBlock(const COleDispatchDriver& block, CLonNode* node) : m_pNode(node) {
  COleDispatchDriver object(block);
  m_strName = lon_dispatch::GetText(object, BLOCK_NAME);
  m_nIndex = lon_dispatch::GetShort(object, BLOCK_INDEX);
  CLonAddress address = m_pNode != nullptr ? m_pNode->GetDomainAddress(0) : CLonAddress();
  try {
    for (COleDispatchDriver& cp : lon_dispatch::GetCollection(object, BLOCK_CPS)) {
      short cpIndex = lon_dispatch::GetShort(cp, CP_INDEX);
      m_cps.push_back(new CConfigProperty(cp, FormatBlockCpItemId(address, m_nIndex, cpIndex)));
    }
  } catch (...) {
    for (CConfigProperty* cp : m_cps) delete cp;
    throw;
  }
}

CLonFunctionalBlock::~CLonFunctionalBlock() {
  for (CConfigProperty* cp : m_cps) delete cp;
}
