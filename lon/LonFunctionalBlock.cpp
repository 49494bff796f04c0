#include "lon/LonFunctionalBlock.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "lon/LonItemIds.h"
#include "lon/LonNode.h"

CLonFunctionalBlock::CLonFunctionalBlock(const COleDispatchDriver& block, CLonNode* node) : m_pNode(node) {
  COleDispatchDriver object(block);
  m_strName = lon_dispatch::GetText(object, kestrum::block::kName);
  m_nIndex = lon_dispatch::GetShort(object, kestrum::block::kIndex);
  CLonAddress address = m_pNode != nullptr ? m_pNode->GetDomainAddress(0) : CLonAddress();
  try {
    for (COleDispatchDriver& cp : lon_dispatch::GetCollection(object, kestrum::block::kCps)) {
      short cpIndex = lon_dispatch::GetShort(cp, kestrum::cp::kIndex);
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
