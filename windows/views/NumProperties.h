#pragma once
// The numeric window's properties: a sheet with the interval page (handed in
// by the program, the graph window's) and the columns page.
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <functional>
#include <vector>

#include "MeasInterval.h"
#include "ui/Dialog.h"

class DataContext;

// "Columns": the numeric window's columns (those without a Y axis), in
// their order; the graph curves of the same interval are left alone.
class COYAxisPageNum : public QWidget {
 public:
  COYAxisPageNum(DataContext& context, COMeasInterval& interval, QWidget* parent = nullptr);

  // The list from the interval, and back.
  void Load();
  void Save();

  void OnAddNew();
  void OnInsertBefore();
  void OnRemove();
  void OnParameterChange();
  void OnColumnSelect();
  void SyncWorkingColumn();
  void OnSetActive();

  const std::vector<CColumn>& Columns() const { return m_columns; }
  QComboBox& Parameters() { return m_parameter; }
  QComboBox& Units() { return m_unit; }
  QListWidget& List() { return m_list; }

 private:
  void FillUnits(int channel);
  void SelectParameter(int channel);
  void RefreshList(int select);
  CColumn NewColumn() const;

  DataContext& m_context;
  COMeasInterval& m_interval;
  CColumn m_working;
  std::vector<CColumn> m_columns;
  QComboBox m_parameter;
  QComboBox m_unit;
  QListWidget m_list;
};

// Creates the interval page on the interval (the graph window's page).
using IntervalPageFactory = std::function<QWidget*(COMeasInterval&, QWidget* parent)>;

class COWindowPropertiesNum : public CDialog {
 public:
  // interval: the copy the sheet edits. lastPage, when given, is the page to
  // open on and keeps the one shown at the close.
  COWindowPropertiesNum(DataContext& context, COMeasInterval& interval, const IntervalPageFactory& intervalPage,
                        QWidget* parent = nullptr, int* lastPage = nullptr);
  ~COWindowPropertiesNum() override;
  COYAxisPageNum& ColumnsPage() { return *m_columns; }

 protected:
  void DoDataExchange(CDataExchange* dx) override;

 private:
  int* m_lastPage;
  QTabWidget m_tabs;
  COYAxisPageNum* m_columns;
};
