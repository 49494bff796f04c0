// The statistics records embedded in the OPC server, group and item objects, linked into a tree
// (server, its groups, their items). Their content and links change only under the statistics
// lock of COPCToolkitManager. Keys are 32-bit numbers handed out once per record, never
// addresses, so a key kept by the GUI after its object went is simply not found.
#pragma once

#include <cstdint>
#include <map>

#include "opcserver/SpyInfo.h"
#include "platform/com/ComVariant.h"

// The text of a value as records show it ("" when it has none).
CString VariantText(const VARIANT& value);

// A fresh key, never 0, never handed out twice in practice (32-bit wrap-around aside).
DWORD NewSpyKey();

// Parent side: the children by key.
template <class Child>
class CSpyObjectT {
 public:
  CSpyObjectT() = default;
  CSpyObjectT(const CSpyObjectT&) = delete;
  CSpyObjectT& operator=(const CSpyObjectT&) = delete;
  virtual void ReleaseChildren() {
    for (auto& entry : m_children) entry.second->ReleaseChildren();
  }
  virtual ~CSpyObjectT() { m_children.clear(); }

  std::map<DWORD, Child*> m_children;
  // Set anew whenever a child comes or goes, never to a value another parent had: a reader that
  // kept it knows whether the children are still those it saw.
  uint64_t m_nChildrenVersion = 0;
};

// Child side: the parent record, null while detached.
template <class Parent>
class CParentObjectT {
 public:
  Parent* m_pParent = nullptr;
};

class COPCServerMessenger {
 public:
  typedef CServerInfo InfoType;
  CServerInfo m_info;
};
class COPCGroupMessenger {
 public:
  typedef CGroupInfo InfoType;
  CGroupInfo m_info;
};
class COPCItemMessenger {
 public:
  typedef CItemInfo InfoType;
  CItemInfo m_info;
};

class CSpyOPCItem;
class CSpyOPCGroup;

class CSpyOPCServer : public CSpyObjectT<CSpyOPCGroup>, public COPCServerMessenger {
 public:
  CSpyOPCServer() : m_dwKey(NewSpyKey()) {}
  // Under the statistics lock.
  CServerInfo GetCopy() const;
  const DWORD m_dwKey;
};

class CSpyOPCGroup : public CSpyObjectT<CSpyOPCItem>,
                     public COPCGroupMessenger,
                     public CParentObjectT<CSpyOPCServer> {
 public:
  CSpyOPCGroup() : m_dwKey(NewSpyKey()) {}
  CGroupInfo GetCopy() const;
  const DWORD m_dwKey;
};

class CSpyOPCItem : public CParentObjectT<CSpyOPCGroup>, public COPCItemMessenger {
 public:
  CSpyOPCItem() : m_dwKey(NewSpyKey()) {}
  virtual ~CSpyOPCItem() = default;
  void ReleaseChildren() {}
  // With m_info.m_strValue made from m_value: the text costs a conversion, so it is made only
  // when someone reads the record.
  CItemInfo GetCopy() const;
  const DWORD m_dwKey;
  CComVariant m_value;
};
