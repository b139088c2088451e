#pragma once
// The task list of the system database: [DBList], or [DBListCali] in the
// Calibration program, which keeps its tasks apart.
#include <string>

#include "CORecBase.h"
#include "ProgramIdentity.h"

class CORecDBList : public CORecSystemBase {
 public:
  explicit CORecDBList(const ProgramIdentity& program = ProgramIdentity())
      : m_calibration(program.isCalibration()) {}

  std::string m_DBName;    // the eight-letter file and data source name
  std::string m_DBDesc;    // the description the user gave the task
  std::string m_DBSerial;  // the monitor the task was made for

 protected:
  std::string GetDefaultSQL() override;
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  bool m_calibration;
};
