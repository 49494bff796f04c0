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

void COPCTransaction::KeepOnly(const HRESULT* errors) {
  const bool values = !m_pValues.empty();
  DWORD kept = 0;
  for (DWORD i = 0; i < m_dwCount; ++i) {
    if (FAILED(errors[i])) {
      if (values) VariantClear(&m_pValues[i]);
      continue;
    }
    m_phServer[kept] = m_phServer[i];
    m_phClient[kept] = m_phClient[i];
    if (values) m_pValues[kept] = m_pValues[i];  // the value moves: its old place is dropped below
    ++kept;
  }
  m_dwCount = kept;
  m_phServer.resize(kept);
  m_phClient.resize(kept);
  if (values) m_pValues.resize(kept);
  m_pErrors.assign(kept, S_OK);
}

bool COPCTransaction::IsNamedByCancel(bool opc20, DWORD id) const {
  if (id == 0 || IsOpc20() != opc20) return false;
  return (opc20 ? m_dwCancelID : m_dwTransactionID) == id;
}
