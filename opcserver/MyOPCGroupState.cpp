// IOPCGroupStateMgt of the OPC group.
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

HRESULT CMyOPCGroup::GetState(DWORD* pUpdateRate, BOOL* pActive, LPWSTR* ppName, LONG* pTimeBias,
                              FLOAT* pPercentDeadband, DWORD* pLCID, OPCHANDLE* phClientGroup,
                              OPCHANDLE* phServerGroup) {
  if (m_bRemoved) return E_FAIL;
  CMyCriticalSectionLock lock(m_csGroup);
  if (ppName) {
    *ppName = CoTaskStrDupOrNull(m_strName);
    if (!*ppName && !m_strName.IsEmpty()) return E_OUTOFMEMORY;
  }
  if (pUpdateRate) *pUpdateRate = m_dwUpdateRate;
  if (pActive) *pActive = m_bActive;
  if (pTimeBias) *pTimeBias = m_lTimeBias;
  if (pPercentDeadband) *pPercentDeadband = m_fDeadband;
  if (pLCID) *pLCID = m_dwLCID;
  if (phClientGroup) *phClientGroup = m_hClientGroup;
  if (phServerGroup) *phServerGroup = m_hServerGroup;
  return S_OK;
}

HRESULT CMyOPCGroup::SetState(DWORD* pRequestedUpdateRate, DWORD* pRevisedUpdateRate, BOOL* pActive,
                              LONG* pTimeBias, FLOAT* pPercentDeadband, DWORD* pLCID, OPCHANDLE* phClientGroup) {
  if (!pRevisedUpdateRate) return E_POINTER;
  if (m_bRemoved) return E_FAIL;
  if (!IsValidPercentDeadband(pPercentDeadband)) return E_INVALIDARG;
  HRESULT result = S_OK;
  bool wake = false;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    if (pRequestedUpdateRate) {
      DWORD old = m_dwUpdateRate;
      DWORD stored = SetUpdateRate(*pRequestedUpdateRate);
      if (stored != old) {
        NotifyEvent(OpcEventGroupUpdateRate);
        wake = true;
      }
      // Every other argument is still applied; the revised rate is only reported.
      if (stored != *pRequestedUpdateRate) result = OPC_S_UNSUPPORTEDRATE;
    }
    *pRevisedUpdateRate = m_dwUpdateRate;
    if (pTimeBias && *pTimeBias != m_lTimeBias) {
      m_lTimeBias = *pTimeBias;
      NotifyEvent(OpcEventGroupTimeBias);
    }
    if (pPercentDeadband && *pPercentDeadband != m_fDeadband) {
      m_fDeadband = *pPercentDeadband;
      NotifyEvent(OpcEventGroupDeadband);
    }
    if (pLCID && *pLCID != m_dwLCID) {
      m_dwLCID = *pLCID;
      NotifyEvent(OpcEventGroupLCID);
    }
    if (phClientGroup && *phClientGroup != m_hClientGroup) {
      m_hClientGroup = *phClientGroup;
      NotifyEvent(OpcEventGroupClientHandle);
    }
    if (pActive && *pActive != m_bActive) {
      m_bActive = *pActive;
      NotifyEvent(OpcEventGroupActive);
      if (m_bActive) wake = true;
      ApplyActiveStateToItems();
    }
  }
  if (wake) SetEvent(m_hUpdateEvent);
  return result;
}

HRESULT CMyOPCGroup::SetName(LPCWSTR szName) {
  if (!szName) return E_POINTER;
  if (m_bRemoved) return E_FAIL;
  if (!*szName) return E_INVALIDARG;
  CString name(szName);
  CServerRef server(AcquireServer());
  if (!server) return E_FAIL;
  // The server lock first, as everywhere: the name is unique among its groups.
  CMyCriticalSectionLock serverLock(server->GetLock());
  CString old;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    if (name == m_strName) return S_OK;
    old = m_strName;
  }
  if (server->FindGroupByName(name)) return OPC_E_DUPLICATENAME;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    m_strName = name;
  }
  NotifyEvent(OpcEventRenameGroup, old);
  return S_OK;
}

HRESULT CMyOPCGroup::CloneGroup(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) {
  if (!ppUnk) return E_POINTER;
  *ppUnk = nullptr;
  if (m_bRemoved) return E_FAIL;
  CServerRef server(AcquireServer());
  if (!server) return E_FAIL;
  DWORD rate;
  OPCHANDLE hClient;
  LONG bias;
  FLOAT deadband;
  DWORD lcid;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    rate = m_dwUpdateRate;
    hClient = m_hClientGroup;
    bias = m_lTimeBias;
    deadband = m_fDeadband;
    lcid = m_dwLCID;
  }
  OPCHANDLE hServer = 0;
  HRESULT hr = server->AddGroup(szName, FALSE, rate, hClient, &bias, &deadband, lcid, &hServer, nullptr, riid, ppUnk);
  if (FAILED(hr)) return hr;
  CMyOPCGroup* clone = server->FindGroupByHandle(hServer);
  if (!clone) return E_FAIL;
  std::vector<OPCITEMDEF> defs;
  std::vector<CString> names;
  {
    CMyCriticalSectionLock lock(m_csGroup);
    names.reserve(m_items.size());
    for (auto& entry : m_items) {
      COPCItem* item = entry.second;
      names.push_back(item->GetName());
      OPCITEMDEF def{};
      def.bActive = item->IsActive();
      def.hClient = item->GetClientHandle();
      def.vtRequestedDataType = item->GetRequestedType();
      defs.push_back(def);
    }
  }
  hr = S_OK;
  for (size_t i = 0; i < defs.size(); ++i) {
    defs[i].szAccessPath = const_cast<LPWSTR>(L"");
    defs[i].szItemID = const_cast<LPWSTR>(names[i].GetString());
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    hr = clone->AddItems(1, &defs[i], &results, &errors);
    CoTaskMemFree(results);
    CoTaskMemFree(errors);
  }
  return hr;
}

HRESULT CMyOPCGroup::CloneInto(const CString&) { return S_OK; }
