// IOPCItemProperties of the server object: one temporary tag per call, made and used while the
// address space is held still, so its data point cannot go away under it.
#include <memory>

#include "lon/OPCTag.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OpcGroupCalls.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/Memory.h"

namespace {
// Runs op(tag) on a new tag for itemId; OPC_E_UNKNOWNITEMID when no tag can be made.
template <class Op>
HRESULT WithTemporaryTag(const CString& itemId, Op op) {
  COpcTagsManager* tags = g_pOpcTagsManager;
  if (!tags) return OPC_E_UNKNOWNITEMID;
  HRESULT hr = OPC_E_UNKNOWNITEMID;
  tags->WithAddressSpace([&](COPCTagsBranch*, unsigned) {
    std::unique_ptr<COPCTag> tag(tags->CreateTag(itemId));
    if (tag) hr = op(tag.get());
  });
  return hr;
}
}  // namespace

HRESULT CMyOPCServer::QueryAvailableProperties(LPWSTR szItemID, DWORD* pdwCount, DWORD** ppPropertyIDs,
                                               LPWSTR** ppDescriptions, VARTYPE** ppvtDataTypes) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!szItemID || !pdwCount || !ppPropertyIDs || !ppDescriptions || !ppvtDataTypes) return E_POINTER;
  *pdwCount = 0;
  *ppPropertyIDs = nullptr;
  *ppDescriptions = nullptr;
  *ppvtDataTypes = nullptr;
  return opc_calls::Guarded([&] {
    return WithTemporaryTag(CString(szItemID), [&](COPCTag* tag) {
      DWORD n = tag->GetItemPropertyCount();
      auto* ids = opc_calls::AllocZeroed<DWORD>(n);
      auto* descriptions = opc_calls::AllocZeroed<LPWSTR>(n);
      auto* types = opc_calls::AllocZeroed<VARTYPE>(n);
      if (!ids || !descriptions || !types) {
        CoTaskMemFree(ids);
        CoTaskMemFree(descriptions);
        CoTaskMemFree(types);
        return E_OUTOFMEMORY;
      }
      tag->QueryAvailableProperties(n, ids, descriptions, types);
      *pdwCount = n;
      *ppPropertyIDs = ids;
      *ppDescriptions = descriptions;
      *ppvtDataTypes = types;
      return S_OK;
    });
  });
}

HRESULT CMyOPCServer::GetItemProperties(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs, VARIANT** ppvData,
                                        HRESULT** ppErrors) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!szItemID || !pdwPropertyIDs || !ppvData || !ppErrors) return E_POINTER;
  *ppvData = nullptr;
  *ppErrors = nullptr;
  if (dwCount == 0) return E_INVALIDARG;
  return opc_calls::WithResults(dwCount, ppvData, ppErrors, [&](VARIANT* values, HRESULT* errors) {
    if (*szItemID == L'\0') return OPC_E_INVALIDITEMID;
    return WithTemporaryTag(CString(szItemID), [&](COPCTag* tag) {
      try {
        // One read of the control's cache serves value, quality and time stamp alike.
        tag->Refresh(OPC_DS_CACHE);
      } catch (const COleDispatchException&) {
        // The value and time stamp reads below report the failure, each as its property's error.
      }
      HRESULT result = S_OK;
      for (DWORD i = 0; i < dwCount; ++i) {
        try {
          errors[i] = tag->GetItemProperty(pdwPropertyIDs[i], &values[i]);
        } catch (const COleDispatchException&) {
          errors[i] = E_FAIL;
        }
        if (FAILED(errors[i])) {
          VariantClear(&values[i]);
          result = S_FALSE;
        }
      }
      return result;
    });
  });
}

HRESULT CMyOPCServer::LookupItemIDs(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs, LPWSTR** ppszNewItemIDs,
                                    HRESULT** ppErrors) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!szItemID || !pdwPropertyIDs || !ppszNewItemIDs || !ppErrors) return E_POINTER;
  *ppszNewItemIDs = nullptr;
  *ppErrors = nullptr;
  if (dwCount == 0) return E_INVALIDARG;
  return opc_calls::WithResults(dwCount, ppszNewItemIDs, ppErrors, [&](LPWSTR*, HRESULT* errors) {
    if (!g_pOpcTagsManager) return OPC_E_UNKNOWNITEMID;
    if (*szItemID == L'\0') return OPC_E_INVALIDITEMID;
    return WithTemporaryTag(CString(szItemID), [&](COPCTag* tag) {
      // No property of ours has an item ID of its own.
      HRESULT result = S_OK;
      for (DWORD i = 0; i < dwCount; ++i) {
        errors[i] = tag->LookupItemID(pdwPropertyIDs[i]);
        if (FAILED(errors[i])) result = S_FALSE;
      }
      return result;
    });
  });
}
