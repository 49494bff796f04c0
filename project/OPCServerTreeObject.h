// One live OPC server object (a connected client) in the diagnostics tree, named by its client.
#pragma once

#include "lon/DefaultObject.h"
#include "platform/win32/WinTypes.h"

class COPCServerTreeObject : public CDefaultObject {
 public:
  COPCServerTreeObject() : CDefaultObject(L"", TreeObjectOpcServer) {}
  COPCServerTreeObject(const CString& name, DWORD key) : CDefaultObject(name.GetString(), TreeObjectOpcServer), m_dwKey(key) {}
  CTreeObject* CreateObject(const wchar_t* name) override;
  // The group below this server with that key; null when none.
  CDefaultObject* FindByKey(DWORD key) const;

  DWORD m_dwKey = 0;  // of the server's statistics record
};
