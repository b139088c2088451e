#pragma once
// The Offline program's core against the simulated monitor: the program
// context of the Offline program with a task database, its measurement
// subject on a pseudo-terminal, the monitor's offline memory seeded from a
// file of tests/offline/data, the offline measurement observer and the
// up/download steps.
#include <memory>
#include <string>
#include <vector>

#include "core/StringTable.h"
#include "COOfflineMeasObs.h"
#include "OfflineMemory.h"
#include "OnlineFixture.h"
#include "UpDownload.h"
#include "core/App.h"

namespace kovo::test {

class OfflineFixture : public OnlineFixture {
 protected:
  OfflineFixture();
  ~OfflineFixture() override;

  // Fills the monitor's memory from a file of tests/offline/data.
  void LoadMemory(const std::string& file);
  // The lines the monitor received from the one numbered first on.
  std::vector<std::string> LinesFrom(size_t first) const;
  // The lines the monitor received that begin with the prefix.
  std::vector<std::string> LinesStarting(const std::string& prefix) const;
  // Waits until the monitor has received the line (it takes lines on a
  // thread of its own); false after a second without it.
  bool Received(const std::string& line) const;
  // The monitor's keyboard is free again once the link has closed (and so
  // everything sent before the close has reached the monitor).
  bool KeyboardUnlocked() const;
  // Runs a statement on the open task's database.
  void ExecuteOnTask(const std::string& sql);

  platform::ProgramTexts programTexts{"Offline", kovo::ProgramStrings("Offline")};
  kovo::sim::OfflineMemory memory;
  std::unique_ptr<COOfflineMeasObs> offline;
  std::unique_ptr<COUpDownload> transfer;
};

}  // namespace kovo::test
