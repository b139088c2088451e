#pragma once
// [BankSet] of the system database: a named set of the banks of one monitor,
// with a monitor set-up into which sets are loaded and from which they are
// written.
#include <string>

#include "CORecBase.h"
#include "FilterData.h"

class DataContext;
class IListBox;

class CORecBankSet : public CORecSystemBase {
 public:
  enum SetType { kInitial = 0, kCurrent = 1, kCopy = 2, kSingle = 3 };

  // The program's context gives the measurement subject that reads the
  // monitor's filters when a set is missing.
  explicit CORecBankSet(DataContext& context);

  // The lowest ID no row has; -1 when none is free.
  int GetFreeID();
  // The ID of the first row of that type and serial; -1 when none.
  int FindSet(int setType, const std::string& serial);
  // Writes the set's row (an existing initial or current set of the serial is
  // updated) and returns its ID; -1 when no ID is free.
  int WriteSetRow(int setType, const std::string& serial, const std::string& description);
  // Writes all banks of the embedded set-up and its water-vapour filter.
  void SaveBanks(int setId);
  void SaveBanks(int setId, const MonitorSetup& setup) {
    SetSetup(setup);
    SaveBanks(setId);
  }
  // Reads the monitor's identity, then writes the embedded set-up as a set of
  // the monitor's serial: all banks, or for a single-bank set only the given
  // bank (the water-vapour filter for filter 5 or more).
  void SaveSet(int setType, const std::string& description, int filter = -1, int bank = -1);
  // Reads the set's UA numbers and banks into the embedded set-up.
  bool LoadSet(int setId);
  bool LoadSet(int setId, MonitorSetup& setup) {
    if (!LoadSet(setId)) return false;
    setup = m_setup;
    return true;
  }
  // Loads the current set of the serial; when there is none, and lookOnly is
  // false, reads the filters from the monitor and stores them as the
  // monitor's initial and current sets.
  bool LoadCurrentSet(const std::string& serial, bool lookOnly);
  // Lists the sets of the monitor's serial of one type (type 2 takes type 0
  // as well): description as text, ID as data.
  void FillList(IListBox& list, int setType);

  void SetSetup(const MonitorSetup& setup);
  MonitorSetup GetSetup() const { return m_setup; }
  bool IsSetupValid() const { return m_setupValid; }
  // UANum1..UANum5 of the current row.
  std::string GetUANum(int filter) const;

  int m_ID = 0;
  unsigned char m_SetType = kCopy;
  std::string m_SerialNum;
  platform::CTime m_SaveDate;
  std::string m_Desc;
  std::string m_UANum[5];

 protected:
  std::string GetDefaultSQL() override { return "[BankSet]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  void OpenDynaset();
  void SetUANumbers();

  DataContext& m_context;
  MonitorSetup m_setup;
  bool m_setupValid = false;
};
