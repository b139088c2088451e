#pragma once
// The settings of the whole suite and the connection to the system database.
// One instance per program, for the program's whole run; its settings are
// the one row of [Global] in the system database. It also keeps the task list
// open, registers the data sources and creates new task databases.
#include <memory>
#include <string>
#include <vector>

#include "CORecDBList.h"
#include "CORecGlobal.h"
#include "COUnits.h"
#include "DBFiles.h"
#include "core/DeviceContext.h"

class DataContext;
class IListBox;
struct MonitorSetup;
namespace platform::db {
class FileClaim;
}

class COSystemSetup {
 public:
  // The program's data context, which owns it.
  explicit COSystemSetup(DataContext& context);
  ~COSystemSetup();
  COSystemSetup(const COSystemSetup&) = delete;
  COSystemSetup& operator=(const COSystemSetup&) = delete;

  // The folder holding data/ and prototyp/, ending in '/'; taken once, on the
  // first call ($KOVO_PROGRAM_FOLDER, else the executable's folder).
  std::string GetProgramFolder() const;

  void SetFont(const platform::LOGFONT& font) { m_font = font; }
  platform::LOGFONT GetFont() const { return m_font; }
  // Height and width two thirds of the display font's, truncated.
  platform::LOGFONT GetSmallFont();
  platform::LOGFONT GetLargeFont();

  // Also hands the port to the monitor's data link.
  void SetComPort(unsigned char port);
  unsigned char GetComPort() const { return m_comPort; }

  void SetHumidityUnit(unsigned char unit) { m_humidityUnit = unit; }
  void SetPressureUnit(unsigned char unit) { m_pressureUnit = unit; }
  void SetTempUnit(unsigned char unit) { m_tempUnit = unit; }
  void SetGasConcUnit(unsigned char unit) { m_gasConcUnit = unit; }
  void SetLengthUnit(unsigned char unit) { m_lengthUnit = unit; }
  COHumiUnit GetHumidityUnit() const { return COHumiUnit(m_humidityUnit); }
  COPresUnit GetPressureUnit() const { return COPresUnit(m_pressureUnit); }
  COTempUnit GetTempUnit() const { return COTempUnit(m_tempUnit); }
  COConcUnit GetGasConcUnit() const { return COConcUnit(m_gasConcUnit); }
  COLengUnit GetLengthUnit() const { return COLengUnit(m_lengthUnit); }
  // The five units and the normalisation temperature into a monitor set-up.
  void FillMonitorUnits(MonitorSetup& s) const;
  // Air pressures are kept in kPa and lengths in metres; these give them in
  // the display units and take them back.
  float PressureFromKpa(float kpa) const { return COPresUnit(COPresUnit::kpa).Convert(GetPressureUnit(), kpa); }
  float PressureToKpa(float value) const { return GetPressureUnit().Convert(COPresUnit(COPresUnit::kpa), value); }
  float LengthFromMetres(float m) const { return COLengUnit(COLengUnit::metre).Convert(GetLengthUnit(), m); }
  float LengthToMetres(float value) const { return GetLengthUnit().Convert(COLengUnit(COLengUnit::metre), value); }
  std::string GetHumidityUnitText() const;
  std::string GetPressureUnitText() const;
  std::string GetGasConcUnitText() const;
  std::string GetLengthUnitText() const;
  // Given and returned in the display temperature unit; kept in °C.
  void SetNormTemp(float value);
  double GetNormTemp() const;
  double GetNormTempIn(const COTempUnit& unit) const;

  // The open task database: its eight-letter name (no folder, no extension)
  // and its description.
  void SetDatabaseName(const std::string& name) { m_databaseName = name; }
  std::string GetDatabaseName() const { return m_databaseName; }
  void SetDatabaseDesc(const std::string& desc) { m_databaseDesc = desc; }
  std::string GetDatabaseDesc() const { return m_databaseDesc; }
  // Marking a task open first tells the general subject (update kind 0), so
  // its observers still see the previous flag. Marked closed, the task's
  // file is no longer claimed.
  void SetMeasDatabaseOpen(bool open);
  bool IsMeasDatabaseOpen() const { return m_measDatabaseOpen; }
  // May the task close? Asks to stop a running measurement; saves the open
  // windows and marks the task closed when it may.
  bool CanCloseDatabase();

  // Creates the databases a fresh installation lacks, registers the system
  // data source, opens the task list and the settings row (kept in edit mode
  // for the whole run). False when any of it fails; SystemDatabaseFailure
  // then says why.
  bool OpenSystemDatabase();
  const std::string& SystemDatabaseFailure() const { return m_systemFailure; }
  // Writes the settings row; a failure is shown and the settings stay.
  void Save();
  // The tasks of the connected monitor (all of them while working offline),
  // their descriptions in the list, their names as the entries' data, and
  // their serials parallel to the list's order.
  void FillDatabaseList(IListBox& list, std::vector<std::string>& serials);
  bool IsDescriptionInList(const std::string& description);

  // Registers the data source of that kind (dbfiles::SourceKind); on failure
  // shows message 144 and throws.
  void ConfigDataSource(int kind);
  // Claims the file of the task named by GetDatabaseName for this program
  // and registers its data source (kMeasTask or kCaliTask): no other program
  // deletes or replaces the file while the task is open. Throws COException
  // (message 160) naming the file and why when it is missing or is being
  // deleted or replaced.
  void OpenTaskFile(int kind);
  // The open task's file was deleted or replaced under the program by
  // something that ignored its claim.
  bool IsTaskFileGone() const;
  // The sentence that tells the person so, once per task opened: empty
  // while the file is there, and once it has been given.
  std::string TakeTaskFileGoneNotice();
  bool DatabaseExists(const std::string& name) const;
  // Makes a new task database for the description: an unused eight-letter
  // name, a copy of the prototype, its task-list row; then it is the current
  // database. A failure throws and leaves no task behind.
  void CreateMeasDatabase(const std::string& description);
  void AddDatabaseToList(const std::string& name, const std::string& description);

  // The eight-letter name a description starts from, and the name that
  // follows a taken one.
  static std::string NameFromDescription(const std::string& description);
  static std::string NextName(const std::string& name);

  // Database files by name.
  std::string DataFile(const std::string& name) const;
  std::string PrototypeFile(const std::string& name) const;

 private:
  friend class CORecGlobal;
  void ReadTaskList();

  DataContext& m_context;
  std::string m_databaseDesc;
  std::string m_databaseName;
  CORecDBList m_dbList;
  CORecGlobal m_global;
  bool m_measDatabaseOpen = false;
  std::unique_ptr<platform::db::FileClaim> m_taskClaim;
  std::unique_ptr<platform::db::FileClaim> m_systemClaim;
  bool m_taskGoneTold = false;
  std::string m_systemFailure;
  std::string m_openDB;  // [OpenDB], carried through
  mutable std::string m_programFolder;
  mutable bool m_programFolderSet = false;
  platform::LOGFONT m_font;
  // Font fields the display font does not carry; kept as they were read.
  unsigned char m_fontOutPrecision = 0;
  unsigned char m_fontClipPrecision = 0;
  unsigned char m_fontQuality = 0;
  unsigned char m_fontPitchAndFamily = 0;
  unsigned char m_comPort = 0;
  unsigned char m_humidityUnit = 0;
  unsigned char m_pressureUnit = 0;
  unsigned char m_tempUnit = 0;
  unsigned char m_gasConcUnit = 0;
  unsigned char m_lengthUnit = 0;
  float m_normTemp = 0.0f;
};
