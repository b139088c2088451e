#include "CalibrationFixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "COGenSub.h"
#include "COMeasObs.h"
#include "CORecBankSet.h"
#include "COSystemSetup.h"
#include "core/Text.h"

namespace kovo::test {

std::vector<std::string> PdfPages(const std::string& pdf) {
  const std::string txt = pdf + ".txt";
  const std::string command = "pdftotext -layout '" + pdf + "' '" + txt + "'";
  if (std::system(command.c_str()) != 0) return {};
  std::ifstream in(txt);
  std::stringstream all;
  all << in.rdbuf();
  std::remove(txt.c_str());
  std::vector<std::string> pages;
  std::string page;
  for (std::istringstream split(all.str()); std::getline(split, page, '\f');) pages.push_back(page);
  // The text ends with a form feed after the last page.
  if (!pages.empty() && pages.back().find_first_not_of(" \n") == std::string::npos) pages.pop_back();
  return pages;
}

CalibrationFixture::CalibrationFixture()
    : OnlineFixture("Calibration"),
      calibrator(obs->GetDevice().Data()),
      caliSequence(program, [this] { return cali && cali->IsConnected(); }) {
  banks.Install(*sim);
  LoadOpticalFilterTable(kovo::sim::CalibrationBanks::FilterTablePath());
  // The calibration sequence keeps the run's start and stop, not the
  // measurement sequence.
  genSub.Detach(&program.Sequence());
  genSub.Attach(&caliSequence);
  cali = std::make_unique<COCaliMeasObs>(program, caliSequence, calibrator);
  // Readings that arrive together still come apart, only sooner.
  cali->SetReadingPause(5);
  copies = std::make_unique<COFilterCopies>(program, *cali, caliSequence, calibrator);
}

CalibrationFixture::~CalibrationFixture() {
  genSub.Detach(&caliSequence);
  caliSequence.Close();
  // Nothing may reach the banks' answers once they are gone.
  cali->Disconnect();
  copies.reset();
  cali.reset();
}

std::string CalibrationFixture::NewCaliTask(const std::string& description) {
  setup->CreateMeasDatabase(description);
  setup->SetDatabaseDesc(description);
  caliSequence.Load();
  caliSequence.SerialNum = obs->GetDevice().GetSetup().m_serial.ToString();
  caliSequence.Save();
  return setup->GetDatabaseName();
}

std::vector<std::string> CalibrationFixture::LinesStarting(const std::string& prefix, size_t from) const {
  std::vector<std::string> out;
  const auto lines = sim->Lines();
  for (size_t i = from; i < lines.size(); ++i)
    if (lines[i].compare(0, prefix.size(), prefix) == 0) out.push_back(lines[i]);
  return out;
}

std::vector<std::string> BankSetRows(DataContext& context) {
  std::vector<std::string> rows;
  CORecBankSet rec(context);
  rec.m_strSort = "[ID]";
  rec.Open();
  for (; !rec.IsEOF(); rec.MoveNext()) rows.push_back(std::to_string(rec.m_SetType) + ":" + rec.m_Desc);
  rec.CloseWithDatabase();
  return rows;
}

std::vector<std::string> CaliSequenceRows(DataContext& context) {
  std::vector<std::string> rows;
  COCaliSequence probe(context, [] { return false; });
  for (int n = 1; probe.LoadByNumber(n); ++n)
    rows.push_back(probe.Name + platform::Format(" %d-%d", probe.StartNum, probe.StopNum));
  probe.Close();
  return rows;
}

std::vector<std::string> CalibrationFixture::BankSets() { return BankSetRows(program); }

std::vector<std::string> CalibrationFixture::SequenceRows() { return CaliSequenceRows(program); }

}  // namespace kovo::test
