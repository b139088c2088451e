#pragma once
// Base classes of the suite's observer pattern. Notification is synchronous,
// on the caller's thread, in attach order.
#include <functional>
#include <utility>
#include <vector>

class CSubject;

enum ESubjectType : int {
  eSubjectGeneral = 0,  // the program-wide general subject
  eSubjectOther = 2,
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

class CSubject {
 public:
  virtual ESubjectType GetSubjectType() { return m_subjectType; }
  // Appends the observer; one attached twice is called twice per pass.
  virtual void Attach(CObserver* observer);
  // Removes every occurrence of the observer.
  virtual void Detach(CObserver* observer);
  // An observer attached during the pass is called in it; one that detaches
  // during the pass makes the observer behind it skipped in this pass.
  virtual void Notify();
  virtual ~CSubject() = default;

 protected:
  CSubject() = default;
  CSubject(const CSubject&) = default;
  CSubject& operator=(const CSubject&) = default;

  std::vector<CObserver*> m_observers;  // not owned
  ESubjectType m_subjectType = eSubjectOther;
};
