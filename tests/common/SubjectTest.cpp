#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Subject.h"

namespace {

class TestSubject : public CSubject {};

struct Recorder : CObserver {
  Recorder(std::string n, std::string* log) : name(std::move(n)), log(log) {}
  void Update(CSubject* s) override {
    *log += name;
    if (onUpdate) onUpdate(s);
  }
  std::string name;
  std::string* log;
  std::function<void(CSubject*)> onUpdate;
};

}  // namespace

TEST(Subject, NotifiesInAttachOrderAndKeepsDuplicates) {
  std::string log;
  TestSubject s;
  s.Notify();  // no observers: nothing happens
  Recorder a("a", &log), b("b", &log);
  s.Attach(&b);
  s.Attach(&a);
  s.Attach(&b);
  s.Notify();
  EXPECT_EQ(log, "bab");
  s.Detach(&b);  // every occurrence goes
  log.clear();
  s.Notify();
  EXPECT_EQ(log, "a");
  s.Detach(&b);  // not attached: nothing changes
  log.clear();
  s.Notify();
  EXPECT_EQ(log, "a");
}

TEST(Subject, ObserverAttachedDuringAPassIsCalledInIt) {
  std::string log;
  TestSubject s;
  Recorder a("a", &log), b("b", &log), late("L", &log);
  a.onUpdate = [&](CSubject* subj) {
    if (log.size() == 1) subj->Attach(&late);
  };
  s.Attach(&a);
  s.Attach(&b);
  s.Notify();
  EXPECT_EQ(log, "abL");
}

// Whoever detaches during a pass, every observer still attached hears it
// once; the one detached hears nothing more, in this pass or the next.
TEST(Subject, DetachingDuringAPassSkipsOnlyTheDetachedObserver) {
  struct Case {
    const char* name;
    char detacher;  // whose update detaches
    char detached;
    const char* firstPass;
    const char* nextPass;
  };
  for (const Case& c : {Case{"itself", 'b', 'b', "abc", "ac"}, Case{"one behind", 'a', 'b', "ac", "ac"},
                        Case{"one before", 'c', 'a', "abc", "bc"}, Case{"the last", 'b', 'c', "ab", "ab"}}) {
    std::string log;
    TestSubject s;
    Recorder a("a", &log), b("b", &log), c2("c", &log);
    Recorder* byName[] = {&a, &b, &c2};
    byName[c.detacher - 'a']->onUpdate = [&](CSubject* subj) { subj->Detach(byName[c.detached - 'a']); };
    for (Recorder* r : byName) s.Attach(r);
    s.Notify();
    EXPECT_EQ(log, c.firstPass) << c.name;
    log.clear();
    s.Notify();
    EXPECT_EQ(log, c.nextPass) << c.name;
  }
}

// A pass inside a pass (an observer's message loop) leaves the outer one
// whole; an observer that detaches and attaches again meanwhile is called
// again, as one attached during the pass.
TEST(Subject, ANestedPassKeepsTheOuterPassWhole) {
  std::string log;
  TestSubject s;
  Recorder a("a", &log), b("b", &log), c("c", &log);
  bool nested = false;
  a.onUpdate = [&](CSubject* subj) {
    if (nested) return;
    nested = true;
    subj->Detach(&a);
    subj->Notify();
    subj->Attach(&a);
  };
  s.Attach(&a);
  s.Attach(&b);
  s.Attach(&c);
  s.Notify();
  EXPECT_EQ(log, "a" "bc" "bca");
  log.clear();
  s.Notify();
  EXPECT_EQ(log, "bca");
}

TEST(Subject, AnEventSubjectHandsEachObserverTheEvent) {
  struct Subject : CEventSubject<int> {
    using CEventSubject::Deliver;
  } s;
  struct Seen : CEventObserver<int> {
    void Update(const int& event) override { events.push_back(event); }
    std::vector<int> events;
  } first, second;
  s.Attach(&first);
  s.Attach(&second);
  s.Deliver(4);
  s.Detach(&first);
  s.Deliver(7);
  EXPECT_EQ(first.events, std::vector<int>({4}));
  EXPECT_EQ(second.events, std::vector<int>({4, 7}));
}
