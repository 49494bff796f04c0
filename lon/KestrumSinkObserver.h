// Windows that follow the network control's events attach one of these to the document's sink.
#pragma once

#include <list>
#include <memory>

#include "platform/com/ComTypes.h"

class CNetworkVariable;
class CKestrumSinkObserver;

// The sink's observer list: duplicates allowed, Detach removes every equal entry, notification
// from the front.
class CKestrumSinkSubject {
 public:
  CKestrumSinkSubject() = default;
  CKestrumSinkSubject(const CKestrumSinkSubject&) = delete;
  CKestrumSinkSubject& operator=(const CKestrumSinkSubject&) = delete;
  virtual ~CKestrumSinkSubject() = default;
  void Attach(CKestrumSinkObserver* observer) {
    if (observer != nullptr) m_observers.push_back(observer);
  }
  void Detach(CKestrumSinkObserver* observer) { m_observers.remove(observer); }
  size_t GetObserverCount() const { return m_observers.size(); }
  // Expires with the subject, so an observer that may outlive it can tell.
  std::weak_ptr<CKestrumSinkSubject*> GetLifeToken() const { return m_life; }

 protected:
  template <class F>
  void ForEachObserver(F f) {
    // A snapshot, so an observer may detach itself while it is told.
    std::list<CKestrumSinkObserver*> snapshot(m_observers);
    for (CKestrumSinkObserver* observer : snapshot) f(observer);
  }
  std::list<CKestrumSinkObserver*> m_observers;

 private:
  std::shared_ptr<CKestrumSinkSubject*> m_life = std::make_shared<CKestrumSinkSubject*>(this);
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

// An observer's place in a subject's list for as long as both live: detaching from a subject
// that has gone does nothing.
class CKestrumSinkSubscription {
 public:
  CKestrumSinkSubscription() = default;
  CKestrumSinkSubscription(const CKestrumSinkSubscription&) = delete;
  CKestrumSinkSubscription& operator=(const CKestrumSinkSubscription&) = delete;
  ~CKestrumSinkSubscription() { Detach(); }
  void Attach(CKestrumSinkSubject* subject, CKestrumSinkObserver* observer) {
    Detach();
    if (subject == nullptr || observer == nullptr) return;
    subject->Attach(observer);
    m_subject = subject->GetLifeToken();
    m_pObserver = observer;
  }
  void Detach() {
    if (std::shared_ptr<CKestrumSinkSubject*> subject = m_subject.lock()) (*subject)->Detach(m_pObserver);
    m_subject.reset();
    m_pObserver = nullptr;
  }
  bool IsAttached() const { return !m_subject.expired(); }

 private:
  std::weak_ptr<CKestrumSinkSubject*> m_subject;
  CKestrumSinkObserver* m_pObserver = nullptr;
};
