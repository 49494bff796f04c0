#include "opcserver/OPCTransaction.h"

#include "platform/com/Variant.h"

COPCTransaction::COPCTransaction(Type type, DWORD count, const OPCHANDLE* handles, const VARIANT* values)
    : m_dwCount(count), m_nType(type) {
  if (handles) m_phServer.assign(handles, handles + count);
  m_pErrors.assign(count, S_OK);
  m_phClient.assign(count, 0);
  if (values) {
    m_pValues.resize(count);
    for (DWORD i = 0; i < count; ++i) {
      VariantInit(&m_pValues[i]);
      HRESULT hr = VariantCopy(&m_pValues[i], &values[i]);
      if (FAILED(hr) && SUCCEEDED(m_hrInit)) m_hrInit = hr;
    }
  }
}

COPCTransaction::~COPCTransaction() {
  for (VARIANT& v : m_pValues) VariantClear(&v);
  for (OPCITEMSTATE& s : m_states) VariantClear(&s.vDataValue);
}

bool COPCTransaction::ConflictsWith(const COPCTransaction& other) const {
  return !IsWrite() && m_nType == other.m_nType && m_dwCount == other.m_dwCount && m_phServer == other.m_phServer;
}

bool COPCTransaction::IsNamedByCancel(bool opc20, DWORD id) const {
  if (id == 0 || IsOpc20() != opc20) return false;
  return (opc20 ? m_dwCancelID : m_dwTransactionID) == id;
}
