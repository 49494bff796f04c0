// IOPCSyncIO of the OPC group.
#include "opcserver/MyOPCGroup.h"

#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <type_traits>

#include "foundation/ProtocolEventsCollector.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCItem.h"
#include "opcserver/OPCProtocolEvent.h"
#include "opcserver/OPCToolkitManager.h"
#include "opcserver/OpcBusyCount.h"
#include "opcserver/OpcGroupCalls.h"
#include "opcserver/OpcTagsManager.h"
#include "platform/com/Activation.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"
#include "platform/win32/Thread.h"
#include "platform/win32/Time.h"

using namespace opc_calls;

HRESULT CMyOPCGroup::Read(OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer, OPCITEMSTATE** ppItemValues,
                          HRESULT** ppErrors) {
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !ppItemValues || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  // The standard knows the cache and the device only.
  if (dwSource != OPC_DS_CACHE && dwSource != OPC_DS_DEVICE) return E_INVALIDARG;
  return WithResults(dwCount, ppItemValues, ppErrors, [&](OPCITEMSTATE* states, HRESULT* errors) {
    {
      CSpyLock lock;
      m_spy.m_info.m_counters[CGroupInfo::SyncRead].Raise();
    }
    NotifyEvent(OpcEventSyncRead);
    return SyncReadItems(dwSource, dwCount, phServer, states, errors);
  });
}

HRESULT CMyOPCGroup::Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, HRESULT** ppErrors) {
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !pItemValues || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  return WithErrors(dwCount, ppErrors, [&](HRESULT* errors) {
    {
      CSpyLock lock;
      m_spy.m_info.m_counters[CGroupInfo::SyncWrite].Raise();
    }
    NotifyEvent(OpcEventSyncWrite);
    return SyncWriteItems(dwCount, phServer, pItemValues, errors);
  });
}

HRESULT CMyOPCGroup::SyncReadItems(DWORD source, DWORD count, const OPCHANDLE* handles, OPCITEMSTATE* states,
                                   HRESULT* errors) {
  HRESULT result = S_OK;
  FILETIME now{0, 0};
  CoFileTimeNow(&now);
  CMyCriticalSectionLock lock(m_csGroup);
  bool groupActive = m_bActive != FALSE;
  for (DWORD i = 0; i < count; ++i) {
    OPCITEMSTATE& state = states[i];
    state.ftTimeStamp = now;
    state.wQuality = 0;
    state.wReserved = 0;
    VariantInit(&state.vDataValue);
    errors[i] = S_OK;
    COPCItem* item = handles[i] ? FindItem(handles[i]) : nullptr;
    if (!item) {
      errors[i] = OPC_E_INVALIDHANDLE;
      result = S_FALSE;
      continue;
    }
    HRESULT refreshed = item->Refresh(source);
    HRESULT updated = item->Update(0.0f);
    state.hClient = item->GetClientHandle();
    if (FAILED(refreshed) || FAILED(updated)) {
      // The control failed on this item alone, or its data point is gone: no value, and the
      // item's quality is bad.
      errors[i] = FAILED(refreshed) ? refreshed : updated;
      state.wQuality = item->GetQuality();
      result = S_FALSE;
      continue;
    }
    state.ftTimeStamp = item->GetTimestamp();
    if (source == OPC_DS_CACHE)
      state.wQuality = groupActive && item->IsActive() ? item->GetQuality() : OPC_QUALITY_OUT_OF_SERVICE;
    else
      state.wQuality = item->GetQuality();
    HRESULT hr = item->GetValue(&state.vDataValue);
    if (FAILED(hr)) {
      errors[i] = hr;
      result = S_FALSE;
    }
  }
  return result;
}

HRESULT CMyOPCGroup::SyncWriteItems(DWORD count, const OPCHANDLE* handles, const VARIANT* values, HRESULT* errors) {
  COpcBusyScope busy;
  HRESULT result = S_OK;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    for (DWORD i = 0; i < count; ++i) {
      COPCItem* item = handles[i] ? FindItem(handles[i]) : nullptr;
      if (!item) {
        errors[i] = OPC_E_INVALIDHANDLE;
        result = S_FALSE;
        continue;
      }
      VARIANT copy;
      VariantInit(&copy);
      HRESULT hr = VariantCopy(&copy, &values[i]);
      if (SUCCEEDED(hr)) hr = item->Write(copy);  // consumes the copy
      else VariantClear(&copy);
      errors[i] = SUCCEEDED(hr) ? S_OK : hr;
      if (FAILED(hr)) result = S_FALSE;
    }
    busy.Leave();
  }
  if (result != S_OK) NotifyEvent(OpcEventOperationFailed);
  return result;
}
