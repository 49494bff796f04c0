// How a tag reaches the proxy of its NV or CP. A device can be deleted, or its network closed or
// reconnected, while OPC items still own tags on its data points: the database manager detaches
// every link of the device before it deletes the proxies. A tag makes each of its calls while it
// holds the link, so a call either ends before the proxy goes or finds the link empty and
// answers as a tag without a data point.
//
// Lock order: a group's lock, then a link, then the proxy's own locks and the control. The
// manager takes a link inside its own lock; nothing that holds a link takes the manager lock.
#pragma once

#include <atomic>
#include <memory>

#include "foundation/shared/MyCriticalSection.h"

// Both proxies count their active tags in a CConnectedOPCItemsCounter.
extern std::atomic<int> g_nMonitoredDatapoints;

template <class Proxy>
class CDataPointLink {
 public:
  explicit CDataPointLink(Proxy* proxy) : m_pProxy(proxy), m_bAttached(proxy != nullptr) {}
  CDataPointLink(const CDataPointLink&) = delete;
  CDataPointLink& operator=(const CDataPointLink&) = delete;

  // Holds the link for one call; the proxy is null when the data point is gone.
  class CUse {
   public:
    explicit CUse(CDataPointLink& link) : m_lock(link.m_lock), m_pProxy(link.m_pProxy) {}
    Proxy* operator->() const { return m_pProxy; }
    explicit operator bool() const { return m_pProxy != nullptr; }
    Proxy* Get() const { return m_pProxy; }

   private:
    CMyCriticalSectionLock m_lock;
    Proxy* m_pProxy;
  };

  // Waits for the call in progress, then empties the link. The data point no longer counts as
  // monitored: the tags on it cannot lower the count any more.
  void Detach() {
    CMyCriticalSectionLock lock(m_lock);
    if (m_pProxy == nullptr) return;
    if (m_pProxy->m_nCount.exchange(0) > 0) --g_nMonitoredDatapoints;
    m_pProxy = nullptr;
    m_bAttached = false;
  }
  // Without taking the link: the answer may be out of date by the time it is used, but once
  // false it stays false.
  bool IsAttached() const { return m_bAttached.load(); }

 private:
  CMyCriticalSection m_lock;
  Proxy* m_pProxy;
  std::atomic<bool> m_bAttached;
};
