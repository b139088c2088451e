#pragma once
// The Calibration program's core against the simulated monitor: the program
// context of the Calibration program, the calibration sequence observing the
// general subject in place of the measurement sequence, the calibrator on
// the device's data, the calibration measurement subject and the filter
// copies; the simulated monitor answers the calibration commands and the
// optical filter table is the simulated monitor's own.
#include <memory>
#include <string>
#include <vector>

#include "core/StringTable.h"
#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "CalibrationBanks.h"
#include "Calibrator.h"
#include "FilterCopies.h"
#include "OnlineFixture.h"
#include "core/App.h"

namespace kovo::test {

// The text of a PDF file, page by page (pdftotext); none when it cannot be
// read.
std::vector<std::string> PdfPages(const std::string& pdf);
// The [BankSet] rows of the system database: "type:description".
std::vector<std::string> BankSetRows(DataContext& context);
// The [Sequence] rows of the open calibration task: "name start-stop".
std::vector<std::string> CaliSequenceRows(DataContext& context);

class CalibrationFixture : public OnlineFixture {
 protected:
  CalibrationFixture();
  ~CalibrationFixture() override;

  // A calibration task, loaded into the calibration sequence.
  std::string NewCaliTask(const std::string& description);
  // The lines received since the mark that begin with the prefix.
  std::vector<std::string> LinesStarting(const std::string& prefix, size_t from = 0) const;
  // The [BankSet] rows of the monitor: "type:description".
  std::vector<std::string> BankSets();
  // The [Sequence] rows of the open task: "name start-stop".
  std::vector<std::string> SequenceRows();

  platform::ProgramTexts programTexts{"Calibration", kovo::ProgramStrings("Calibration")};
  kovo::sim::CalibrationBanks banks;
  Calibrator calibrator;
  COCaliSequenceObs caliSequence;
  std::unique_ptr<COCaliMeasObs> cali;
  std::unique_ptr<COFilterCopies> copies;
};

}  // namespace kovo::test
