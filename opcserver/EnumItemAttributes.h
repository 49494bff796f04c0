// IEnumOPCItemAttributes over the items of one group. The enumerator holds a reference on its
// group and a position (the server handle of the last item it handed out); every step walks
// the group's live item map under the group lock, so items removed meanwhile are skipped and
// items added after the position still come. Next allocates only what it returns.
#pragma once

#include "interfaces/opc/OpcDa.h"
#include "platform/com/ComObject.h"

class CMyOPCGroup;

class CEnumItemAttributes : public CComObjectRootEx<CComMultiThreadModel>, public IEnumOPCItemAttributes {
 public:
  CEnumItemAttributes() = default;
  ~CEnumItemAttributes();

  BEGIN_COM_MAP(CEnumItemAttributes)
  COM_INTERFACE_ENTRY(IEnumOPCItemAttributes)
  END_COM_MAP()

  // Walks `group` (a reference is taken) from the item after the server handle `position`
  // (0: from the first).
  void Init(CMyOPCGroup* group, OPCHANDLE position = 0);

  // S_OK when celt items were fetched; S_FALSE with fewer (and a null array for none).
  HRESULT Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray, ULONG* pceltFetched) override;
  HRESULT Skip(ULONG celt) override;
  HRESULT Reset() override;
  // A new enumerator on the same group at the same position.
  HRESULT Clone(IEnumOPCItemAttributes** ppEnumItemAttributes) override;

 private:
  CMyOPCGroup* m_pGroup = nullptr;
  OPCHANDLE m_position = 0;  // guarded by the object lock
};

// Frees what an array from Next holds (item IDs, access paths, blobs, EU infos) and the array.
void FreeItemAttributes(OPCITEMATTRIBUTES* items, ULONG count);
