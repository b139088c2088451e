#pragma once
// A task list of the system database: [DBList] of the measurement tasks, or
// [DBListCali] of the calibration tasks, which the Calibration program keeps
// apart.
#include <string>

#include "CORecBase.h"

class CORecDBList : public CORecSystemBase {
 public:
  explicit CORecDBList(bool calibration = false) : m_calibration(calibration) {}

  std::string m_DBName;    // the eight-letter file and data source name
  std::string m_DBDesc;    // the description the user gave the task
  std::string m_DBSerial;  // the monitor the task was made for

 protected:
  std::string GetDefaultSQL() override;
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  bool m_calibration;
};
