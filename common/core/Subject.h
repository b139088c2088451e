#pragma once
// Base classes of the suite's observer pattern. Notification is synchronous,
// on the caller's thread, in attach order.
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

class CSubject;

// A subject's observers. An observer attached during a pass is called in
// it; one detached during a pass is not called any more, and the others are
// all called all the same.
template <class Observer>
class CObserverList {
 public:
  // Appends the observer; one attached twice is called twice per pass.
  void Attach(Observer* observer) { m_observers.push_back(observer); }
  // Removes every occurrence of the observer.
  void Detach(Observer* observer) {
    if (m_passes == 0) {
      m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
      return;
    }
    // A running pass walks the list by position: the place stays, empty,
    // until the outermost pass ends.
    std::replace(m_observers.begin(), m_observers.end(), observer, static_cast<Observer*>(nullptr));
    m_holes = true;
  }
  template <class Call>
  void ForEach(Call&& call) {
    struct Pass {
      CObserverList& list;
      explicit Pass(CObserverList& l) : list(l) { ++list.m_passes; }
      ~Pass() {
        if (--list.m_passes > 0 || !list.m_holes) return;
        list.m_holes = false;
        list.Detach(nullptr);
      }
    } pass(*this);
    // The count is read afresh: observers attached meanwhile are called too.
    for (size_t i = 0; i < m_observers.size(); ++i)
      if (Observer* observer = m_observers[i]) call(*observer);
  }

 private:
  std::vector<Observer*> m_observers;  // not owned
  int m_passes = 0;
  bool m_holes = false;
};

class CObserver {
 public:
  CObserver() = default;
  CObserver(const CObserver&) {}
  CObserver& operator=(const CObserver&) { return *this; }
  virtual void Update(CSubject* subject) = 0;
  virtual ~CObserver() = default;
};

// Runs its function on each update: for an object that watches a subject
// beside what it is.
class CCallbackObserver : public CObserver {
 public:
  explicit CCallbackObserver(std::function<void()> onUpdate) : m_onUpdate(std::move(onUpdate)) {}
  void Update(CSubject*) override { m_onUpdate(); }

 private:
  std::function<void()> m_onUpdate;
};

// A subject that tells only that it changed.
class CSubject {
 public:
  virtual void Attach(CObserver* observer) { m_observers.Attach(observer); }
  virtual void Detach(CObserver* observer) { m_observers.Detach(observer); }
  virtual void Notify();
  virtual ~CSubject() = default;

 protected:
  CSubject() = default;
  CSubject(const CSubject&) = default;
  CSubject& operator=(const CSubject&) = default;

  CObserverList<CObserver> m_observers;
};

// The observer of a subject that tells what happened: each pass hands it
// the event, which is valid during the call only.
template <class Event>
class CEventObserver {
 public:
  CEventObserver() = default;
  CEventObserver(const CEventObserver&) {}
  CEventObserver& operator=(const CEventObserver&) { return *this; }
  virtual void Update(const Event& event) = 0;
  virtual ~CEventObserver() = default;
};

// Runs its function on each event.
template <class Event>
class CEventCallback : public CEventObserver<Event> {
 public:
  explicit CEventCallback(std::function<void(const Event&)> onEvent) : m_onEvent(std::move(onEvent)) {}
  void Update(const Event& event) override { m_onEvent(event); }

 private:
  std::function<void(const Event&)> m_onEvent;
};

template <class Event>
class CEventSubject {
 public:
  void Attach(CEventObserver<Event>* observer) { m_observers.Attach(observer); }
  void Detach(CEventObserver<Event>* observer) { m_observers.Detach(observer); }
  virtual ~CEventSubject() = default;

 protected:
  void Deliver(const Event& event) {
    m_observers.ForEach([&event](CEventObserver<Event>& observer) { observer.Update(event); });
  }

 private:
  CObserverList<CEventObserver<Event>> m_observers;
};
