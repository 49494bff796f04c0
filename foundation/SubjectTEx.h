// The observer pattern of protocol events: a subject keeps its observers in the order of
// attachment and calls Update on each for every event. Used on one thread only (no lock).
#pragma once

#include <algorithm>
#include <list>
#include <vector>

template <class Subject, class Event>
class CObserverT {
 public:
  virtual ~CObserverT() = default;
  virtual void Update(Subject* subject, Event event) = 0;
};

template <class Event>
class CSubjectTEx {
 public:
  using Observer = CObserverT<CSubjectTEx<Event>, Event>;

  CSubjectTEx() = default;
  CSubjectTEx(const CSubjectTEx&) = delete;
  CSubjectTEx& operator=(const CSubjectTEx&) = delete;
  virtual ~CSubjectTEx() = default;  // observers are not ours to delete

  // An observer attached twice stands twice and is notified twice.
  virtual void Attach(Observer* observer) {
    if (observer != nullptr) m_observers.push_back(observer);
  }

  // Removes every entry of the observer; one that is not attached is ignored.
  virtual void Detach(Observer* observer) { m_observers.remove(observer); }

  // Walks a snapshot, so Update may attach or detach. An observer detached during the walk is
  // not called again (it may be gone); one attached during the walk waits for the next event.
  virtual void Notify(Event event) {
    const std::vector<Observer*> snapshot(m_observers.begin(), m_observers.end());
    for (Observer* observer : snapshot) {
      if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end()) continue;
      observer->Update(this, event);
    }
  }

  size_t GetObserverCount() const { return m_observers.size(); }

 protected:
  std::list<Observer*> m_observers;
};
