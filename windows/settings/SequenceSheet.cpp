#include "SequenceSheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "AlarmPage.h"
#include "COGenSub.h"
#include "COSequence.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "DefaultDialog.h"
#include "FilterPage.h"
#include "SamplingPage.h"
#include "DeviceClients.h"
#include "ProgramContext.h"
#include "core/MessageSink.h"
#include "core/Shell.h"

void COPageStatus::Update(const CGenEvent& event) {
  if (event.kind == eDBChanged) m_sequencePage = m_graphPage = m_numericPage = -1;
}

COSettingsSheet::COSettingsSheet(const std::string& caption, DataContext& context, bool viewOnly,
                                 COPageStatus* pageStatus, QWidget* parent, int selectPage)
    : platform::CPropertySheet(caption, parent, selectPage),
      m_viewOnly(viewOnly),
      m_sheetContext(context),
      m_pageStatus(pageStatus) {
  SetDlgItemText(ID_DEFAULT, "Default...");
}

bool COSettingsSheet::OnInitDialog() {
  if (SheetContext().MeasurementState() != MeasState::idle || m_viewOnly) GetDlgItem(ID_DEFAULT)->hide();
  if (m_pageStatus != nullptr && m_pageStatus->m_sequencePage != -1) SetActivePage(m_pageStatus->m_sequencePage);
  return platform::CPropertySheet::OnInitDialog();
}

void COSettingsSheet::OnDefault() {
  platform::CPropertyPage* page = GetActivePage();
  if (page == nullptr) return;
  // Gather what the controls hold, checked or not: loading the defaults
  // must not wait for a valid entry.
  m_flags.ddxValidate = false;
  page->UpdateData(true);
  m_flags.ddxValidate = true;
  if (RunDefaultDialog([page] { return page->UpdateData(true); }) != platform::IDOK) return;
  m_flags.defaultsLoaded = true;
  page->UpdateData(false);
  m_flags.defaultsLoaded = false;
}

void COSettingsSheet::OnCancel() { Finish(platform::IDCANCEL); }

void COSettingsSheet::Finish(int result) {
  if (m_pageStatus != nullptr) m_pageStatus->m_sequencePage = GetActiveIndex();
  EndDialog(result);
}

COSequenceSheet::COSequenceSheet(DataContext& context, COSequence& sequence, bool viewOnly, QWidget* parent,
                                 int selectPage, COPageStatus* pageStatus, const AlarmPageFactory& alarmPage)
    : COSettingsSheet("Sequence Settings (" + sequence.GetName() + ")", context, viewOnly, pageStatus, parent,
                      selectPage),
      m_sequence(sequence),
      m_edited(std::make_unique<COSequence>(sequence)) {
  m_samplingPage = std::make_unique<COSamplingPage>(context, *m_edited, viewOnly, m_flags);
  m_filterPage = std::make_unique<COFilterPage>(context, *m_edited, viewOnly, m_flags);
  AddPage(m_samplingPage.get());
  AddPage(m_filterPage.get());
  // A stand-alone recording had no alarms of the PC.
  if (!(sequence.IsReservedFlag() && viewOnly)) {
    m_alarmPage = alarmPage ? alarmPage(*m_edited, viewOnly, m_flags)
                            : std::make_unique<COAlarmPage>(context, *m_edited, viewOnly, m_flags);
    AddPage(m_alarmPage.get());
  }
}

COSequenceSheet::~COSequenceSheet() = default;

int COSequenceSheet::RunDefaultDialog(std::function<bool()> validate) {
  CDefault dlg(SheetContext(), m_edited.get(), std::move(validate), this);
  return dlg.DoModal();
}

void COSequenceSheet::HandBack(COSequence& target) const {
  const COSequence& edited = *m_edited;
  if (SheetContext().MeasurementState() != MeasState::idle) {
    // The measurement owns the rest meanwhile (its stop, its alarms' state).
    target.SetAirPres(edited.GetAirPres());
    return;
  }
  target.CopySampling(edited);
  for (int f = 0; f < 6; ++f) target.SetFilterActive(f, edited.IsFilterActive(f));
  for (int f = 0; f < 5; ++f) target.SetActiveBank(f, edited.GetActiveBank(f));
  target.GetAlarms() = edited.GetAlarms();
}

void COSequenceSheet::OnOK() {
  if (!m_viewOnly) {
    platform::CPropertyPage* page = GetActivePage();
    if (page != nullptr && !page->OnKillActive()) return;
    const COSequence before(m_sequence);
    HandBack(m_sequence);
    if (SheetContext().MeasurementState() != MeasState::active && !m_sequence.Save()) {
      // Shown by the save; the sequence keeps what the task holds.
      m_sequence = before;
      return;
    }
  }
  UpdateAllViewsOfDoc(SheetContext(), kHintTaskChanged);
  Finish(platform::IDOK);
}

int RunSequenceSettings(DataContext& context, COPageStatus* pageStatus, QWidget* parent,
                        const MonitorMemoryAccess& memory) {
  auto* program = dynamic_cast<ProgramContext*>(&context);
  const bool leakDetector = program != nullptr && program->Instrument().isTebb();
  COSequenceSheet sheet(context, context.ActiveSequence(), false, parent, 0, pageStatus);
  // A monitor whose setting could not be read is not told one afterwards:
  // the page's default would overwrite what the monitor keeps.
  bool known = false;
  if (leakDetector && memory.read) {
    try {
      platform::WaitCursor wait;
      sheet.SamplingPage().SetMonitorMemory(memory.read());
      known = true;
    } catch (const std::exception&) {
      platform::MessageBox("Communication failed.", platform::MB_ICONWARNING);
      sheet.SamplingPage().SetMonitorMemory(true);
    }
  }
  const int result = sheet.DoModal();
  if (result == platform::IDOK && known && memory.write) {
    platform::WaitCursor wait;
    try {
      memory.write(sheet.SamplingPage().GetMonitorMemory());
    } catch (const std::exception&) {
      platform::MessageBox("Communication failed.", platform::MB_ICONWARNING);
    }
  }
  return result;
}

void ShowSequenceSettings(DataContext& context, COSequence& sequence, QWidget* parent) {
  COSequenceSheet sheet(context, sequence, true, parent);
  sheet.DoModal();
}
