// The root of the OPC diagnostics tree, "OPC Server": one object per live server below it, one
// per group below each server. Objects carry the key of their statistics record, so events are
// matched by key and never by address.
#pragma once

#include "lon/DefaultObject.h"
#include "platform/win32/WinTypes.h"

class COPCDiagRootObject : public CDefaultObject {
 public:
  COPCDiagRootObject() : CDefaultObject(L"OPC Server", TreeObjectOpcRoot) {}
  // The direct child with that key; null when none.
  CDefaultObject* FindByKey(DWORD key) const;
};
