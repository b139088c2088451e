#include "CaliIntervalPage.h"

#include <QVBoxLayout>

#include "COCaliSequence.h"
#include "CalibrationStrings.h"
#include "DataContext.h"

namespace calibration {

COXAxisPage::COXAxisPage(DataContext& context, COMeasInterval* interval, QWidget* parent)
    : COIntervalRangePage(IDS_CALI_LEGAL_INTERVAL, parent), m_context(context), m_interval(interval) {
  PageLayout().addStretch();
}

void COXAxisPage::ReadSequences(std::vector<StoredSequence>& rows) {
  COCaliSequence row(m_context, [] { return false; });
  CORecCaliSequence rs(m_context);
  rs.SetTarget(&row);
  rs.Open(platform::CRecordset::snapshot, std::string(), platform::CRecordset::readOnly);
  for (; !rs.IsEOF(); rs.MoveNext()) {
    const int place = static_cast<int>(rows.size()) + 1;
    rows.push_back({place, row.Name, row.StartTime, row.StopTime, row.StartNum, row.StopNum});
  }
  rs.CloseWithDatabase();
}

bool COXAxisPage::OnInitDialog() {
  m_loaded = true;
  return COIntervalRangePage::OnInitDialog();
}

void COXAxisPage::EnsureInitialised() {
  if (!m_loaded) OnInitDialog();
}

void COXAxisPage::showEvent(QShowEvent* event) {
  // A property sheet loads its pages itself.
  if (GetSheet() == nullptr) {
    EnsureInitialised();
    QDialog::showEvent(event);
    return;
  }
  platform::CPropertyPage::showEvent(event);
}

bool COXAxisPage::Save() {
  EnsureInitialised();
  return UpdateData(true);
}

void COXAxisPage::DoDataExchange(platform::CDataExchange* dx) {
  if (m_interval == nullptr) return;
  SaveRange(dx, *m_interval);
  LoadRange(dx, *m_interval);
}

}  // namespace calibration
