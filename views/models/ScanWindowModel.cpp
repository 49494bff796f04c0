#include "views/models/ScanWindowModel.h"

#include "lon/LonResources.h"

void CScanWindowModel::SetDomain(const CString& domain) {
  ShowOnce();
  RegisterLonResources();
  if (domain.IsEmpty())
    m_strDomain.LoadString(IDS_SCAN_DOMAIN_EMPTY);
  else
    m_strDomain.Format(IDS_SCAN_DOMAIN, domain);
  m_strNode.Empty();
}

void CScanWindowModel::SetNode(const CString& neuronId, short node, short count) {
  ShowOnce();
  RegisterLonResources();
  m_strNode.Format(IDS_SCAN_LOADING, neuronId, static_cast<int>(node), static_cast<int>(count));
}

void CScanWindowModel::ShowOnce() {
  if (m_bShown) return;
  m_bShown = true;
  if (m_show) m_show();
}
