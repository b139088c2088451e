#include <gtest/gtest.h>

#include "ProgramProfiles.h"
#include "StringData.h"
#include "TarnicBaseApp.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"

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
    TarnicBaseApp app(kovo::test::ProfileOf("Online"), c.args);
    EXPECT_EQ(app.GetDebugInfo(), c.debug) << c.args.size();
    EXPECT_EQ(app.GetRS232LikeYeltInfo(), c.compat) << c.args.size();
  }
}

TEST(BaseApp, TheProgramsNameTextsAndMessageCaptionComeFromItsProfileWhileItLives) {
  // A text of the program's own table that no shared table has.
  const kovo::StringTableRef own = kovo::ProgramStrings("Calibration");
  const kovo::StringEntry* text = nullptr;
  std::string shared;
  for (size_t i = 0; i < own.count && text == nullptr; ++i)
    if (!platform::LoadString(own.entries[i].id, &shared)) text = &own.entries[i];
  ASSERT_NE(text, nullptr);
  platform::ScriptedMessageSink sink;
  {
    TarnicBaseApp app(kovo::test::ProfileOf("Calibration"), {"calibration"});
    EXPECT_EQ(app.GetAppName(), "Calibration");
    EXPECT_TRUE(app.Profile().signalChannels);
    EXPECT_FALSE(app.GetCurFont()->IsCreated());
    EXPECT_EQ(platform::LoadString(text->id), text->text);
    platform::MessageBox("inside");
  }
  std::string after;
  EXPECT_FALSE(platform::LoadString(text->id, &after));
  platform::MessageBox("after");
  const auto shown = sink.Messages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "Calibration");
  EXPECT_EQ(shown[1].caption, "");
}
