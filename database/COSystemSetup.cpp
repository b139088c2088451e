#include "COSystemSetup.h"

#include <filesystem>

#include "COException.h"
#include "COGenSub.h"
#include "DBFiles.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "FilterData.h"
#include "ListBox.h"
#include "Schema.h"
#include "core/App.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "db/DataSource.h"
#include "db/Utf8.h"

namespace {

// The display font's face name holds 31 characters, whatever the column holds.
constexpr size_t kFaceNameChars = 31;

const char* const kSystemDescription = "KovoPC Software System Database";
const char* const kMeasDescription = "KovoPC Software Measurement Database";
const char* const kCaliDescription = "KovoPC Software Calibration Database";

}  // namespace

COSystemSetup::COSystemSetup(DataContext& context) : m_context(context), m_dbList(context.Identity().isCalibration()) {
  m_font = platform::LOGFONT();
  m_font.lfWeight = 0;
}

COSystemSetup::~COSystemSetup() = default;

std::string COSystemSetup::GetProgramFolder() const {
  if (!m_programFolderSet) {
    m_programFolder = platform::ProgramFolder();
    if (m_programFolder.empty() || m_programFolder.back() != '/') m_programFolder += '/';
    m_programFolderSet = true;
  }
  return m_programFolder;
}

std::string COSystemSetup::DataFile(const std::string& name) const {
  return GetProgramFolder() + dbfiles::kDataFolder + name + dbfiles::kExtension;
}

std::string COSystemSetup::PrototypeFile(const std::string& name) const {
  return GetProgramFolder() + dbfiles::kPrototypeFolder + name + dbfiles::kExtension;
}

// --- settings ---

platform::LOGFONT COSystemSetup::GetSmallFont() {
  platform::LOGFONT f = m_font;
  f.lfHeight = f.lfHeight * 2 / 3;
  f.lfWidth = f.lfWidth * 2 / 3;
  return f;
}

platform::LOGFONT COSystemSetup::GetLargeFont() {
  platform::LOGFONT f = m_font;
  f.lfHeight *= 2;
  f.lfWidth *= 2;
  return f;
}

void COSystemSetup::SetComPort(unsigned char port) {
  m_comPort = port;
  if (IMeasurementLink* link = m_context.Measurement()) link->SetPort(port);
}

std::string COSystemSetup::GetHumidityUnitText() const { return GetHumidityUnit().GetText(GetTempUnit()); }
std::string COSystemSetup::GetPressureUnitText() const { return GetPressureUnit().GetText(); }
std::string COSystemSetup::GetGasConcUnitText() const { return GetGasConcUnit().GetText(); }
std::string COSystemSetup::GetLengthUnitText() const { return GetLengthUnit().GetText(); }

void COSystemSetup::SetNormTemp(float value) {
  m_normTemp = GetTempUnit().Convert(COTempUnit(COTempUnit::celsius), value);
}

double COSystemSetup::GetNormTemp() const { return GetNormTempIn(GetTempUnit()); }

double COSystemSetup::GetNormTempIn(const COTempUnit& unit) const {
  return COTempUnit(COTempUnit::celsius).Convert(unit, m_normTemp);
}

// --- the open task ---

void COSystemSetup::SetMeasDatabaseOpen(bool open) {
  // The Presentation program keeps no observers that care.
  if (open && !m_context.Identity().isPresentation()) m_context.GenSub().Notify(eDBChanged);
  m_measDatabaseOpen = open;
}

bool COSystemSetup::CanCloseDatabase() {
  if (!m_measDatabaseOpen) return true;
  IMeasurementLink* link = m_context.Measurement();
  if (link != nullptr && link->GetState() == MeasState::active) {
    if (platform::MessageBox(platform::LoadString(IDS_STOP_MEASUREMENT), platform::MB_OKCANCEL) != platform::IDOK) return false;
    link->StopMeasurement();
  }
  if (IWindowStore* store = m_context.WindowStore()) store->Save();
  SetMeasDatabaseOpen(false);
  return true;
}

// --- the system database ---

