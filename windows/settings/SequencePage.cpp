#include "SequencePage.h"

#include <QLabel>
#include <QLineEdit>

#include "DataContext.h"
#include "SequenceFields.h"
#include "ui/SpinButton.h"

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

QLabel* COSequencePage::AddLabel(int id, const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (id) AddItem(id, label);
  return label;
}

QLineEdit* COSequencePage::AddEdit(int id, QWidget* parent, int maxWidth) {
  auto* edit = new QLineEdit(parent);
  edit->setMaximumWidth(maxWidth);
  AddItem(id, edit);
  return edit;
}

platform::CSpinButtonCtrl* COSequencePage::AddSpin(int id, QWidget* parent) {
  auto* spin = new platform::CSpinButtonCtrl(parent);
  AddItem(id, spin);
  return spin;
}

QStringList SitModeEntries() { return {"Fast (1 s)", "Normal (5 s)", "Low Noise (20 s)", "Advanced"}; }

QStringList SitTimeEntries() {
  QStringList entries;
  for (unsigned char code = 0; code < kMeasTimeCodes; ++code)
    entries << QString::number(MeasTimeCodeSeconds(code)) + " s";
  return entries;
}
