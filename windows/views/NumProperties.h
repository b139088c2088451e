#pragma once
// The numeric window's properties: a sheet with the interval page (the
// program's or the graph window's) and the columns page.
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <vector>

#include "GraphProperties.h"
#include "MeasInterval.h"
#include "ui/PropertySheet.h"

class DataContext;

// "Columns": the numeric window's columns (those without a Y axis), in
// their order; the graph curves of the same interval are left alone.
class COYAxisPageNum : public platform::CPropertyPage {
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
  // The first entry is chosen.
  bool OnSetActive() override;

  const std::vector<CColumn>& Columns() const { return m_columns; }
  QComboBox& Parameters() { return m_parameter; }
  QComboBox& Units() { return m_unit; }
  QListWidget& List() { return m_list; }

 protected:
  void DoDataExchange(platform::CDataExchange* dx) override;

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

class COWindowPropertiesNum : public CWindowSheet {
 public:
  // interval: the copy the sheet edits; the program's pages and the page to
  // open on as the graph window's sheet takes them.
  COWindowPropertiesNum(DataContext& context, COMeasInterval& interval, QWidget* parent = nullptr,
                        const PageFactory& intervalPage = nullptr, const PageFactory& extraPage = nullptr,
                        int* lastPage = nullptr);
  COYAxisPageNum& ColumnsPage() { return m_columns; }

 private:
  COYAxisPageNum m_columns;
};
