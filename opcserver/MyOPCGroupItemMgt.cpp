// IOPCItemMgt of the OPC group.
#include "opcserver/MyOPCGroup.h"

#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <type_traits>

#include "foundation/ProtocolEventsCollector.h"
#include "opcserver/EnumItemAttributes.h"
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

HRESULT CMyOPCGroup::CreateItem(COPCTag* tag, COPCItem** out) {
  if (!out) {
    delete tag;
    return E_POINTER;
  }
  *out = new (std::nothrow) COPCItem(tag, this, NewOpcHandle());
  if (!*out) {
    delete tag;
    return E_OUTOFMEMORY;
  }
  HRESULT hr = (*out)->GetInitResult();
  if (FAILED(hr)) {
    delete *out;  // and the tag with it
    *out = nullptr;
  }
  return hr;
}

void CMyOPCGroup::DeleteItem(COPCItem* item) {
  GetOPCToolkitManager().DetachItem(&item->GetSpy());
  delete item;
}

HRESULT CMyOPCGroup::AddItems(DWORD dwCount, OPCITEMDEF* pItemArray, OPCITEMRESULT** ppAddResults,
                              HRESULT** ppErrors) {
  if (m_bRemoved) return E_FAIL;
  if (!pItemArray || !ppAddResults || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  const HRESULT hr = WithResults(dwCount, ppAddResults, ppErrors, [&](OPCITEMRESULT* results, HRESULT* errors) {
    return AddItemsInternal(dwCount, pItemArray, results, errors);
  });
  // The item count the diagnostics show must not wait for the group's next event.
  UpdateSpy();
  return hr;
}

HRESULT CMyOPCGroup::ValidateItems(DWORD dwCount, OPCITEMDEF* pItemArray, BOOL, OPCITEMRESULT** ppValidationResults,
                                   HRESULT** ppErrors) {
  if (m_bRemoved) return E_FAIL;
  if (!pItemArray || !ppValidationResults || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  return WithResults(dwCount, ppValidationResults, ppErrors, [&](OPCITEMRESULT* results, HRESULT* errors) {
    return ValidateItemsInternal(dwCount, pItemArray, results, errors);
  });
}

HRESULT CMyOPCGroup::RemoveItems(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) {
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  const HRESULT hr =
      WithErrors(dwCount, ppErrors, [&](HRESULT* errors) { return RemoveItemsInternal(dwCount, phServer, errors); });
  UpdateSpy();
  return hr;
}

HRESULT CMyOPCGroup::SetActiveState(DWORD dwCount, OPCHANDLE* phServer, BOOL bActive, HRESULT** ppErrors) {
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  return WithErrors(dwCount, ppErrors,
                    [&](HRESULT* errors) { return SetActiveStateInternal(dwCount, phServer, bActive, errors); });
}

HRESULT CMyOPCGroup::SetClientHandles(DWORD dwCount, OPCHANDLE* phServer, OPCHANDLE* phClient, HRESULT** ppErrors) {
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !phClient || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  return WithErrors(dwCount, ppErrors,
                    [&](HRESULT* errors) { return SetClientHandlesInternal(dwCount, phServer, phClient, errors); });
}

HRESULT CMyOPCGroup::SetDatatypes(DWORD dwCount, OPCHANDLE* phServer, VARTYPE* pRequestedDatatypes,
                                  HRESULT** ppErrors) {
  if (m_bRemoved) return E_FAIL;
  if (!phServer || !pRequestedDatatypes || !ppErrors) return E_POINTER;
  if (dwCount == 0) return E_INVALIDARG;
  return WithErrors(dwCount, ppErrors, [&](HRESULT* errors) {
    return SetDatatypesInternal(dwCount, phServer, pRequestedDatatypes, errors);
  });
}

HRESULT CMyOPCGroup::CreateEnumerator(REFIID riid, LPUNKNOWN* ppUnk) {
  if (m_bRemoved) return E_FAIL;
  if (!ppUnk) return E_POINTER;
  return CreateEnumeratorInternal(riid, ppUnk);
}

HRESULT CMyOPCGroup::CreateEnumeratorInternal(REFIID riid, LPUNKNOWN* ppUnk) {
  *ppUnk = nullptr;
  CComObject<CEnumItemAttributes>* enumerator = nullptr;
  if (FAILED(CComObject<CEnumItemAttributes>::CreateInstance(&enumerator)) || !enumerator) return E_OUTOFMEMORY;
  enumerator->Init(this);
  HRESULT hr = enumerator->QueryInterface(riid, reinterpret_cast<void**>(ppUnk));
  if (FAILED(hr)) {
    delete enumerator;
    *ppUnk = nullptr;
    return hr;
  }
  // The standard's answer for a group without items; the enumerator is handed out all the same.
  CMyCriticalSectionLock lock(m_csGroup);
  return m_items.empty() ? S_FALSE : hr;
}

void CMyOPCGroup::VisitItemsAfter(OPCHANDLE after, ULONG max, const std::function<void(COPCItem&)>& visit) {
  CMyCriticalSectionLock lock(m_csGroup);
  ULONG n = 0;
  for (auto it = m_items.upper_bound(after); it != m_items.end() && n < max; ++it, ++n) visit(*it->second);
}

// ---- internal item operations -----------------------------------------------------------------

HRESULT CMyOPCGroup::AddItemsInternal(DWORD count, const OPCITEMDEF* defs, OPCITEMRESULT* results, HRESULT* errors) {
  COpcBusyScope busy;
  HRESULT result = S_OK;
  CMyCriticalSectionLock lock(m_csGroup);
  ReserveRoom(m_index, count);
  GetOPCToolkitManager().ReserveItems(count);
  for (DWORD i = 0; i < count; ++i) {
    const OPCITEMDEF& def = defs[i];
    errors[i] = S_OK;
    COPCTag* tag = nullptr;
    HRESULT hr = S_OK;
    try {
      if (def.szItemID && g_pOpcTagsManager) tag = g_pOpcTagsManager->CreateTag(CString(def.szItemID));
    } catch (const COleDispatchException&) {
      hr = E_FAIL;
    }
    if (!tag) {
      errors[i] = FAILED(hr) ? hr : OPC_E_INVALIDITEMID;
      result = S_FALSE;
      continue;
    }
    COPCItem* item = nullptr;
    hr = CreateItem(tag, &item);  // owns the tag from here on, also when it fails
    if (FAILED(hr)) {
      errors[i] = hr;
      result = S_FALSE;
      continue;
    }
    // Attached first, so the item's own events already name its group and client.
    GetOPCToolkitManager().AttachItem(&m_spy, &item->GetSpy());
    if (FAILED(hr = item->SetActive(def.bActive ? TRUE : FALSE))) {
      DeleteItem(item);
      errors[i] = hr;
      result = S_FALSE;
      continue;
    }
    if (def.hClient != 0) {
      item->SetClientHandle(def.hClient);
      item->NotifyEvent(OpcEventItemClientHandle);
    }
    if (!item->SetRequestedType(def.vtRequestedDataType, false)) {
      DeleteItem(item);
      errors[i] = OPC_E_BADTYPE;
      result = S_FALSE;
      continue;
    }
    results[i].hServer = item->GetServerHandle();
    results[i].vtCanonicalDataType = item->GetCanonicalType();
    results[i].wReserved = 0;
    // The item asked its tag a moment ago.
    results[i].dwAccessRights = item->GetLastAccessRights();
    results[i].dwBlobSize = 0;
    results[i].pBlob = nullptr;
    m_items.emplace_hint(m_items.end(), item->GetServerHandle(), item);
    m_walkStale = true;
    m_index.emplace(item->GetServerHandle(), item);
    item->NotifyEvent(OpcEventAddItem);
  }
  busy.Leave();
  return result;
}

HRESULT CMyOPCGroup::ValidateItemsInternal(DWORD count, const OPCITEMDEF* defs, OPCITEMRESULT* results,
                                           HRESULT* errors) {
  HRESULT result = S_OK;
  CMyCriticalSectionLock lock(m_csGroup);
  for (DWORD i = 0; i < count; ++i) {
    const OPCITEMDEF& def = defs[i];
    errors[i] = S_OK;
    if (!def.szItemID || !*def.szItemID) {
      errors[i] = OPC_E_INVALIDITEMID;
      result = S_FALSE;
      continue;
    }
    if (def.vtRequestedDataType == 0xFFFF) {
      errors[i] = OPC_E_BADTYPE;
      result = S_FALSE;
    }
    std::unique_ptr<COPCTag> tag;
    VARTYPE canonical = VT_EMPTY;
    DWORD rights = 0;
    try {
      if (g_pOpcTagsManager) tag.reset(g_pOpcTagsManager->CreateTag(CString(def.szItemID)));
      if (tag) {
        canonical = tag->GetCanonicalType();
        rights = tag->GetAccessRights();
      }
    } catch (const COleDispatchException&) {
      errors[i] = E_FAIL;
      result = S_FALSE;
      continue;
    }
    if (tag) {
      results[i].hServer = 0;
      results[i].vtCanonicalDataType = canonical;
      results[i].dwAccessRights = rights;
      results[i].dwBlobSize = 0;
      results[i].pBlob = nullptr;
    } else {
      errors[i] = OPC_E_UNKNOWNITEMID;
      result = S_FALSE;
    }
  }
  return result;
}

HRESULT CMyOPCGroup::RemoveItemsInternal(DWORD count, const OPCHANDLE* handles, HRESULT* errors) {
  COpcBusyScope busy;
  HRESULT result = S_OK;
  CMyCriticalSectionLock lock(m_csGroup);
  for (DWORD i = 0; i < count; ++i) {
    auto it = m_index.find(handles[i]);
    if (it == m_index.end()) {
      errors[i] = OPC_E_INVALIDHANDLE;
      result = S_FALSE;
      continue;
    }
    COPCItem* item = it->second;
    item->NotifyEvent(OpcEventRemoveItem);
    m_index.erase(it);
    m_items.erase(handles[i]);
    m_walkStale = true;
    DeleteItem(item);
    errors[i] = S_OK;
  }
  busy.Leave();
  return result;
}

HRESULT CMyOPCGroup::SetActiveStateInternal(DWORD count, const OPCHANDLE* handles, BOOL active, HRESULT* errors) {
  COpcBusyScope busy;
  CMyCriticalSectionLock lock(m_csGroup);
  HRESULT result = ForEachHandle(
      count, handles, errors, [&](OPCHANDLE h) { return FindItem(h); },
      [&](COPCItem* item, DWORD) { return item->SetActive(active ? TRUE : FALSE); });
  busy.Leave();
  return result;
}

HRESULT CMyOPCGroup::SetClientHandlesInternal(DWORD count, const OPCHANDLE* handles, const OPCHANDLE* clients,
                                              HRESULT* errors) {
  CMyCriticalSectionLock lock(m_csGroup);
  return ForEachHandle(count, handles, errors, [&](OPCHANDLE h) { return FindItem(h); },
                       [&](COPCItem* item, DWORD i) -> HRESULT {
                         if (item->GetClientHandle() != clients[i]) {
                           item->SetClientHandle(clients[i]);
                           item->NotifyEvent(OpcEventItemClientHandle);
                         }
                         return S_OK;
                       });
}

HRESULT CMyOPCGroup::SetDatatypesInternal(DWORD count, const OPCHANDLE* handles, const VARTYPE* types,
                                          HRESULT* errors) {
  CMyCriticalSectionLock lock(m_csGroup);
  return ForEachHandle(count, handles, errors, [&](OPCHANDLE h) { return FindItem(h); },
                       [&](COPCItem* item, DWORD i) -> HRESULT {
                         return item->SetRequestedType(types[i], true) ? S_OK : OPC_E_BADTYPE;
                       });
}
