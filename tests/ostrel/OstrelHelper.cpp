// A process of its own for the tests of the Database administration program,
// in the program folder and data-source file of its environment:
//   open NAME DESCRIPTION        opens the task as the measurement programs
//                                do ("opened" once it has) and keeps it open
//                                until it is killed;
//   restore BACKUP DESCRIPTION [STOP]
//                                restores the backup over the tasks of that
//                                description as the program does, saying each
//                                step it reaches ("journal", "made",
//                                "volume 2", ..., "restored", "switched",
//                                "settled"), and waits at STOP to be killed.
// Messages the program would show are written out ("message: ...").
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "BackupFile.h"
#include "DBDoc.h"
#include "COSystemSetup.h"
#include "DataContext.h"
#include "DataSources.h"
#include "SpaceControl.h"
#include "TaskRestore.h"
#include "core/App.h"
#include "core/StringTable.h"
#include "core/MessageSink.h"

namespace {

std::string g_stop;

void Say(const std::string& step) {
  std::printf("%s\n", step.c_str());
  std::fflush(stdout);
  if (step == g_stop)
    for (;;) ::pause();
}

class Printed : public platform::MessageSink {
 public:
  int Show(const std::string& text, const std::string&, unsigned type) override {
    Say("message: " + text);
    return platform::DefaultAnswer(type);
  }
};

// Every later volume lies beside the first.
class SameFolder : public IDirChooser {
 public:
  bool Choose(const std::string& prompt, const std::string& preset, std::string* dir) override {
    const char* disk = std::strstr(prompt.c_str(), "disk ");
    Say("volume " + std::string(disk ? disk + 5 : "?").substr(0, std::strcspn(disk ? disk + 5 : "?", "\n")));
    *dir = preset;
    return true;
  }
};

class ToldRestore : public ostrel::TaskRestore {
 public:
  using TaskRestore::TaskRestore;

 protected:
  void Reached(Step step) override {
    static const char* const kNames[] = {"journal", "made", "restored", "switched", "settled"};
    Say(kNames[static_cast<int>(step)]);
  }
};

int Restore(const std::string& backup, const std::string& description) {
  ostrel::DataSources sources;
  if (!sources.OpenSystem()) return 3;
  SameFolder folder;
  SetDirChooser(&folder);
  CBackupFile file;
  CBackupHeader header;
  if (!file.OpenRead(backup) || !file.ReadHeader(&header)) return 4;
  ToldRestore restore(sources, header.Kind());
  if (!restore.Begin(description, sources.TaskNames(description, header.Kind()))) return 5;
  return restore.Run(file, description, header.serial) ? 0 : 6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string mode = argv[1];
  platform::ProgramTexts texts{"Database Administration", kovo::ProgramStrings("Database Administration")};
  Printed printed;
  platform::SetMessageSink(&printed);
  if (mode == "open" && argc >= 4) {
    DataContext context(ProgramProfile{"Online"});
    const bool opened = context.Setup().OpenSystemDatabase() && CDBDoc::OpenTask(context, argv[2], argv[3]);
    Say(opened ? "opened" : "refused");
    for (;;) ::pause();
  }
  if (mode == "restore" && argc >= 4) {
    if (argc >= 5) g_stop = argv[4];
    return Restore(argv[2], argv[3]);
  }
  return 2;
}
