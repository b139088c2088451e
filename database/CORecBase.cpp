#include "CORecBase.h"

#include "COSystemSetup.h"
#include "DataContext.h"
#include "DBFiles.h"

namespace dbfiles {
std::string DataSourceName(const std::string& name) { return kDsnPrefix + name; }
std::string ConnectString(const std::string& name) { return "ODBC;DSN=" + DataSourceName(name); }
platform::OpenChecks TaskChecks() {
  platform::OpenChecks checks;
  checks.tables = {"Sequence", "Global", "Meas", "Event"};
  checks.kind = "a task database";
  return checks;
}
void CheckTaskFile(const std::string& name) {
  platform::CDatabase probe;
  probe.Open(ConnectString(name), TaskChecks());
}
platform::OpenChecks SystemChecks() {
  platform::OpenChecks checks;
  checks.tables = {"Global", "DBList", "DBListCali", "Bank", "BankSet"};
  checks.kind = "the system database";
  return checks;
}
void CheckSystemFile() {
  platform::CDatabase probe;
  probe.Open(ConnectString(kSystemName), SystemChecks());
}
}  // namespace dbfiles

void CORecBase::OpenOrRequery() {
  try {
    if (IsOpen())
      Requery();
    else
      Open();
  } catch (const platform::CException&) {
    try {
      Close();
      if (m_pDatabase != nullptr) m_pDatabase->Close();
      Open();
      Requery();
    } catch (const platform::CException&) {
    }
  }
}

void CORecBase::CloseWithDatabase() {
  if (IsOpen()) Close();
  if (m_pDatabase != nullptr) m_pDatabase->Close();
}

void CORecBase::EditOrAddNew() {
  if (IsOpen())
    Requery();
  else
    Open(dynaset);
  if (IsEOF())
    AddNew();
  else
    Edit();
}

void CORecBase::DeleteRows() {
  OpenOrRequery();
  if (!IsOpen()) Open(dynaset);
  while (!IsEOF()) {
    Delete();
    Requery();
  }
}

std::string CORecBase::GetDefaultConnect() { return dbfiles::ConnectString(GetDatabaseName()); }

std::string CORecSystemBase::GetDatabaseName() { return dbfiles::kSystemName; }

std::string CORecTaskBase::GetDatabaseName() { return m_context.Setup().GetDatabaseName(); }

platform::CDBParam TextParam(const std::string& text) { return platform::CDBParam(text, 255); }
