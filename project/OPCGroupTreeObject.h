// One OPC group of a server in the diagnostics tree.
#pragma once

#include "lon/DefaultObject.h"
#include "platform/win32/WinTypes.h"

class COPCGroupTreeObject : public CDefaultObject {
 public:
  COPCGroupTreeObject() : CDefaultObject(L"", TreeObjectOpcGroup) {}
  COPCGroupTreeObject(const CString& name, DWORD key) : CDefaultObject(name.GetString(), TreeObjectOpcGroup), m_dwKey(key) {}
  CTreeObject* CreateObject(const wchar_t* name) override;

  DWORD m_dwKey = 0;  // of the group's statistics record
};
