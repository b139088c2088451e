#include "DataSources.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "BackupStrings.h"
#include "CORecDBList.h"
#include "COSystemSetup.h"
#include "DBFiles.h"
#include "OstrelStrings.h"
#include "core/App.h"
#include "core/Exception.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "db/DataSource.h"
#include "db/FileClaim.h"

namespace ostrel {
namespace {

const char* const kMeasDescription = "KovoPC Software Measurement Database";
const char* const kCaliDescription = "KovoPC Software Calibration Database";
const char* const kSystemDescription = "KovoPC Software System Database";

void Show(const std::string& text) { platform::MessageBox(text, platform::MB_OK | platform::MB_ICONERROR); }

}  // namespace

void ReportDatabaseError(const std::exception& e) {
  const auto* c = dynamic_cast<const platform::CException*>(&e);
  const std::string message = c ? c->GetMessage() : std::string(e.what());
  Show(platform::Format(platform::LoadString(IDS_DATABASE_ERROR).c_str(), message.c_str()));
}

std::string SafeFileName(const std::string& description) {
  std::string name = description;
  for (char& c : name) {
    switch (c) {
      case '"': case '*': case '/': case ':': case '<': case '>': case '?': case '\\': case '|':
        c = '_';
        break;
      default:
        break;
    }
  }
  if (!name.empty() && name[0] == '.') name[0] = '_';
  return name;
}

DataSources::DataSources() : m_folder(platform::ProgramFolder()) {
  if (m_folder.empty() || m_folder.back() != '/') m_folder += '/';
}

std::string DataSources::DataFile(const std::string& name) const {
  return m_folder + dbfiles::kDataFolder + name + dbfiles::kExtension;
}

std::string DataSources::RestoreJournal(const std::string& name) const {
  return m_folder + dbfiles::kDataFolder + name + ".restore";
}

bool DataSources::DatabaseFileExists(const std::string& name) const {
  std::error_code ec;
  return std::filesystem::is_regular_file(DataFile(name), ec);
}

bool DataSources::OpenSystem() {
  try {
    Register(dbfiles::kSystem);
    ReadTaskList(dbfiles::kMeasTask);
    ReadTaskList(dbfiles::kCaliTask);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void DataSources::Register(int kind, const std::string& name) {
  if (!name.empty()) m_current = name;
  std::string description = kMeasDescription;
  std::string folder = m_folder + dbfiles::kDataFolder;
  std::string file = m_current;
  switch (kind) {
    case dbfiles::kMeasTask:
      break;
    case dbfiles::kCaliTask:
      description = kCaliDescription;
      break;
    case dbfiles::kSystem:
      description = kSystemDescription, file = dbfiles::kSystemName;
      break;
    case dbfiles::kMeasPrototype:
      folder = m_folder + dbfiles::kPrototypeFolder, file = dbfiles::kMeasName;
      break;
    case dbfiles::kCaliPrototype:
      description = kCaliDescription, folder = m_folder + dbfiles::kPrototypeFolder, file = dbfiles::kCaliName;
      break;
    default:
      Show(platform::LoadString(IDS_DATASOURCE_ERROR));
      throw platform::CDBException(0, platform::LoadString(IDS_DATASOURCE_ERROR));
  }
  try {
    platform::db::RegisterDataSource(dbfiles::DataSourceName(file), description, folder + file + dbfiles::kExtension);
  } catch (const platform::CException& e) {
    Show(platform::LoadString(IDS_DATASOURCE_ERROR) + "\n\n" + e.GetMessage());
    throw;
  }
}

bool DataSources::Unregister(const std::string& dataSource) { return platform::db::RemoveDataSource(dataSource); }

bool DataSources::RemoveDataSource(const std::string& name) {
  if (Unregister(dbfiles::DataSourceName(name))) return true;
  Show(platform::LoadString(IDS_REMOVE_DATASOURCE_FAILED) + name);
  return false;
}

bool DataSources::DeleteDatabaseFiles(const std::string& name) {
  const std::string file = DataFile(name);
  std::error_code ec;
  if (std::filesystem::exists(file, ec) && (!std::filesystem::remove(file, ec) || ec)) {
    Show(platform::LoadString(IDS_DELETE_FILE_FAILED) + file.substr(0, file.size() - std::strlen(dbfiles::kExtension)));
    return false;
  }
  // What SQLite leaves beside a database, as the lock file was, and the copy
  // that a crash kept from being put in place.
  for (const char* extra : {"-journal", "-wal", "-shm", ".new", ".new-journal", ".new-wal", ".new-shm"})
    std::filesystem::remove(file + extra, ec);
  return true;
}

std::unique_ptr<platform::db::FileClaim> DataSources::ClaimTask(const std::string& name,
                                                                const std::string& description, unsigned refusalId) {
  const std::string file = DataFile(name);
  std::string why;
  auto claim = platform::db::FileClaim::Take(file, platform::db::FileClaim::Kind::Sole, &why);
  if (claim) return claim;
  if (platform::db::FileClaim::InUse(file))
    Show(platform::Format(platform::LoadString(refusalId).c_str(), description.c_str()));
  else
    Show(why);
  return nullptr;
}

std::vector<TaskEntry> DataSources::ReadTaskList(int kind) {
  std::vector<TaskEntry> tasks;
  ::CORecDBList list(kind == dbfiles::kCaliTask);
  list.Open(platform::CRecordset::snapshot);
  for (; !list.IsEOF(); list.MoveNext()) tasks.push_back({list.m_DBName, list.m_DBDesc, list.m_DBSerial});
  list.Close();
  return tasks;
}

std::vector<std::string> DataSources::TaskNames(const std::string& description, int kind) {
  std::vector<std::string> names;
  for (const TaskEntry& t : ReadTaskList(kind))
    if (t.description == description) names.push_back(t.name);
  return names;
}

bool DataSources::TaskExists(const std::string& description, int kind) {
  return !TaskNames(description, kind).empty();
}

std::string DataSources::NewTaskName(const std::string& description) {
  std::vector<std::string> listed;
  for (int kind : {static_cast<int>(dbfiles::kMeasTask), static_cast<int>(dbfiles::kCaliTask)})
    for (const TaskEntry& t : ReadTaskList(kind)) listed.push_back(t.name);
  auto taken = [&](const std::string& name) {
    std::error_code ec;
    return DatabaseFileExists(name) || std::filesystem::exists(RestoreJournal(name), ec) ||
           std::find(listed.begin(), listed.end(), name) != listed.end();
  };
  std::string name = COSystemSetup::NameFromDescription(description);
  const std::string first = name;
  while (taken(name)) {
    name = COSystemSetup::NextName(name);
    if (name == first) throw platform::CDBException(0, "No database name is left for " + description);
  }
  return name;
}

void DataSources::MakeTaskDatabase(const std::string& name, int kind) {
  Register(kind == dbfiles::kCaliTask ? dbfiles::kCaliPrototype : dbfiles::kMeasPrototype);
  Register(kind, name);
  platform::db::CopyDatabase(dbfiles::DataSourceName(kind == dbfiles::kCaliTask ? dbfiles::kCaliName : dbfiles::kMeasName),
                             DataFile(name));
}

std::string DataSources::CreateTask(const std::string& description, const std::string& serial, int kind) {
  const std::string name = NewTaskName(description);
  try {
    MakeTaskDatabase(name, kind);
    ::CORecDBList list(kind == dbfiles::kCaliTask);
    list.Open(platform::CRecordset::dynaset);
    list.AddNew();
    list.m_DBName = name;
    list.m_DBDesc = description;
    list.m_DBSerial = serial;
    list.Update();
  } catch (...) {
    // A task that is not listed is no task: nothing of it stays.
    std::error_code ec;
    std::filesystem::remove(DataFile(name), ec);
    platform::db::RemoveDataSource(dbfiles::DataSourceName(name));
    throw;
  }
  return name;
}

bool DataSources::DeleteTaskNamed(platform::db::FileClaim& claim, const std::string& name, int kind) {
  try {
    // The row goes last: a task whose data source or file stays keeps it, so
    // the user still sees it and can try again.
    if (!RemoveDataSource(name) || !DeleteDatabaseFiles(name)) return false;
    claim.RemoveLockFile();
    ::CORecDBList list(kind == dbfiles::kCaliTask);
    list.m_strFilter = "[DBName] = ?";
    list.m_filterParams = {platform::CDBParam(name)};
    list.Open(platform::CRecordset::dynaset);
    for (; !list.IsEOF(); list.MoveNext()) list.Delete();
    list.Close();
  } catch (const std::exception& e) {
    ReportDatabaseError(e);
    return false;
  }
  return true;
}

bool DataSources::DeleteTask(const std::string& description, int kind) {
  std::vector<std::string> names;
  try {
    names = TaskNames(description, kind);
  } catch (const std::exception& e) {
    ReportDatabaseError(e);
    return false;
  }
  bool ok = true;
  for (const std::string& name : names) {
    // Held until the task is gone: no program opens it meanwhile.
    auto claim = ClaimTask(name, description, IDS_DELETE_IN_USE);
    ok = claim && DeleteTaskNamed(*claim, name, kind) && ok;
  }
  return ok;
}

}  // namespace ostrel
