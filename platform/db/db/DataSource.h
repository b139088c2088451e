#pragma once
// ODBC data sources of the suite, registered with the ODBC installer in the
// user's data-source file ($ODBCINI when set, else ~/.odbc.ini), so that any
// ODBC client reaches a database by its name. The suite's own connections
// read the same entry and open the file directly (see CDatabase).
#include <string>

#include "db/Database.h"

namespace platform::db {

// The driver every data source names, as registered in /etc/odbcinst.ini; a
// data source of this driver is opened directly.
extern const char* const kDriverName;

// Adds the data source, or replaces every attribute of one of that name: the
// driver, its description and the database file. The attributes are written
// one by one, so no text needs separators or a buffer of fixed size. Throws
// CDBException with the installer's text on failure; a name or value that
// would break the file's lines, or a path longer than the driver takes (500
// bytes), is refused the same way.
void RegisterDataSource(const std::string& name, const std::string& description, const std::string& databaseFile);

// Removes the data source; false when the installer refused.
bool RemoveDataSource(const std::string& name);

// The Database attribute of a registered data source; empty when there is none.
std::string DataSourceFile(const std::string& name);
// The same for a data source of the suite's own driver, which the suite
// reads directly; empty for any other.
std::string DirectDataSourceFile(const std::string& name);

// What keeps the database file from passing the checks ("not a task
// database: it has no table [Meas]", or why it cannot be read as a
// database); empty when it passes. The file is opened read-only and nothing
// of it changes: no journal mode is set, no log is folded into it, no
// interrupted write is rolled back.
std::string CheckDatabaseFile(const std::string& file, const OpenChecks& checks);

// Makes a new database file from an SQL script and registers the data source
// for it. The file appears whole or not at all; an existing file is never
// touched (that fails).
void CreateDatabase(const std::string& name, const std::string& description, const std::string& file,
                    const std::string& script);

// Writes a consistent copy of the database that the data source names into a
// new file (also while others have it open). Fails, leaving nothing behind,
// when the source is missing or the target exists.
void CopyDatabase(const std::string& sourceName, const std::string& targetFile);

}  // namespace platform::db