bool COSystemSetup::OpenSystemDatabase() {
  try {
    // A fresh installation makes its databases from the scripts it carries.
    struct Needed {
      std::string file;
      const char* name;
      const char* description;
      const char* script;
    } needed[] = {
        {DataFile(dbfiles::kSystemName), dbfiles::kSystemName, kSystemDescription, schema::System()},
        {PrototypeFile(dbfiles::kMeasName), dbfiles::kMeasName, kMeasDescription, schema::Measurement()},
        {PrototypeFile(dbfiles::kCaliName), dbfiles::kCaliName, kCaliDescription, schema::Calibration()},
    };
    for (const Needed& n : needed) {
      std::error_code ec;
      if (!std::filesystem::exists(n.file, ec))
        platform::db::CreateDatabase(dbfiles::DataSourceName(n.name), n.description, n.file, n.script);
    }
    ConfigDataSource(kSystem);
    dbfiles::CheckSystemFile();
    m_dbList.Open(platform::CRecordset::dynaset);
    m_global.SetTarget(this);
    m_global.Open(platform::CRecordset::dynaset);
    m_global.Edit();
    m_font.lfFaceName = platform::db::TruncateUtf8(m_global.m_fontFaceName, kFaceNameChars);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void COSystemSetup::Save() {
  try {
    m_global.m_fontFaceName = platform::db::TruncateUtf8(m_font.lfFaceName, kFaceNameChars);
    m_global.Update();
    m_global.Edit();
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
  }
}

// Unguarded: a failure passes to the dialog that asked.
void COSystemSetup::ReadTaskList() {
  m_dbList.ClearFilter();
  if (m_dbList.IsOpen())
    m_dbList.Requery();
  else
    m_dbList.Open();
}

void COSystemSetup::FillDatabaseList(IListBox& list, std::vector<std::string>& serials) {
  ReadTaskList();
  IMeasurementLink* link = m_context.Measurement();
  const bool all = link == nullptr || link->IsOffline() || m_context.Identity().isPresentation();
  const std::string serial = m_context.GetMonitorSetup().m_serial.ToString();
  for (; !m_dbList.IsEOF(); m_dbList.MoveNext()) {
    if (!all && m_dbList.m_DBSerial != serial) continue;
    int index = list.AddString(m_dbList.m_DBDesc);
    list.SetItemString(index, m_dbList.m_DBName);
    size_t at = index < 0 ? serials.size() : std::min(static_cast<size_t>(index), serials.size());
    serials.insert(serials.begin() + static_cast<std::ptrdiff_t>(at), m_dbList.m_DBSerial);
  }
}

bool COSystemSetup::IsDescriptionInList(const std::string& description) {
  ReadTaskList();
  for (; !m_dbList.IsEOF(); m_dbList.MoveNext())
    if (m_dbList.m_DBDesc == description) return true;
  return false;
}

// --- data sources and task files ---

void COSystemSetup::ConfigDataSource(int kind) {
  std::string name;
  std::string file;
  const char* description = kMeasDescription;
  switch (kind) {
    case kSystem:
      name = dbfiles::kSystemName, file = DataFile(name), description = kSystemDescription;
      break;
    case kMeasPrototype:
      name = dbfiles::kMeasName, file = PrototypeFile(name);
      break;
    case kCaliPrototype:
      name = dbfiles::kCaliName, file = PrototypeFile(name), description = kCaliDescription;
      break;
    case kMeasTask:
      name = m_databaseName, file = DataFile(name);
      break;
    case kCaliTask:
      name = m_databaseName, file = DataFile(name), description = kCaliDescription;
      break;
    default:
      ShowMessage(IDS_CREATE_DATASOURCE_FAILED);
      throw COException(IDS_CREATE_DATASOURCE_FAILED);
  }
  try {
    platform::db::RegisterDataSource(dbfiles::DataSourceName(name), description, file);
  } catch (const platform::CException& e) {
    // With the reason: a data-source file that cannot be written is the
    // person's to mend.
    ReportException(IDS_CREATE_DATASOURCE_FAILED, e);
    throw COException(IDS_CREATE_DATASOURCE_FAILED);
  }
}

bool COSystemSetup::DatabaseExists(const std::string& name) const {
  std::error_code ec;
  return std::filesystem::is_regular_file(DataFile(name), ec);
}

std::string COSystemSetup::NameFromDescription(const std::string& description) {
  std::string name = description.substr(0, 8) + std::string(8, ' ');
  name.resize(8);
  for (char& c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') u = static_cast<unsigned char>(u - 'a' + 'A');
    c = u >= 'A' && u <= 'Z' ? static_cast<char>(u) : 'A';
  }
  return name;
}

std::string COSystemSetup::NextName(const std::string& name) {
  std::string next = name;
  if (next == "ZZZZZZZZ") return "AAAAAAAA";
  // Counted up like a number whose least significant digit comes first.
  for (char& c : next) {
    if (c != 'Z') {
      ++c;
      break;
    }
    c = 'A';
  }
  return next;
}

void COSystemSetup::CreateMeasDatabase(const std::string& description) {
  const bool cali = m_context.Identity().isCalibration();
  std::string name = NameFromDescription(description);
  const std::string first = name;
  while (DatabaseExists(name)) {
    name = NextName(name);
    // Every name taken: there is nothing left to try.
    if (name == first) throw COException(IDS_COPY_FILE_FAILED);
  }
  // The task becomes current only once it exists, so a failure leaves the
  // previous one in place, unlisted tasks nowhere and no half-made file.
  const std::string previous = m_databaseName;
  m_databaseName = name;
  try {
    ConfigDataSource(cali ? kCaliPrototype : kMeasPrototype);
    try {
      platform::db::CopyDatabase(dbfiles::DataSourceName(cali ? dbfiles::kCaliName : dbfiles::kMeasName),
                                 DataFile(name));
    } catch (const platform::CException&) {
      ShowMessage(IDS_COPY_FILE_FAILED);
      throw COException(IDS_COPY_FILE_FAILED);
    }
    ConfigDataSource(cali ? kCaliTask : kMeasTask);
    try {
      AddDatabaseToList(name, description);
    } catch (...) {
      // A task nobody can find in the list is no task: its file goes too.
      std::error_code ec;
      std::filesystem::remove(DataFile(name), ec);
      throw;
    }
  } catch (...) {
    m_databaseName = previous;
    throw;
  }
}

void COSystemSetup::AddDatabaseToList(const std::string& name, const std::string& description) {
  if (!m_dbList.IsOpen()) m_dbList.Open(platform::CRecordset::dynaset);
  m_dbList.AddNew();
  m_dbList.m_DBName = name;
  m_dbList.m_DBDesc = description;
  m_dbList.m_DBSerial = m_context.GetMonitorSetup().m_serial.ToString();
  m_dbList.Update();
}

void COSystemSetup::FillMonitorUnits(MonitorSetup& s) const {
  s.m_humiUnit = GetHumidityUnit().GetUnit();
  s.m_lengthUnit = GetLengthUnit().GetUnit();
  s.m_concUnit = GetGasConcUnit().GetUnit();
  s.m_presUnit = GetPressureUnit().GetUnit();
  s.m_tempUnit = GetTempUnit().GetUnit();
  s.m_normTemp = static_cast<float>(GetNormTemp());
}
