// The group enumerator of IOPCServer::CreateGroupEnumerator: the client's groups by name
// (IEnumString) or by object (IEnumUnknown), on one object. It holds a reference on its server
// and reads the live group map at every step under the server lock; its place is the handle of
// the last group it passed, so groups added or removed meanwhile never break it.
#pragma once

#include "interfaces/opc/OpcDa.h"
#include "platform/com/ComObject.h"

class CMyOPCServer;

class CEnumGroupIDs : public CComObjectRootEx<CComMultiThreadModel>, public IEnumString, public IEnumUnknown {
 public:
  CEnumGroupIDs() = default;
  ~CEnumGroupIDs();

  BEGIN_COM_MAP(CEnumGroupIDs)
    COM_INTERFACE_ENTRY(IEnumString)
    COM_INTERFACE_ENTRY(IEnumUnknown)
  END_COM_MAP()

  // Takes a reference on server.
  void Init(CMyOPCServer* server, DWORD scope);
  // There are no public groups: the private and "all" scopes list every group, the others none.
  static bool ScopeListsGroups(DWORD scope);
  // Whether Next would give anything from the start.
  bool HasGroups();

  HRESULT Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) override;
  HRESULT Next(ULONG celt, IUnknown** rgelt, ULONG* pceltFetched) override;
  HRESULT Skip(ULONG celt) override;
  HRESULT Reset() override;
  // A clone continues from the same place, by name or by object.
  HRESULT Clone(IEnumString** ppenum) override;
  HRESULT Clone(IEnumUnknown** ppenum) override;

 private:
  // Hands out up to celt groups through give(handle, index); undoes all through undo(index) when
  // give fails, leaving the place where it was.
  template <class Give, class Undo>
  HRESULT Walk(ULONG celt, ULONG* pceltFetched, Give give, Undo undo);
  template <class I>
  HRESULT CloneAs(I** ppenum);

  CMyOPCServer* m_pServer = nullptr;
  DWORD m_dwScope = 0;
  OPCHANDLE m_hLast = 0;  // handles start at 1
};
