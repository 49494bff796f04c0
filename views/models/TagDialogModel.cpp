#include "views/models/TagDialogModel.h"

#include <climits>

#include "lon/DataTypeNames.h"
#include "views/models/DeviceDialogModel.h"

CTagDialogModel::CTagDialogModel(const CTagProperties& record) : m_record(record) {}

void CTagDialogModel::OnInitDialog() {
  m_dataTypeNames = GetDataTypeNameList();
  m_strDescription = m_record.m_strDescription;
  m_strDataType = LookupDataTypeName(m_record.m_vtCanonical);
  m_strInitialDataType = m_strDataType;
  m_strCacheTimeout.Format(L"%d", static_cast<int>(m_record.m_nCacheTimeout));
  m_bAlwaysUseCache = m_record.m_bAlwaysUseCache;
}

bool CTagDialogModel::OnOK() {
  long long timeout = 0;
  if (!ExchangeRangedInt(m_strCacheTimeout, 0, INT_MAX, timeout)) return false;
  m_record.m_strDescription = m_strDescription;
  m_record.m_bAlwaysUseCache = m_bAlwaysUseCache;
  m_record.m_nCacheTimeout = static_cast<LONG>(timeout);
  // A type outside the table stays the NV's own unless the user picks one of the table.
  if (m_strDataType != m_strInitialDataType.GetString()) {
    const DataTypeName* found = FindVarTypeByName(m_strDataType.GetString());
    m_record.m_vtCanonical = found != nullptr ? static_cast<VARTYPE>(found->vt) : VARTYPE(0xFFFF);
  }
  return true;
}
