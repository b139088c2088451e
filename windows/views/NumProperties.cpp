#include "NumProperties.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DataContext.h"
#include "core/Controls.h"

namespace {

constexpr unsigned char kNoAxis = 0xFF;

}  // namespace

COYAxisPageNum::COYAxisPageNum(DataContext& context, COMeasInterval& interval, QWidget* parent)
    : platform::CPropertyPage(158, "Columns", parent), m_context(context), m_interval(interval), m_working(context) {
  m_working.SetSequence(&context.WindowSequence(), &interval);
  auto* group = new QGroupBox("Single Column Setup", this);
  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel("Select parameter:"), 0, 0);
  grid->addWidget(&m_parameter, 0, 1);
  grid->addWidget(new QLabel("Select unit:"), 1, 0);
  grid->addWidget(&m_unit, 1, 1);
  auto* add = new QPushButton("Add New");
  auto* insert = new QPushButton("Insert Before");
  auto* remove = new QPushButton("Remove");
  grid->addWidget(add, 2, 0);
  grid->addWidget(insert, 2, 1);
  grid->addWidget(remove, 2, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(new QLabel("All Columns:"));
  layout->addWidget(&m_list);

  for (const auto& [channel, name] : OfferedChannels(context)) m_parameter.addItem(QString::fromStdString(name), channel);

  QObject::connect(add, &QPushButton::clicked, this, [this] { OnAddNew(); });
  QObject::connect(insert, &QPushButton::clicked, this, [this] { OnInsertBefore(); });
  QObject::connect(remove, &QPushButton::clicked, this, [this] { OnRemove(); });
  QObject::connect(&m_parameter, &QComboBox::activated, this, [this] { OnParameterChange(); });
  QObject::connect(&m_unit, &QComboBox::activated, this, [this] { SyncWorkingColumn(); });
  QObject::connect(&m_list, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) OnColumnSelect();
  });

  m_parameter.setCurrentIndex(m_parameter.count() ? 0 : -1);
  SyncWorkingColumn();
  const int unit = context.Profile().signalChannels ? 1 : context.Setup().GetGasConcUnit().GetUnit();
  m_unit.setCurrentIndex(unit < m_unit.count() ? unit : 0);
  SyncWorkingColumn();
  Load();
}

void COYAxisPageNum::FillUnits(int channel) {
  platform::CListComboBox units;
  FillUnitCombo(m_context.Profile(), channel, units, m_context.Setup().GetTempUnit());
  m_unit.clear();
  for (int i = 0; i < units.GetCount(); ++i) m_unit.addItem(QString::fromStdString(units.GetLBText(i)));
}

void COYAxisPageNum::SelectParameter(int channel) {
  const int index = m_parameter.findData(channel);
  if (index >= 0) m_parameter.setCurrentIndex(index);
}

void COYAxisPageNum::SyncWorkingColumn() {
  if (m_parameter.currentIndex() >= 0)
    m_working.SetChannel(static_cast<unsigned char>(m_parameter.currentData().toInt()));
  if (m_unit.currentIndex() >= 0) m_working.SetUnit(static_cast<unsigned char>(m_unit.currentIndex()));
  FillUnits(m_working.GetChannel());
  m_unit.setCurrentIndex(m_working.GetUnit() < m_unit.count() ? m_working.GetUnit() : -1);
  SelectParameter(m_working.GetChannel());
}

void COYAxisPageNum::OnParameterChange() {
  SyncWorkingColumn();
  const int ch = m_working.GetChannel();
  const COSystemSetup& setup = m_context.Setup();
  const bool cali = m_context.Profile().signalChannels;
  int unit = m_working.GetUnit();
  if (ch <= 4)
    unit = cali ? 1 : setup.GetGasConcUnit().GetUnit();
  else if (ch == 5)
    unit = cali ? 0 : setup.GetHumidityUnit().GetUnit();
  else if (ch == 6)
    unit = setup.GetTempUnit().GetUnit();
  else if (ch == 7)
    unit = setup.GetPressureUnit().GetUnit();
  m_unit.setCurrentIndex(unit < m_unit.count() ? unit : -1);
  SyncWorkingColumn();
}

CColumn COYAxisPageNum::NewColumn() const {
  CColumn c(m_context);
  c.SetSequence(&m_context.WindowSequence(), &m_interval);
  c.SetChannel(m_working.GetChannel());
  c.SetUnit(m_working.GetUnit());
  c.SetAxis(kNoAxis);
  return c;
}

void COYAxisPageNum::RefreshList(int select) {
  m_list.blockSignals(true);
  m_list.clear();
  for (const CColumn& c : m_columns)
    m_list.addItem(QString::fromStdString(std::string(1, c.GetChannelLetter()) + ": " + c.GetChannelName() + " [" +
                                          c.GetUnitText() + "]"));
  m_list.setCurrentRow(select);
  m_list.blockSignals(false);
}

void COYAxisPageNum::OnAddNew() {
  m_columns.push_back(NewColumn());
  RefreshList(static_cast<int>(m_columns.size()) - 1);
}

void COYAxisPageNum::OnInsertBefore() {
  const int row = m_list.currentRow();
  if (row < 0) return;
  m_columns.insert(m_columns.begin() + row, NewColumn());
  RefreshList(row);
}

void COYAxisPageNum::OnRemove() {
  const int row = m_list.currentRow();
  if (row < 0) return;
  m_columns.erase(m_columns.begin() + row);
  RefreshList(m_columns.empty() ? -1 : std::max(0, row - 1));
}

void COYAxisPageNum::OnColumnSelect() {
  const int row = m_list.currentRow();
  if (row < 0 || row >= static_cast<int>(m_columns.size())) return;
  m_working.SetChannel(m_columns[row].GetChannel());
  m_working.SetUnit(m_columns[row].GetUnit());
  SelectParameter(m_working.GetChannel());
  FillUnits(m_working.GetChannel());
  m_unit.setCurrentIndex(m_working.GetUnit() < m_unit.count() ? m_working.GetUnit() : -1);
  SyncWorkingColumn();
}

bool COYAxisPageNum::OnSetActive() {
  const bool active = platform::CPropertyPage::OnSetActive();
  if (!m_columns.empty()) {
    RefreshList(0);
    OnColumnSelect();
  }
  return active;
}

void COYAxisPageNum::DoDataExchange(platform::CDataExchange* dx) {
  if (dx->m_bSaveAndValidate)
    Save();
  else
    Load();
}

void COYAxisPageNum::Load() {
  m_columns.clear();
  for (const CColumn& c : m_interval.GetColumns())
    if (c.GetAxis() == kNoAxis) m_columns.push_back(c);
  RefreshList(m_columns.empty() ? -1 : 0);
}

void COYAxisPageNum::Save() {
  std::vector<CColumn>& all = m_interval.GetColumns();
  all.erase(std::remove_if(all.begin(), all.end(), [](const CColumn& c) { return c.GetAxis() == kNoAxis; }),
            all.end());
  all.insert(all.end(), m_columns.begin(), m_columns.end());
}

COWindowPropertiesNum::COWindowPropertiesNum(DataContext& context, COMeasInterval& interval, QWidget* parent,
                                             const PageFactory& intervalPage, const PageFactory& extraPage,
                                             int* lastPage)
    : CWindowSheet("Numeric Window Properties", interval, parent, intervalPage, lastPage),
      m_columns(context, interval) {
  AddPage(&m_columns);
  AddProgramPage(interval, extraPage);
}
