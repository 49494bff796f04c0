#include "opcserver/EnumItemAttributes.h"

#include <cstring>
#include <vector>

#include "opcserver/MyOPCGroup.h"
#include "opcserver/OPCItem.h"
#include "opcserver/OpcGroupCalls.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"

using namespace opc_calls;

CEnumItemAttributes::~CEnumItemAttributes() {
  if (m_pGroup) static_cast<IOPCItemMgt*>(m_pGroup)->Release();
}

void CEnumItemAttributes::Init(CMyOPCGroup* group, OPCHANDLE position) {
  if (group) static_cast<IOPCItemMgt*>(group)->AddRef();
  if (m_pGroup) static_cast<IOPCItemMgt*>(m_pGroup)->Release();
  m_pGroup = group;
  m_position = position;
}

HRESULT CEnumItemAttributes::Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray, ULONG* pceltFetched) {
  if (!ppItemArray) return E_INVALIDARG;
  *ppItemArray = nullptr;
  if (pceltFetched) *pceltFetched = 0;
  if (!m_pGroup) return S_FALSE;
  return Guarded([&]() -> HRESULT {
    ObjectLock self(this);
    struct Entry {
      OPCITEMATTRIBUTES attributes;
      CString name;
    };
    std::vector<Entry> entries;
    OPCHANDLE last = m_position;
    m_pGroup->VisitItemsAfter(m_position, celt, [&](COPCItem& item) {
      Entry e{};
      e.attributes.bActive = item.IsActive();
      e.attributes.hClient = item.GetClientHandle();
      e.attributes.hServer = item.GetServerHandle();
      e.attributes.dwAccessRights = item.GetLastAccessRights();
      e.attributes.vtRequestedDataType = item.GetRequestedType();
      e.attributes.vtCanonicalDataType = item.GetCanonicalType();
      e.attributes.dwEUType = OPC_NOENUM;
      VariantInit(&e.attributes.vEUInfo);
      e.name = item.GetName();
      entries.push_back(std::move(e));
      last = item.GetServerHandle();
    });
    const auto n = static_cast<ULONG>(entries.size());
    if (n > 0) {
      auto* items = AllocZeroed<OPCITEMATTRIBUTES>(n);
      if (!items) return E_OUTOFMEMORY;
      for (ULONG i = 0; i < n; ++i) {
        items[i] = entries[i].attributes;
        items[i].szItemID = CoTaskStrDupOrNull(entries[i].name);
        if (!items[i].szItemID && !entries[i].name.IsEmpty()) {
          FreeItemAttributes(items, i);
          return E_OUTOFMEMORY;
        }
      }
      *ppItemArray = items;
    }
    // The position moves only once the items are handed out.
    m_position = last;
    if (pceltFetched) *pceltFetched = n;
    return n == celt ? S_OK : S_FALSE;
  });
}

HRESULT CEnumItemAttributes::Skip(ULONG celt) {
  if (!m_pGroup) return S_FALSE;
  return Guarded([&]() -> HRESULT {
    ObjectLock self(this);
    ULONG skipped = 0;
    m_pGroup->VisitItemsAfter(m_position, celt, [&](COPCItem& item) {
      m_position = item.GetServerHandle();
      ++skipped;
    });
    return skipped == celt ? S_OK : S_FALSE;
  });
}

HRESULT CEnumItemAttributes::Reset() {
  if (!m_pGroup) return S_FALSE;
  ObjectLock self(this);
  m_position = 0;
  return S_OK;
}

HRESULT CEnumItemAttributes::Clone(IEnumOPCItemAttributes** ppEnumItemAttributes) {
  if (!ppEnumItemAttributes) return E_POINTER;
  *ppEnumItemAttributes = nullptr;
  CComObject<CEnumItemAttributes>* clone = nullptr;
  HRESULT hr = CComObject<CEnumItemAttributes>::CreateInstance(&clone);
  if (FAILED(hr) || !clone) return E_OUTOFMEMORY;
  {
    ObjectLock self(this);
    clone->Init(m_pGroup, m_position);
  }
  hr = clone->QueryInterface(IID_IEnumOPCItemAttributes, reinterpret_cast<void**>(ppEnumItemAttributes));
  if (FAILED(hr)) delete clone;
  return hr;
}

void FreeItemAttributes(OPCITEMATTRIBUTES* items, ULONG count) {
  if (!items) return;
  for (ULONG i = 0; i < count; ++i) {
    CoTaskMemFree(items[i].szAccessPath);
    CoTaskMemFree(items[i].szItemID);
    CoTaskMemFree(items[i].pBlob);
    VariantClear(&items[i].vEUInfo);
  }
  CoTaskMemFree(items);
}
