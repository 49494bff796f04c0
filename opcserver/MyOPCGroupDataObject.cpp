// IDataObject of the OPC group: the OPC 1.0 advise sinks, one per stream format, the streams
// of data changes and the OPC 1.0 completions of asynchronous requests.
#include "opcserver/MyOPCGroup.h"

#include "opcserver/OPCItem.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCStreamWriter.h"
#include "opcserver/OPCTransaction.h"
#include "opcserver/OpcGroupCalls.h"
#include "platform/com/ComErrors.h"

using namespace opc_calls;

namespace {
FORMATETC StreamFormatEtc(DWORD format) {
  return FORMATETC{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}
}  // namespace

CMyOPCGroup::AdviseSlot CMyOPCGroup::SlotOfFormat(DWORD format) {
  const COPCStreamFormats& f = GetOpcStreamFormats();
  if (format == 0) return AdviseCount;
  if (format == f.data) return AdviseData;
  if (format == f.dataTime) return AdviseDataTime;
  if (format == f.writeComplete) return AdviseWriteComplete;
  return AdviseCount;
}

CComPtr<IAdviseSink> CMyOPCGroup::GetAdviseSink(AdviseSlot slot) {
  ObjectLock lock(this);
  return m_adviseSinks[slot];
}

void CMyOPCGroup::ReleaseAdviseSinks() {
  CComPtr<IAdviseSink> released[AdviseCount];  // let go after the lock
  {
    ObjectLock lock(this);
    for (int i = 0; i < AdviseCount; ++i) released[i] = std::move(m_adviseSinks[i]);
  }
}

// ---- IDataObject ------------------------------------------------------------------------------

HRESULT CMyOPCGroup::GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) {
  if (m_bRemoved) return E_FAIL;
  if (!pformatetcIn || !pmedium) return E_INVALIDARG;
  HRESULT hr = QueryGetData(pformatetcIn);
  if (hr != S_OK) return hr;
  return Guarded([&] {
    return pformatetcIn->cfFormat == GetOpcStreamFormats().data ? BuildStreamData(pmedium, 0)
                                                                : BuildStreamDataTime(pmedium, 0);
  });
}

HRESULT CMyOPCGroup::QueryGetData(FORMATETC* pformatetc) {
  if (m_bRemoved) return E_FAIL;
  if (!pformatetc) return E_POINTER;
  // tymed is a set of media: one that includes global memory will do.
  if (!(pformatetc->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
  AdviseSlot slot = SlotOfFormat(pformatetc->cfFormat);
  return slot == AdviseData || slot == AdviseDataTime ? S_OK : DV_E_FORMATETC;
}

HRESULT CMyOPCGroup::DAdvise(FORMATETC* pformatetc, DWORD, IAdviseSink* pAdvSink, DWORD* pdwConnection) {
  if (m_bRemoved) return E_FAIL;
  if (!pformatetc || !pAdvSink || !pdwConnection) return E_POINTER;
  *pdwConnection = 0;
  const FORMATETC& f = *pformatetc;
  if (f.dwAspect != DVASPECT_CONTENT || f.ptd || f.lindex != -1 || f.tymed != TYMED_HGLOBAL) return E_FAIL;
  AdviseSlot slot = SlotOfFormat(f.cfFormat);
  if (slot == AdviseCount) return E_FAIL;
  // Asked before taking the lock: QueryInterface is a call out.
  CComPtr<IAdviseSink> sink;
  HRESULT hr = pAdvSink->QueryInterface(IID_IAdviseSink, reinterpret_cast<void**>(&sink));
  if (FAILED(hr)) return hr;
  if (!sink) return E_NOINTERFACE;
  {
    ObjectLock lock(this);
    if (m_adviseSinks[slot]) return CONNECT_E_ADVISELIMIT;
    m_adviseSinks[slot] = std::move(sink);
  }
  *pdwConnection = f.cfFormat;
  return S_OK;
}

HRESULT CMyOPCGroup::DUnadvise(DWORD dwConnection) {
  if (m_bRemoved) return E_FAIL;
  AdviseSlot slot = SlotOfFormat(dwConnection);
  if (slot == AdviseCount) return OLE_E_NOCONNECTION;
  CComPtr<IAdviseSink> released;  // let go after the lock; a call in progress holds its own
  {
    ObjectLock lock(this);
    released = std::move(m_adviseSinks[slot]);
  }
  return released ? S_OK : OLE_E_NOCONNECTION;
}

HRESULT CMyOPCGroup::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }
HRESULT CMyOPCGroup::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) { return E_NOTIMPL; }
HRESULT CMyOPCGroup::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }
HRESULT CMyOPCGroup::EnumFormatEtc(DWORD, IEnumFORMATETC** ppenumFormatEtc) {
  if (ppenumFormatEtc) *ppenumFormatEtc = nullptr;
  return E_NOTIMPL;
}
HRESULT CMyOPCGroup::EnumDAdvise(IEnumSTATDATA** ppenumAdvise) {
  if (ppenumAdvise) *ppenumAdvise = nullptr;
  return E_NOTIMPL;
}

