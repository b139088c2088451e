#include <gtest/gtest.h>

#include <filesystem>

#include "core/StringTable.h"
#include "OstrelTestSupport.h"
#include "SafeFile.h"
#include "core/App.h"
#include "core/MessageSink.h"

using kovo::test::TempDir;
namespace fs = std::filesystem;

namespace {

const std::string kFirstDisk = "Please insert a disk\nin the selected drive";
std::string DiskPrompt(int n) { return "Please insert disk " + std::to_string(n) + "\n in the selected drive"; }

std::string Line(int i) { return "line " + std::to_string(10 + i); }  // 7 characters, 9 bytes written

std::string Lines(int from, int to) {
  std::string s;
  for (int i = from; i < to; ++i) s += Line(i) + "\r\n";
  return s;
}

}  // namespace

class SafeFileTest : public ::testing::Test {
 protected:
  std::vector<std::string> ReadEverything(const std::string& path) {
    SafeFile file(m_space);
    std::vector<std::string> lines;
    if (!file.OpenRead(path)) return lines;
    std::string line;
    while (file.ReadLine(&line)) lines.push_back(line);
    return lines;
  }
  std::vector<std::string> Expected(int n) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) v.push_back(Line(i));
    return v;
  }

  platform::ProgramTexts m_texts{"Database Administration", kovo::ProgramStrings("Database Administration")};
  platform::ScriptedMessageSink m_messages;
  ScriptedDirChooser m_chooser;
  TempDir m_a, m_b, m_c;
  SpaceControl m_space;
};

TEST_F(SafeFileTest, SpreadsWholeLinesOverVolumesAndReadsThemBack) {
  FixedFreeSpace free(41);  // 40 usable: four lines of 9 bytes, the fifth does not fit
  m_space.SetFreeSpace(&free);
  m_chooser.Answer(m_a.Path());
  m_chooser.Answer(m_b.Path());
  m_chooser.AnswerCancel();  // disk 3: stay where disk 2 was
  {
    SafeFile file(m_space);
    ASSERT_TRUE(file.OpenWrite("TASK.MEA"));
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(file.WriteLine(Line(i)));
    EXPECT_EQ(file.GetVolume(), 3);
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(ReadAll(m_a.File("TASK.MEA")), Lines(0, 4));
  EXPECT_EQ(ReadAll(m_b.File("TASK.002")), Lines(4, 8));
  EXPECT_EQ(ReadAll(m_b.File("TASK.003")), Lines(8, 10));
  auto asked = m_chooser.Prompts();
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].prompt, kFirstDisk);
  EXPECT_EQ(asked[0].preset, "");
  EXPECT_EQ(asked[1].prompt, DiskPrompt(2));
  EXPECT_EQ(asked[1].preset, m_a.Path());
  EXPECT_EQ(asked[2].prompt, DiskPrompt(3));
  EXPECT_EQ(m_space.GetDiskNumber(), 3);

  // Reading asks for each next volume where the last one was; a wrong answer
  // shows the file error and asks again; past the last volume Cancel ends it.
  ScriptedDirChooser reading;
  reading.Answer(m_b.Path());
  reading.Answer(m_c.Path());
  reading.Answer(m_b.Path());
  EXPECT_EQ(ReadEverything(m_a.File("TASK.MEA")), Expected(10));
  asked = reading.Prompts();
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_EQ(asked[0].prompt, DiskPrompt(2));
  EXPECT_EQ(asked[0].preset, m_a.Path() + "/");
  EXPECT_EQ(asked[1].prompt, DiskPrompt(3));
  EXPECT_EQ(asked[1].preset, m_b.Path());
  EXPECT_EQ(asked[2].prompt, DiskPrompt(3));
  EXPECT_EQ(asked[3].prompt, DiskPrompt(4));
  auto texts = m_messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("The file " + m_c.File("TASK.003") + " could not be opened:", 0), 0u) << texts[0];
}

