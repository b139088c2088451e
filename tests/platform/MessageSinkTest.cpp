#include <gtest/gtest.h>

#include <thread>

#include "core/MessageSink.h"
#include "core/StringTable.h"

TEST(MessageSink, ScriptedAnswersThenDefaultButtons) {
  platform::ProgramTexts texts("Online", kovo::ProgramStrings("Online"));
  platform::ScriptedMessageSink sink;
  sink.Answer(platform::IDNO);
  EXPECT_EQ(platform::MessageBox("Stop?", platform::MB_YESNO), platform::IDNO);
  EXPECT_EQ(platform::MessageBox("Stop again?", platform::MB_YESNO), platform::IDYES);
  EXPECT_EQ(platform::MessageBox("Retry?", platform::MB_RETRYCANCEL), platform::IDRETRY);
  EXPECT_EQ(platform::MessageBox("Note", platform::MB_OK, "Title"), platform::IDOK);
  auto shown = sink.Messages();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].caption, "Online");  // the program's name by default
  EXPECT_EQ(shown[3].caption, "Title");
}

TEST(MessageSink, RestoresThePreviousSinkAndTakesMessagesFromAnyThread) {
  platform::MessageSink* before = &platform::Messages();
  {
    platform::ScriptedMessageSink sink;
    std::thread t([] { platform::MessageBox("from a worker"); });
    t.join();
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"from a worker"});
  }
  EXPECT_EQ(&platform::Messages(), before);
}
