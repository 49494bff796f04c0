// The root of the OPC diagnostics tree, "OPC Server": one object per live server below it, one
// per group below each server. Objects carry the key of their statistics record, so events are
// matched by key and never by address.
#pragma once

#include "lon/DefaultObject.h"
#include "opcserver/SpyInfo.h"
#include "platform/win32/WinTypes.h"

class COPCServerTreeObject;
class COPCGroupTreeObject;

class COPCDiagRootObject : public CDefaultObject {
 public:
  COPCDiagRootObject() : CDefaultObject(L"OPC Server", TreeObjectOpcRoot) {}

  // A new server object below the root; null (nothing added) when the server is gone already.
  COPCServerTreeObject* AddServer(const CServerInfo& info);
  COPCServerTreeObject* FindServer(DWORD key) const;
  // A new group object below its server's object; null when that object is missing.
  COPCGroupTreeObject* AddGroup(const CGroupInfo& info);
  // Only below server objects.
  COPCGroupTreeObject* FindGroup(DWORD key) const;

  // "Misc": the product banner, the servers count and, with a running server, the start time.
  void FillProperties(CPropertyList& list) override;
};

// The product's one-line banner: version and legal notice, line breaks as ", ".
CString FormatDiagBanner();
