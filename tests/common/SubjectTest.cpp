#include <gtest/gtest.h>

#include <functional>
#include <string>

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
  EXPECT_EQ(s.GetSubjectType(), eSubjectOther);
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

TEST(Subject, ObserverDetachingItselfMakesTheNextOneSkipped) {
  std::string log;
  TestSubject s;
  Recorder a("a", &log), b("b", &log), c("c", &log);
  b.onUpdate = [&](CSubject* subj) { subj->Detach(&b); };
  s.Attach(&a);
  s.Attach(&b);
  s.Attach(&c);
  s.Notify();
  EXPECT_EQ(log, "ab");  // c moved into b's place and was skipped
  log.clear();
  s.Notify();
  EXPECT_EQ(log, "ac");
}
