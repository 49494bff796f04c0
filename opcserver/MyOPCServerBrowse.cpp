// IOPCBrowseServerAddressSpace of the server object. The position is a path, resolved under the
// address space's lock on every call; enumerators get copies of their texts.
#include <memory>

#include "lon/OPCTag.h"
#include "lon/OPCTagsBranch.h"
#include "opcserver/EnumItemIDs.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OpcGroupCalls.h"

void CMyOPCServer::WithAddressSpace(const COpcTagsManager::AddressSpaceVisitor& visit) {
  if (COpcTagsManager* tags = g_pOpcTagsManager) tags->WithAddressSpace(visit);
  else visit(nullptr, 0);
}

HRESULT CMyOPCServer::QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!pNameSpaceType) return E_POINTER;
  *pNameSpaceType = OPC_NS_HIERARCHIAL;
  return S_OK;
}

HRESULT CMyOPCServer::ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  return opc_calls::Guarded([&] { return ChangeBrowsePositionInternal(dwBrowseDirection, CString(szString ? szString : L"")); });
}

HRESULT CMyOPCServer::ChangeBrowsePositionInternal(DWORD direction, const CString& text) {
  if (direction != OPC_BROWSE_UP && direction != OPC_BROWSE_DOWN && direction != OPC_BROWSE_TO) return E_INVALIDARG;
  if (direction == OPC_BROWSE_TO && !g_pOpcTagsManager) return E_INVALIDARG;
  std::lock_guard<std::mutex> browse(m_browseMutex);
  HRESULT hr = E_INVALIDARG;
  WithAddressSpace([&](COPCTagsBranch* root, unsigned) {
    COPCTagsBranch* position = m_browsePosition.Resolve(root);
    COPCTagsBranch* target = nullptr;
    switch (direction) {
      case OPC_BROWSE_UP:
        target = position ? position->GetParentBranch() : nullptr;
        if (!target) {
          hr = E_FAIL;
          return;
        }
        break;
      case OPC_BROWSE_TO:
        if (text.IsEmpty()) {
          // Back to the root, also while there is no address space: the root of the next one.
          m_browsePosition.Set(nullptr);
          hr = S_OK;
          return;
        }
        target = root ? root->FindBranchByPath(text.GetString()) : nullptr;
        break;
      default:
        target = position && !text.IsEmpty() ? position->FindChildBranch(text.GetString()) : nullptr;
        break;
    }
    if (!target) return;
    m_browsePosition.Set(target);
    hr = S_OK;
  });
  return hr;
}

HRESULT CMyOPCServer::BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType, LPCWSTR szFilterCriteria,
                                       VARTYPE vtDataTypeFilter, DWORD dwAccessRightsFilter,
                                       LPENUMSTRING* ppIEnumString) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!ppIEnumString) return E_POINTER;
  *ppIEnumString = nullptr;
  if (dwBrowseFilterType != OPC_BRANCH && dwBrowseFilterType != OPC_LEAF && dwBrowseFilterType != OPC_FLAT)
    return E_INVALIDARG;
  return opc_calls::Guarded([&] {
    CString filter(szFilterCriteria ? szFilterCriteria : L"");
    std::vector<std::wstring> texts;
    {
      std::lock_guard<std::mutex> browse(m_browseMutex);
      m_dwLastBrowseType = dwBrowseFilterType;
      WithAddressSpace([&](COPCTagsBranch* root, unsigned) {
        texts = CEnumItemIDs::Collect(m_browsePosition.Resolve(root), dwBrowseFilterType, filter,
                                      vtDataTypeFilter, dwAccessRightsFilter);
      });
    }
    bool any = !texts.empty();
    HRESULT hr = CEnumItemIDs::Create(std::move(texts), ppIEnumString);
    if (FAILED(hr)) return hr;
    return any ? S_OK : S_FALSE;
  });
}

HRESULT CMyOPCServer::GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (!szItemID) return E_POINTER;
  *szItemID = nullptr;
  return opc_calls::Guarded([&] {
    CString itemId;
    HRESULT hr = GetItemIDInternal(CString(szItemDataID ? szItemDataID : L""), itemId);
    if (FAILED(hr)) return hr;
    *szItemID = opc_calls::CoTaskStrDup(itemId);
    return *szItemID ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT CMyOPCServer::GetItemIDInternal(const CString& itemDataId, CString& itemId) {
  std::lock_guard<std::mutex> browse(m_browseMutex);
  HRESULT hr = E_INVALIDARG;
  WithAddressSpace([&](COPCTagsBranch* root, unsigned) {
    COPCTagsBranch* position = m_browsePosition.Resolve(root);
    if (itemDataId.IsEmpty()) {
      if (!position) return;
      itemId = position->GetPath();
      hr = S_OK;
      return;
    }
    if (position) {
      if (COPCTag* tag = position->FindTag(itemDataId.GetString())) {
        itemId = tag->GetName();
        hr = S_OK;
        return;
      }
      if (COPCTagsBranch* child = position->FindChildBranch(itemDataId.GetString())) {
        itemId = child->GetPath();
        hr = S_OK;
        return;
      }
    }
    // After a flat browse the client holds full item IDs and paths already.
    if (m_dwLastBrowseType != OPC_FLAT || !g_pOpcTagsManager) return;
    bool known = root && root->FindBranchByPath(itemDataId.GetString());
    if (!known) known = std::unique_ptr<COPCTag>(g_pOpcTagsManager->CreateTag(itemDataId)) != nullptr;
    if (known) {
      itemId = itemDataId;
      hr = S_OK;
    }
  });
  return hr;
}

HRESULT CMyOPCServer::BrowseAccessPaths(LPCWSTR, LPENUMSTRING* ppIEnumString) {
  if (m_bDisconnected) return RPC_E_DISCONNECTED;
  if (ppIEnumString) *ppIEnumString = nullptr;
  return E_NOTIMPL;
}
