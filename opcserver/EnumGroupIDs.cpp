#include "opcserver/EnumGroupIDs.h"

#include <cstring>

#include "opcserver/MyOPCGroup.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OpcGroupCalls.h"

CEnumGroupIDs::~CEnumGroupIDs() {
  if (m_pServer) static_cast<IOPCServer*>(m_pServer)->Release();
}

void CEnumGroupIDs::Init(CMyOPCServer* server, DWORD scope) {
  static_cast<IOPCServer*>(server)->AddRef();
  m_pServer = server;
  m_dwScope = scope;
  m_hLast = 0;
}

bool CEnumGroupIDs::ScopeListsGroups(DWORD scope) {
  return scope == OPC_ENUM_PRIVATE_CONNECTIONS || scope == OPC_ENUM_ALL_CONNECTIONS || scope == OPC_ENUM_PRIVATE ||
         scope == OPC_ENUM_ALL;
}

bool CEnumGroupIDs::HasGroups() {
  return ScopeListsGroups(m_dwScope) && m_pServer->VisitGroupAfter(0, [](OPCHANDLE, CMyOPCGroup*) {});
}

template <class Give, class Undo>
HRESULT CEnumGroupIDs::Walk(ULONG celt, ULONG* pceltFetched, Give give, Undo undo) {
  if (pceltFetched) *pceltFetched = 0;
  if (celt != 1 && !pceltFetched) return E_INVALIDARG;
  ObjectLock lock(this);
  OPCHANDLE last = m_hLast;
  ULONG taken = 0;
  HRESULT hr = S_OK;
  if (ScopeListsGroups(m_dwScope)) {
    while (taken < celt && SUCCEEDED(hr)) {
      bool found = m_pServer->VisitGroupAfter(last, [&](OPCHANDLE h, CMyOPCGroup* group) {
        hr = give(group, taken);
        last = h;
      });
      if (!found) break;
      if (SUCCEEDED(hr)) ++taken;
    }
  }
  if (FAILED(hr)) {
    for (ULONG i = 0; i < taken; ++i) undo(i);
    return hr;
  }
  m_hLast = last;
  if (pceltFetched) *pceltFetched = taken;
  return taken == celt ? S_OK : S_FALSE;
}

HRESULT CEnumGroupIDs::Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) {
  if (!rgelt) return E_POINTER;
  return opc_calls::Guarded([&] {
    return Walk(
        celt, pceltFetched,
        [&](CMyOPCGroup* group, ULONG i) {
          rgelt[i] = opc_calls::CoTaskStrDup(group->GetName());
          return rgelt[i] ? S_OK : E_OUTOFMEMORY;
        },
        [&](ULONG i) {
          CoTaskMemFree(rgelt[i]);
          rgelt[i] = nullptr;
        });
  });
}

HRESULT CEnumGroupIDs::Next(ULONG celt, IUnknown** rgelt, ULONG* pceltFetched) {
  if (!rgelt) return E_POINTER;
  return opc_calls::Guarded([&] {
    return Walk(
        celt, pceltFetched,
        [&](CMyOPCGroup* group, ULONG i) {
          rgelt[i] = group->GetUnknown();
          rgelt[i]->AddRef();
          return S_OK;
        },
        [&](ULONG i) {
          rgelt[i]->Release();
          rgelt[i] = nullptr;
        });
  });
}

HRESULT CEnumGroupIDs::Skip(ULONG celt) {
  ULONG skipped = 0;
  HRESULT hr = Walk(
      celt, &skipped, [](CMyOPCGroup*, ULONG) { return S_OK; }, [](ULONG) {});
  return FAILED(hr) ? hr : (skipped == celt ? S_OK : S_FALSE);
}

HRESULT CEnumGroupIDs::Reset() {
  ObjectLock lock(this);
  m_hLast = 0;
  return m_pServer ? S_OK : S_FALSE;
}

template <class I>
HRESULT CEnumGroupIDs::CloneAs(I** ppenum) {
  if (!ppenum) return E_POINTER;
  *ppenum = nullptr;
  CComObject<CEnumGroupIDs>* clone = nullptr;
  HRESULT hr = CComObject<CEnumGroupIDs>::CreateInstance(&clone);
  if (FAILED(hr)) return hr;
  clone->Init(m_pServer, m_dwScope);
  {
    ObjectLock lock(this);
    clone->m_hLast = m_hLast;
  }
  clone->AddRef();
  hr = clone->QueryInterface(uuidof<I>(), reinterpret_cast<void**>(ppenum));
  clone->Release();
  return hr;
}

HRESULT CEnumGroupIDs::Clone(IEnumString** ppenum) { return CloneAs(ppenum); }
HRESULT CEnumGroupIDs::Clone(IEnumUnknown** ppenum) { return CloneAs(ppenum); }
