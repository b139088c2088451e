#include <gtest/gtest.h>

#include "TarnicBaseApp.h"

namespace {

struct Case {
  std::vector<std::string> args;
  int debug, compat;
};

class CountingAccessor : public GlobalAccessor {
 public:
  explicit CountingAccessor(int* destroyed) : m_destroyed(destroyed) {}
  ~CountingAccessor() override { ++*m_destroyed; }

 private:
  int* m_destroyed;
};

}  // namespace

TEST(BaseApp, FlagsComeFromTheFirstCharacterOfTheFirstTwoArguments) {
  const Case cases[] = {
      {{"online"}, false, false},
      {{"online", "1"}, true, false},
      {{"online", "0", "1"}, false, true},
      {{"online", "10", "1x"}, true, true},
      {{"online", "", "1"}, false, true},
      {{"online", "2", "01"}, false, false},
  };
  for (const Case& c : cases) {
    TarnicBaseApp app("Online", c.args);
    EXPECT_EQ(app.GetDebugInfo(), c.debug) << c.args.size();
    EXPECT_EQ(app.GetRS232LikeYeltInfo(), c.compat) << c.args.size();
  }
}

TEST(BaseApp, FirstRegistrationWinsAndTheAccessorIsDestroyedWithTheApp) {
  int destroyed = 0;
  auto* first = new CountingAccessor(&destroyed);
  CountingAccessor second(&destroyed);
  {
    struct App : TarnicBaseApp {
      using TarnicBaseApp::TarnicBaseApp;
      using TarnicBaseApp::m_register;
    } app("Online", {"online"});
    EXPECT_TRUE(app.m_register.Register(first));
    EXPECT_FALSE(app.m_register.Register(&second));
    EXPECT_EQ(app.GetTool(), first);
    EXPECT_EQ(AppRegister::GetAccessor(), first);
    EXPECT_EQ(AppTool::GetBaseApp(), &app);
    EXPECT_EQ(AppTool::GetDocument(), nullptr);
    EXPECT_FALSE(app.GetCurFont()->IsCreated());
    EXPECT_EQ(app.GetCursorTool(), nullptr);
  }
  EXPECT_EQ(destroyed, 1);  // the registered one, through its destructor
  EXPECT_EQ(AppRegister::GetAccessor(), nullptr);
  EXPECT_EQ(AppTool::GetBaseApp(), nullptr);
  EXPECT_EQ(AppTool::GetDocument(), nullptr);
}

TEST(BaseApp, GlobalAccessorGivesNothing) {
  GlobalAccessor a;
  IGlobalAccessor& i = a;
  EXPECT_EQ(i.GetDocumentDB(), nullptr);
  EXPECT_EQ(i.GetGenSub(), nullptr);
  EXPECT_EQ(i.GetMeasurement(), nullptr);
  EXPECT_EQ(i.GetActiveSequence(), nullptr);
  EXPECT_EQ(i.GetCursorStatus(), nullptr);
  EXPECT_EQ(i.GetWindowRec(), nullptr);
  EXPECT_EQ(i.GetPCBeep(), nullptr);
  EXPECT_EQ(i.GetMonBeep(), nullptr);
  EXPECT_EQ(i.GetRel1Beep(), nullptr);
  EXPECT_EQ(i.GetRel2Beep(), nullptr);
  EXPECT_EQ(i.GetAlarmStatus(), nullptr);
  EXPECT_EQ(i.GetSequence(), nullptr);
}

TEST(BaseApp, AppFinderComparesTheNameExactly) {
  EXPECT_FALSE(AppFinder::isOnline());  // no program
  {
    TarnicBaseApp app("online", {"x"});
    EXPECT_FALSE(AppFinder::isOnline());
  }
  struct Name {
    const char* name;
    bool (*test)();
  } names[] = {{"Calibration", AppFinder::isCalibration},   {"Presentation", AppFinder::isPresentation},
               {"Offline", AppFinder::isOffline},           {"Online", AppFinder::isOnline},
               {"Database Administration", AppFinder::isOstrel}};
  for (const Name& n : names) {
    TarnicBaseApp app(n.name, {"x"});
    for (const Name& m : names) EXPECT_EQ(m.test(), &m == &n) << n.name << " / " << m.name;
  }
}
