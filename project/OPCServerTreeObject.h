// One live OPC server object (a connected client) in the diagnostics tree, named by its client.
// It reads its statistics record afresh at every fill; once the client is gone "Misc" stays empty.
#pragma once

#include "lon/DefaultObject.h"
#include "opcserver/SpyInfo.h"
#include "platform/win32/WinTypes.h"

class COPCGroupTreeObject;

class COPCServerTreeObject : public CDefaultObject {
 public:
  COPCServerTreeObject() : CDefaultObject(L"", TreeObjectOpcServer) {}
  COPCServerTreeObject(const CString& name, DWORD key) : CDefaultObject(name.GetString(), TreeObjectOpcServer), m_dwKey(key) {}
  static COPCServerTreeObject* Create(const CServerInfo& info) { return new COPCServerTreeObject(info.m_strName, info.m_dwKey); }
  CTreeObject* CreateObject(const wchar_t* name) override;
  // The group below this server with that key; null when none.
  COPCGroupTreeObject* FindGroup(DWORD key) const;

  void FillProperties(CPropertyList& list) override;

  DWORD m_dwKey = 0;  // of the server's statistics record
};
