#pragma once
// What every record class of the suite shares: the connection through the
// data source of its database and the open-or-requery step with one reopen.
#include <string>

#include "db/Recordset.h"

class DataContext;

class CORecBase : public platform::CRecordset {
 public:
  explicit CORecBase(platform::CDatabase* db = nullptr) : platform::CRecordset(db) {}

  // Requery when open, else open with the default type. A failure closes the
  // connection, opens it again and requeries once; a second failure is
  // dropped and the set stays as it is.
  void OpenOrRequery();
  // Closes the set and its connection, so the database file is released.
  void CloseWithDatabase();
  // Requeries (opens as a dynaset when closed) and puts the first row of the
  // filter into edit mode, or starts a new row when there is none.
  void EditOrAddNew();
  // Deletes every row of the filter.
  void DeleteRows();
  // A filter whose values are written into it (no parameters); it takes
  // effect at the next open or requery.
  void SetFilter(const std::string& filter) {
    m_strFilter = filter;
    m_filterParams.clear();
  }
  void ClearFilter() { SetFilter(std::string()); }

 protected:
  // The data source name after "TARNIC:"; read when the set opens.
  virtual std::string GetDatabaseName() = 0;
  std::string GetDefaultConnect() override;
};

// The record classes of the system database.
class CORecSystemBase : public CORecBase {
 public:
  using CORecBase::CORecBase;

 protected:
  std::string GetDatabaseName() override;
};

// The record classes of the task database that is open now in the program
// (its system set-up's database name, read when the set opens).
class CORecTaskBase : public CORecBase {
 public:
  explicit CORecTaskBase(DataContext& context, platform::CDatabase* db = nullptr) : CORecBase(db), m_context(context) {}

 protected:
  std::string GetDatabaseName() override;
  DataContext& m_context;
};

// A text bounded for a filter value or a text column.
platform::CDBParam TextParam(const std::string& text);
