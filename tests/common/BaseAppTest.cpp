#include <gtest/gtest.h>

#include "TarnicBaseApp.h"

namespace {

struct Case {
  std::vector<std::string> args;
  int debug, compat;
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

TEST(ProgramIdentity, ComparesTheNameExactly) {
  EXPECT_FALSE(ProgramIdentity().isOnline());  // no program
  EXPECT_FALSE(ProgramIdentity("online").isOnline());
  struct Name {
    const char* name;
    bool (ProgramIdentity::*test)() const;
  } names[] = {{"Calibration", &ProgramIdentity::isCalibration},
               {"Presentation", &ProgramIdentity::isPresentation},
               {"Offline", &ProgramIdentity::isOffline},
               {"Online", &ProgramIdentity::isOnline},
               {"Database Administration", &ProgramIdentity::isOstrel}};
  for (const Name& n : names) {
    const ProgramIdentity program(n.name);
    for (const Name& m : names) EXPECT_EQ((program.*m.test)(), &m == &n) << n.name << " / " << m.name;
  }
}
