// Owns the network control of one open project: creates it, advises the event sink, selects the
// network interfaces, opens the LON database and keeps one record per device. Also builds the
// OPC address space and the device tree from the records, and makes tags for item IDs.
//
// The node list, the network object and the address space are guarded by one manager lock, so
// OPC threads (tag factory, address space) never see them while Connect, ClearNodes or
// DeleteNode change them.
#pragma once

#include <atomic>
#include <list>
#include <memory>

#include "foundation/shared/MyCriticalSection.h"
#include "lon/KestrumSink.h"
#include "lon/LonNode.h"
#include "platform/com/DispatchDriver.h"

class CDefaultObject;
class CLonTagsGroup;
class COPCTag;
class CLonDatabaseManager;

// Holds the proxies in their monitor queues; told before proxies are deleted.
class CLonProxyUser {
 public:
  virtual ~CLonProxyUser() = default;
  virtual void OnNodesRemoving(const std::list<CLonNode*>& nodes) = 0;
};

class CKestrumWrapper {
 public:
  explicit CKestrumWrapper(CLonDatabaseManager* owner) : m_pOwner(owner) {}
  virtual ~CKestrumWrapper() = default;
  COleDispatchDriver GetNetworkInterface(const CString& name);

 private:
  CLonDatabaseManager* m_pOwner;
};

enum LonDatabaseMode { LonModeAuto = 0, LonModeSimulate = 1, LonModeUploadAll = 2, LonModeUploadNew = 3 };

class CLonDatabaseManager {
 public:
  CLonDatabaseManager();
  CLonDatabaseManager(const CLonDatabaseManager&) = delete;
  CLonDatabaseManager& operator=(const CLonDatabaseManager&) = delete;
  ~CLonDatabaseManager();

  bool Connect();
  bool Open(int mode, const CString& databasePath, const CString& interfaceName, const CString& hostInterfaceName);
  COleDispatchDriver GetNetworkInterface(const CString& name);
  void RefreshNodes();
  void ClearNodes();

  // A new root of the OPC address space; the caller owns it.
  CLonTagsGroup* BuildTagTree(int mode, const CString& rootName);
  // The manager's own address space, built on first use under the manager lock and dropped
  // by Connect, ClearNodes and DeleteNode (the next call builds it again).
  CLonTagsGroup* GetTagTree(int mode, const CString& rootName);
  void DropTagTree();
  // Counts every drop, so a holder of a branch can tell that its tree has gone.
  unsigned GetTagTreeGeneration() const { return m_nTreeGeneration.load(); }
  void BuildDeviceTree(CDefaultObject* parent, int mode);
  // A new tag owned by the caller, or null when the ID names no NV or CP.
  COPCTag* CreateTagFromItemID(const CString& itemId);
  // Removes one device (its tree object and record); false after a failing control call.
  bool DeleteNode(CDefaultObject* nodeObject);

  // The one place where the tags of OPC items let go of the devices' data points: every NV and
  // CP of the nodes is detached from its tags (waiting for a call in progress), so that items on
  // them read bad quality and write nothing. ClearNodes, Connect and DeleteNode call it before
  // they delete records; whoever else stops a network calls it with GetNodes() first.
  void DetachDataPoints(const std::list<CLonNode*>& nodes);

  void AttachProxyUser(CLonProxyUser* user);
  void DetachProxyUser(CLonProxyUser* user);

  CKestrumSink* GetSink() { return m_pSink; }
  bool IsConnected() const { return m_bConnected; }
  std::list<CLonNode*> GetNodes();
  CMyCriticalSection& GetLock() { return m_lock; }

  COleDispatchDriver m_control;
  CKestrumWrapper m_wrapper;
  CKestrumSink* m_pSink = nullptr;
  COleDispatchDriver m_network;
  std::list<CLonNode*> m_nodes;
  std::atomic<bool> m_bConnected{false};  // read by OPC threads without the manager lock

 private:
  void Advise();
  void Unadvise();
  void ClearNodesLocked();
  void DeleteNodeRecord(CLonNode* node);

  CMyCriticalSection m_lock;
  std::unique_ptr<CLonTagsGroup> m_pTagTree;
  std::atomic<unsigned> m_nTreeGeneration{0};
  std::list<CLonProxyUser*> m_proxyUsers;
  IID m_eventIid{};
  bool m_bAdvised = false;
};

// The names of the address-space levels in a naming mode (0 "2.08", 1 "2.12", 2 "2.2x").
CString DomainGroupName(const CString& domainText);
CString SubnetGroupName(int mode, const CString& domainText, int subnet);
CString NodeGroupName(int mode, const CString& domainText, int subnet, const CString& programId, const CString& name,
                      int node, const CString& location);
