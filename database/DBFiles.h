#pragma once
// Where the databases live and how they are named: one spelling of each, so
// the test for an existing file sees exactly what a copy writes.
#include <string>

#include "db/Database.h"

namespace dbfiles {

constexpr char kDataFolder[] = "data/";
constexpr char kPrototypeFolder[] = "prototyp/";
constexpr char kExtension[] = ".db";
constexpr char kDsnPrefix[] = "TARNIC:";
constexpr char kSystemName[] = "SYSTEM";
constexpr char kMeasName[] = "MEAS";
constexpr char kCaliName[] = "MEASCALI";

// "ODBC;DSN=TARNIC:" + name: how every record set connects.
std::string ConnectString(const std::string& name);
std::string DataSourceName(const std::string& name);
// What a measurement task's file must hold before it is opened.
platform::OpenChecks TaskChecks();
// Opens the task's file with those checks and closes it again: a file that
// is no task database throws before any record set reads it.
void CheckTaskFile(const std::string& name);
// The same for the system database.
platform::OpenChecks SystemChecks();
void CheckSystemFile();

}  // namespace dbfiles
