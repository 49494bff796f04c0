// Windows that follow the network control's events attach one of these to the document's sink.
#pragma once

#include <list>

#include "platform/com/ComTypes.h"

class CNetworkVariable;
class CKestrumSinkObserver;

// The sink's observer list: duplicates allowed, Detach removes every equal entry, notification
// from the front.
class CKestrumSinkSubject {
 public:
  virtual ~CKestrumSinkSubject() = default;
  void Attach(CKestrumSinkObserver* observer) {
    if (observer != nullptr) m_observers.push_back(observer);
  }
  void Detach(CKestrumSinkObserver* observer) { m_observers.remove(observer); }
  size_t GetObserverCount() const { return m_observers.size(); }

 protected:
  template <class F>
  void ForEachObserver(F f) {
    // A snapshot, so an observer may detach itself while it is told.
    std::list<CKestrumSinkObserver*> snapshot(m_observers);
    for (CKestrumSinkObserver* observer : snapshot) f(observer);
  }
  std::list<CKestrumSinkObserver*> m_observers;
};

class CKestrumSinkObserver {
 public:
  virtual ~CKestrumSinkObserver() = default;
  virtual void Update(CKestrumSinkSubject*, void*) {}
  virtual void OnLoading(BSTR, short, short) {}
  virtual void OnScanFinished() {}
  virtual void OnScanning(BSTR) {}
  virtual void OnInfo(long, BSTR, BSTR) {}
  virtual void OnInform2(long, IDispatch*, BSTR) {}
  // The NV is null when the event's cookie names no live proxy.
  virtual void OnNewNvValue(CNetworkVariable*, const VARIANT&) {}
  virtual void OnNewNvError(CNetworkVariable*) {}
  virtual void OnServicePin(BSTR, BSTR) {}
};
