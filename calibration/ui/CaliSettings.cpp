#include "CaliSettings.h"

#include <QKeyEvent>

#include "COCaliMeasObs.h"
#include "COSystemSetup.h"
#include "CaliFilterPage.h"
#include "CalibrationTypePage.h"
#include "Calibrator.h"
#include "DBDoc.h"
#include "DBFiles.h"
#include "DBUtil.h"
#include "ProgramContext.h"
#include "SequenceSheet.h"
#include "core/MessageSink.h"
#include "db/Database.h"

namespace calibration {

namespace {

// [Sequence] of the calibration prototype, whose row holds the defaults.
class CORecCaliDefaults : public CORecCaliSequence {
 public:
  using CORecCaliSequence::CORecCaliSequence;

 protected:
  std::string GetDatabaseName() override { return dbfiles::kCaliName; }
};

}  // namespace

// --- sampling ---

COCaliSamplingPage::COCaliSamplingPage(CaliContext& context, COSequence& sampling, COCaliSequence& sequence,
                                       bool readOnly, SequenceSheetFlags& flags)
    : COSamplingPage(context.program, sampling, readOnly, flags), m_sampling(sampling), m_caliSequence(sequence) {}

bool COCaliSamplingPage::OnInitDialog() {
  COSamplingPage::OnInitDialog();
  // Without the sampling groups beside them the edits would fill the page.
  for (QWidget* edit : {static_cast<QWidget*>(&TubeLengthEdit()), static_cast<QWidget*>(&ChamberTimeEdit()),
                        static_cast<QWidget*>(&TubeTimeEdit()), static_cast<QWidget*>(&AirPresEdit())})
    edit->setMaximumWidth(90);
  return true;
}

void COCaliSamplingPage::DoDataExchange(platform::CDataExchange* dx) {
  if (!dx->m_bSaveAndValidate) {
    m_sampling.SetModeFlag2(m_caliSequence.FlushMode != 0);
    m_sampling.SetTubeLength(m_caliSequence.GetTubeLength());
    m_sampling.SetChamberTime(m_caliSequence.ChamberTime);
    m_sampling.SetTubeTime(m_caliSequence.TubeTime);
    m_sampling.SetAirPres(m_caliSequence.GetAirPres());
  }
  COSamplingPage::DoDataExchange(dx);
  if (dx->m_bSaveAndValidate) {
    // The air pressure belongs to the Calibration page here.
    m_caliSequence.FlushMode = m_sampling.GetModeFlag2() ? 1 : 0;
    m_caliSequence.SetTubeLength(m_sampling.GetTubeLength());
    m_caliSequence.ChamberTime = m_sampling.GetChamberTime();
    m_caliSequence.TubeTime = m_sampling.GetTubeTime();
  }
}

// --- defaults ---

CDefault::CDefault(CaliContext& context, COCaliSequence* settings, std::function<bool()> validate, QWidget* parent)
    : ::CDefault(context.program, nullptr, std::move(validate), parent), m_caliContext(context),
      m_caliSettings(settings) {}

void CDefault::ExchangeDefaults(int choice) {
  ProgramContext& program = m_caliContext.program;
  program.Setup().ConfigDataSource(dbfiles::kCaliPrototype);
  COCaliSequence defaults(program, [] { return false; });
  CORecCaliDefaults record(program);
  record.SetTarget(&defaults);
  ExchangeRow(
      record, choice, "The prototype holds no calibration settings", [&] { defaults.CopySettings(*m_caliSettings); },
      [&] { m_caliSettings->CopySettings(defaults); });
}

// --- the sheet ---

COCaliSettings::COCaliSettings(CaliContext& context, COCaliSequence& sequence, bool readOnly, QWidget* parent)
    : COSettingsSheet("Calibration Sequence Settings (" + sequence.Name + ")", context.program, readOnly,
                      context.pageStatus, parent),
      m_context(context),
      m_sequence(sequence),
      m_edited(sequence),
      m_sampling(context.program) {
  m_typePage = std::make_unique<CCalibrationType>(context, m_edited, readOnly);
  m_filterPage = std::make_unique<COFilterPage>(context, m_edited, readOnly, EditsActive());
  m_samplingPage = std::make_unique<COCaliSamplingPage>(context, m_sampling, m_edited, readOnly, m_flags);
  AddPage(m_typePage.get());
  AddPage(m_filterPage.get());
  AddPage(m_samplingPage.get());
}

COCaliSettings::~COCaliSettings() = default;

bool COCaliSettings::EditsActive() const { return &m_sequence == &m_context.sequence; }

int COCaliSettings::RunDefaultDialog(std::function<bool()> validate) {
  CDefault dlg(m_context, &m_edited, std::move(validate), this);
  return dlg.DoModal();
}

void COCaliSettings::OnOK() {
  platform::CPropertyPage* page = GetActivePage();
  if (page != nullptr && !page->OnKillActive()) return;
  if (!m_viewOnly) {
    const COCaliSequence before(m_sequence);
    m_sequence.CopySettings(m_edited);
    for (int f = 0; f < 5; ++f) m_sequence.SetActiveBank(f, m_edited.GetActiveBank(f));
    m_sequence.LockedFilter = m_edited.LockedFilter;
    if (!m_sequence.Save()) {
      // Shown by the save; the sequence keeps what the task holds.
      m_sequence = before;
      return;
    }
    // The working banks are those of the active sequence's banks.
    if (EditsActive()) {
      for (int f = 0; f < 5; ++f) {
        m_context.calibrator.GetBank(f) = m_filterPage->WorkingBank(f);
        if (m_filterPage->BankReplaced(f)) m_context.calibrator.ForgetCalculated(f);
      }
    }
  }
  UpdateAllViewsOfDoc(m_context.program, kHintReloadInterval);
  Finish(platform::IDOK);
}

void COCaliSettings::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    OpenManual(m_context.program.Setup());
    return;
  }
  platform::CPropertySheet::keyPressEvent(event);
}

bool SettingsLocked(const CaliContext& context, bool readOnly) {
  return readOnly || context.program.MeasurementState() != MeasState::idle;
}

int RunCalibrationSettings(CaliContext& context, COCaliSequence& sequence, QWidget* parent, bool readOnly) {
  COCaliSettings sheet(context, sequence, readOnly, parent);
  return sheet.DoModal();
}

}  // namespace calibration
