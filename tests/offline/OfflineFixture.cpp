#include "OfflineFixture.h"

#include <chrono>
#include <thread>

#include "COMeasObs.h"
#include "db/Database.h"

namespace kovo::test {

OfflineFixture::OfflineFixture() : OnlineFixture("Offline") {
  memory.Install(*sim);
  GiveBanks();
  offline = std::make_unique<COOfflineMeasObs>(program);
  transfer = std::make_unique<COUpDownload>(program, *offline);
  transfer->SetReplyDeadline(1000);
}

OfflineFixture::~OfflineFixture() {
  transfer.reset();
  offline.reset();
  // Nothing may reach the memory's answers once it is gone.
  obs->Disconnect();
}

void OfflineFixture::LoadMemory(const std::string& file) {
  memory.ClearRecords();
  memory.Load(std::string(KOVO_OFFLINE_DATA) + "/" + file);
}

std::vector<std::string> OfflineFixture::LinesFrom(size_t first) const {
  const auto lines = sim->Lines();
  return first < lines.size() ? std::vector<std::string>(lines.begin() + static_cast<long>(first), lines.end())
                              : std::vector<std::string>();
}

std::vector<std::string> OfflineFixture::LinesStarting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& l : sim->Lines())
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  return out;
}

bool OfflineFixture::Received(const std::string& line) const {
  for (int waited = 0; waited < 1000; waited += 5) {
    if (Sent(line)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool OfflineFixture::KeyboardUnlocked() const {
  for (int waited = 0; waited < 1000; waited += 5) {
    if (!sim->State().keyboardLocked) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

void OfflineFixture::ExecuteOnTask(const std::string& sql) {
  platform::CDatabase db;
  db.Open("ODBC;DSN=TARNIC:" + setup->GetDatabaseName());
  db.ExecuteSQL(sql);
  db.Close();
}

}  // namespace kovo::test
