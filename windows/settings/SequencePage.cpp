#include "SequencePage.h"

#include "DataContext.h"
#include "SequenceFields.h"

COSequencePage::COSequencePage(int templateId, const std::string& caption, DataContext& context,
                               COSequence& sequence, bool viewOnly, SequenceSheetFlags& flags)
    : platform::CPropertyPage(templateId, caption), m_context(context), m_sequence(sequence), m_viewOnly(viewOnly),
      m_flags(flags) {}

void EnableDlgItems(const platform::CDialog& dialog, std::initializer_list<int> ids, bool enable) {
  for (int id : ids)
    if (QWidget* w = dialog.GetDlgItem(id)) w->setEnabled(enable);
}

void ShowDlgItems(const platform::CDialog& dialog, std::initializer_list<int> ids, bool show) {
  for (int id : ids)
    if (QWidget* w = dialog.GetDlgItem(id)) w->setVisible(show);
}

bool COSequencePage::Locked() const { return m_viewOnly || m_context.MeasurementState() != MeasState::idle; }

QStringList SitModeEntries() { return {"Fast (1 s)", "Normal (5 s)", "Low Noise (20 s)", "Advanced"}; }

QStringList SitTimeEntries() {
  QStringList entries;
  for (unsigned char code = 0; code < kMeasTimeCodes; ++code)
    entries << QString::number(MeasTimeCodeSeconds(code)) + " s";
  return entries;
}