// ---- streams --------------------------------------------------------------------------------

void CMyOPCGroup::CollectActiveItems(bool onlyChanged, CItemValues& values, std::vector<Collected>* taken) {
  CMyCriticalSectionLock lock(m_csGroup);
  for (const auto& entry : ItemsInOrder()) {
    COPCItem* item = entry.second;
    if (!item->IsActive() || (onlyChanged && !(item->IsChanged() && item->WasRefreshed()))) continue;
    if (taken) taken->push_back({item, item->GetChangeSeq(), entry.first});
    values.Add(*item);
  }
}

HRESULT CMyOPCGroup::BuildStream(bool withTime, STGMEDIUM* pmedium, DWORD transaction) {
  pmedium->tymed = TYMED_NULL;
  pmedium->hGlobal = nullptr;
  pmedium->pUnkForRelease = nullptr;
  CItemValues values;
  CollectActiveItems(true, values);
  HGLOBAL block = nullptr;
  HRESULT hr = COPCStreamWriter::WriteDataStream(withTime, m_hClientGroup, transaction, values.Count(),
                                                 values.clients.data(), values.values.data(),
                                                 values.qualities.data(), values.times.data(), &block);
  if (FAILED(hr)) return hr;
  pmedium->tymed = TYMED_HGLOBAL;
  pmedium->hGlobal = block;
  return S_OK;
}

HRESULT CMyOPCGroup::BuildStreamData(STGMEDIUM* pmedium, DWORD transaction) {
  return BuildStream(false, pmedium, transaction);
}

HRESULT CMyOPCGroup::BuildStreamDataTime(STGMEDIUM* pmedium, DWORD transaction) {
  return BuildStream(true, pmedium, transaction);
}

void CMyOPCGroup::SendStream(IAdviseSink* sink, DWORD format, HGLOBAL block) {
  FORMATETC formatetc = StreamFormatEtc(format);
  STGMEDIUM medium{};
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = block;
  sink->OnDataChange(&formatetc, &medium);
  {
    CSpyLock lock;
    m_spy.m_info.m_counters[CGroupInfo::DataChange].Raise();
  }
  NotifyEvent(OpcEventDataChange);
  ReleaseStgMedium(&medium);
}

HRESULT CMyOPCGroup::SendDataStream(AdviseSlot slot, DWORD transaction, const CItemValues& values) {
  CComPtr<IAdviseSink> sink = GetAdviseSink(slot);
  if (!sink) return S_OK;
  HGLOBAL block = nullptr;
  HRESULT hr = COPCStreamWriter::WriteDataStream(slot == AdviseDataTime, m_hClientGroup, transaction, values.Count(),
                                                 values.clients.data(), values.values.data(),
                                                 values.qualities.data(), values.times.data(), &block);
  if (FAILED(hr)) return hr;  // nothing is sent
  const COPCStreamFormats& f = GetOpcStreamFormats();
  SendStream(sink, slot == AdviseData ? f.data : f.dataTime, block);
  return S_OK;
}

HRESULT CMyOPCGroup::CompleteAsync10(COPCTransaction& record) {
  AdviseSlot slot = SlotOfFormat(record.m_dwConnection);
  if (record.IsWrite()) {
    CComPtr<IAdviseSink> sink = GetAdviseSink(AdviseWriteComplete);
    if (!sink) return S_OK;
    HGLOBAL block = nullptr;
    HRESULT hr = COPCStreamWriter::WriteWriteCompleteStream(m_hClientGroup, record.m_dwTransactionID,
                                                            record.m_dwCount, record.m_phClient.data(),
                                                            record.m_pErrors.data(), &block);
    if (FAILED(hr)) return hr;
    SendStream(sink, GetOpcStreamFormats().writeComplete, block);
    return S_OK;
  }
  if (slot != AdviseData && slot != AdviseDataTime) return E_FAIL;
  CItemValues values;
  if (record.IsRead()) {
    // The requested items, in the order asked, as the read found them.
    for (DWORD i = 0; i < record.m_dwCount; ++i)
      values.Add(record.m_phClient[i], record.m_states[i], record.m_pErrors[i]);
  } else {
    CollectActiveItems(false, values);
  }
  return SendDataStream(slot, record.m_dwTransactionID, values);
}
