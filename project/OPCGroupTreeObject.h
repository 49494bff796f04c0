// One OPC group of a server in the diagnostics tree. It reads its statistics record afresh at
// every fill; once the group is gone "Misc" stays empty and "Events" is left out.
#pragma once

#include "lon/DefaultObject.h"
#include "opcserver/SpyInfo.h"
#include "platform/win32/WinTypes.h"

class COPCGroupTreeObject : public CDefaultObject {
 public:
  COPCGroupTreeObject() : CDefaultObject(L"", TreeObjectOpcGroup) {}
  COPCGroupTreeObject(const CString& name, DWORD key) : CDefaultObject(name.GetString(), TreeObjectOpcGroup), m_dwKey(key) {}
  static COPCGroupTreeObject* Create(const CGroupInfo& info) { return new COPCGroupTreeObject(info.m_strName, info.m_dwKey); }
  CTreeObject* CreateObject(const wchar_t* name) override;

  void FillProperties(CPropertyList& list) override;

  DWORD m_dwKey = 0;  // of the group's statistics record
};

// The object as a group object when it is one (by its type code); null otherwise.
COPCGroupTreeObject* AsGroupTreeObject(CTreeObject* object);

// The nine call counters of a group in the order the views show them, with their names.
struct GroupCounterRow {
  const wchar_t* name;
  CGroupInfo::Counter counter;
};
extern const GroupCounterRow kGroupCounterRows[CGroupInfo::CounterCount];