TEST_F(SafeFileTest, AFreshVolumeTooSmallForTheLineIsPassedOver) {
  FreeSpaceByDir free(41);
  free.Set(m_b.Path(), 5);
  m_space.SetFreeSpace(&free);
  m_chooser.Answer(m_a.Path());
  m_chooser.Answer(m_b.Path());  // disk 2 is nearly full
  m_chooser.Answer(m_c.Path());
  {
    SafeFile file(m_space);
    ASSERT_TRUE(file.OpenWrite("TASK.MEA"));
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(file.WriteLine(Line(i)));
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(ReadAll(m_a.File("TASK.MEA")), Lines(0, 4));
  EXPECT_EQ(ReadAll(m_b.File("TASK.002")), "");  // nothing beyond its space
  EXPECT_EQ(ReadAll(m_c.File("TASK.003")), Lines(4, 6));

  ScriptedDirChooser reading;
  reading.Answer(m_b.Path());
  reading.Answer(m_c.Path());
  EXPECT_EQ(ReadEverything(m_a.File("TASK.MEA")), Expected(6));
}

TEST_F(SafeFileTest, ALineThatFitsNowhereFailsOnceTheUserStopsChangingDisks) {
  FreeSpaceByDir free(41);
  free.Set(m_b.Path(), 5);
  m_space.SetFreeSpace(&free);
  m_chooser.Answer(m_a.Path());
  m_chooser.Answer(m_b.Path());
  m_chooser.AnswerCancel();  // disk 3 stays on the full disk
  SafeFile file(m_space);
  ASSERT_TRUE(file.OpenWrite("TASK.MEA"));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(file.WriteLine(Line(i)));
  EXPECT_FALSE(file.WriteLine(Line(4)));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(m_messages.Texts(),
            std::vector<std::string>{"A line of the backup does not fit into the free space of " + m_b.Path()});
  EXPECT_EQ(ReadAll(m_b.File("TASK.003")), "");
}

TEST_F(SafeFileTest, AnEmptyFirstVolumeSendsTheFirstReadToVolumeTwo) {
  FreeSpaceByDir free(1000);
  free.Set(m_a.Path(), 8);
  m_space.SetFreeSpace(&free);
  m_chooser.Answer(m_a.Path());
  m_chooser.Answer(m_b.Path());
  {
    SafeFile file(m_space);
    ASSERT_TRUE(file.OpenWrite("SYSTEM.SYB"));
    ASSERT_TRUE(file.WriteLine(Line(0)));
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(ReadAll(m_a.File("SYSTEM.SYB")), "");
  EXPECT_EQ(ReadAll(m_b.File("SYSTEM.002")), Lines(0, 1));

  ScriptedDirChooser reading;
  reading.Answer(m_b.Path());
  SafeFile file(m_space);
  ASSERT_TRUE(file.OpenRead(m_a.File("SYSTEM.SYB")));
  std::string line;
  ASSERT_TRUE(file.ReadLine(&line));
  EXPECT_EQ(line, Line(0));
  EXPECT_EQ(reading.Prompts().size(), 1u);
}

TEST_F(SafeFileTest, TheFirstDiskPromptAndAnExistingFile) {
  FixedFreeSpace free(0);
  m_space.SetFreeSpace(&free);
  {
    m_chooser.AnswerCancel();
    SafeFile file(m_space);
    EXPECT_FALSE(file.OpenWrite("TASK.MEA"));  // cancelled before anything is written
    EXPECT_TRUE(m_messages.Texts().empty());
  }
  // Yes: the old file's bytes count as free space (the disk itself is full here).
  WriteFile(m_a.File("TASK.MEA"), std::string(20, 'x'));
  m_space.Reset();
  m_chooser.Answer(m_a.Path());
  m_messages.Answer(platform::IDYES);
  {
    SafeFile file(m_space);
    ASSERT_TRUE(file.OpenWrite("TASK.MEA"));
    EXPECT_EQ(file.GetRemaining(), 19);
    ASSERT_TRUE(file.WriteLine(Line(0)));
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(ReadAll(m_a.File("TASK.MEA")), Lines(0, 1));
  EXPECT_EQ(m_messages.Texts(),
            std::vector<std::string>{m_a.File("TASK.MEA") + " does allready exist!\n Do you wish to overwrite"});

  // No: another directory is asked for and becomes the directory of the disk.
  free.Set(100);
  m_space.Reset();
  m_chooser.Answer(m_a.Path());
  m_messages.Answer(platform::IDNO);
  m_chooser.Answer(m_b.Path());
  {
    SafeFile file(m_space);
    ASSERT_TRUE(file.OpenWrite("TASK.MEA"));
    EXPECT_EQ(file.GetDirectory(), m_b.Path());
    ASSERT_TRUE(file.WriteLine(Line(1)));
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(ReadAll(m_a.File("TASK.MEA")), Lines(0, 1));
  EXPECT_EQ(ReadAll(m_b.File("TASK.MEA")), Lines(1, 2));
  EXPECT_EQ(m_space.GetDirectory(), m_b.Path());

  // No, then Cancel: the open fails.
  m_space.Reset();
  m_chooser.Answer(m_a.Path());
  m_messages.Answer(platform::IDNO);
  m_chooser.AnswerCancel();
  SafeFile file(m_space);
  EXPECT_FALSE(file.OpenWrite("TASK.MEA"));
  EXPECT_EQ(ReadAll(m_a.File("TASK.MEA")), Lines(0, 1));
}

TEST_F(SafeFileTest, FileErrorsAreShownInAtMost99Characters) {
  SafeFile file(m_space);
  std::string missing = m_a.File(std::string(120, 'n') + ".MEA");
  EXPECT_FALSE(file.OpenRead(missing));
  auto texts = m_messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].size(), 99u);
  // The path gives way: the reason is read whole, and so is the file's name
  // as far as its end.
  EXPECT_EQ(texts[0].rfind("The file " + m_a.Path().substr(0, 5), 0), 0u) << texts[0];
  EXPECT_NE(texts[0].find("..."), std::string::npos) << texts[0];
  EXPECT_NE(texts[0].find("nnnnn.MEA could not be opened:\nNo such file or directory"), std::string::npos) << texts[0];
  EXPECT_EQ(file.GetLastError(), texts[0]);
  std::string line;
  EXPECT_FALSE(file.ReadLine(&line));

  // A volume name is the file's name with ".%03d" in place of its extension.
  EXPECT_EQ(SafeFile::VolumeName("TASK.MEA", 1), "TASK.MEA");
  EXPECT_EQ(SafeFile::VolumeName("TASK.MEA", 12), "TASK.012");
}

TEST_F(SafeFileTest, ALineFillingAFreshVolumeToTheLastByteIsWrittenThere) {
  // Each line takes 9 bytes: a volume of 9 free bytes holds exactly one, and
  // only a volume smaller than a line refuses it.
  struct Case {
    uint64_t free;
    bool written;
  };
  for (const Case& c : {Case{9, true}, Case{10, true}, Case{8, false}}) {
    SCOPED_TRACE(c.free);
    TempDir a, b;
    FixedFreeSpace free(c.free);
    m_space.Reset();
    m_space.SetFreeSpace(&free);
    m_messages.Clear();
    ScriptedDirChooser chooser;
    chooser.Answer(a.Path());
    chooser.Answer(b.Path());
    chooser.AnswerCancel();
    SafeFile file(m_space);
    ASSERT_TRUE(file.OpenWrite("TASK.MEA"));
    EXPECT_EQ(file.WriteLine(Line(0)), c.written);
    if (!c.written) {
      EXPECT_EQ(m_messages.Texts(),
                std::vector<std::string>{"A line of the backup does not fit into the free space of " + b.Path()});
      continue;
    }
    EXPECT_TRUE(file.WriteLine(Line(1)));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadAll(a.File("TASK.MEA")), Lines(0, 1));
    EXPECT_EQ(ReadAll(b.File("TASK.002")), Lines(1, 2));
    EXPECT_TRUE(m_messages.Texts().empty());
  }
}
