#pragma once
// Filter copies: sets of filter banks of one monitor stored in the system
// database as a [BankSet] row with its [Bank] rows. An upload reads all banks
// or one bank from the monitor and stores them as a copy; a download writes a
// stored copy, or the chosen groups of one of its banks, back into the
// monitor. Both keep the monitor's current bank set up to date. A monitor has
// at most one copy of each set type.
#include <string>

#include "FilterData.h"

class COCaliMeasObs;
class COCaliSequence;
class Calibrator;
class IListBox;
class ProgramContext;

// The stored set was made with the filters the monitor has now.
bool SameFilters(const MonitorSetup& stored, const MonitorSetup& monitor);
// The banks, the water-vapour record and the UA numbers of a stored set; the
// identity, units and sampling stay the target's.
void TakeBanks(MonitorSetup& target, const MonitorSetup& stored);

class COFilterCopies {
 public:
  enum SetType { kInitial = 0, kCurrent = 1, kAllBanks = 2, kSingleBank = 3 };

  COFilterCopies(ProgramContext& context, COCaliMeasObs& obs, COCaliSequence& sequence, Calibrator& calibrator);

  // The copies of the connected monitor: all-bank copies (with its initial
  // set) or single-bank copies; description as text, set ID as data.
  void ListCopies(IListBox& list, bool allBanks);
  // "%d-%m-%y: " for all banks; with the filter and bank for a single one.
  std::string DefaultDescription(bool allBanks, int filter, int bank) const;

  // Uploads and stores the copy. A failed upload stores nothing.
  bool Upload(bool allBanks, int filter, int bank, const std::string& description);
  // Downloads the copy with that set ID: all banks, or the stored bank's
  // groups chosen by the three boxes (zero point, humidity, gas span).
  bool Download(int setId, bool allBanks, bool zeroPoint, bool humidity, bool gasSpan);

  // The monitor's current bank set of the serial.
  bool LoadCurrentSet(const std::string& serial, MonitorSetup& stored);
  bool StoreCurrentSet(const std::string& serial);
  // Rewrites the [Bank] rows of the current bank set from the device; false,
  // after the database's message, when they could not be written.
  bool RewriteCurrentSet();

 private:
  bool DownloadAll(int setId);
  bool DownloadSingle(int setId, unsigned mask);
  // The message after a download that the monitor received whole.
  static void ShowFinished(const std::string& banks);
  // Asks whether the banks of changed filters may be blanked; false on No.
  bool AcceptChangedFilters(const MonitorSetup& stored, bool blank, MonitorSetup& target);
  // Replaces the copy of that type, row and banks; -1 when it cannot.
  int WriteCopyRow(int setType, const std::string& description);
  std::string Serial() const;

  ProgramContext& m_context;
  COCaliMeasObs& m_obs;
  COCaliSequence& m_sequence;
  Calibrator& m_calibrator;
};
