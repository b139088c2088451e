#include "CaliValues.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "BankValues.h"
#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "CalibrationStrings.h"
#include "Calibrator.h"
#include "CommKovoCali.h"
#include "DBUtil.h"
#include "StringEx.h"
#include "core/MessageSink.h"
#include "core/Text.h"
#include "ui/DataExchange.h"

namespace calibration {

namespace {

constexpr char kNoValue[] = "n/a";

// One value of the dialog: shown as text, taken back only when the text was
// changed, so that what the user left alone keeps every digit it had.
class ValueExchange {
 public:
  explicit ValueExchange(std::map<int, std::string>& shown) : m_shown(shown) {}

  void Exchange(platform::CDataExchange* dx, int id, MeasValue& value) {
    platform::CDialog& dlg = *dx->m_pDlgWnd;
    if (!dx->m_bSaveAndValidate) {
      m_shown[id] = COCaliValues::ValueText(value);
      dlg.SetDlgItemText(id, m_shown[id]);
      return;
    }
    const std::string text = platform::Trim(dlg.GetDlgItemText(id));
    if (text == platform::Trim(m_shown[id])) return;
    if (text == kNoValue) {
      value.SetNoValue();
      return;
    }
    float read = 0.0f;
    platform::DDX_Text(dx, id, read);
    value = read;
  }

 private:
  std::map<int, std::string>& m_shown;
};

bool SameValue(const MeasValue& a, const MeasValue& b) {
  return a.IsValid() == b.IsValid() && (!a.IsValid() || a.GetValue() == b.GetValue());
}

// The parameter groups in which the two banks differ.
unsigned ChangedGroups(const BankInfo& a, const BankInfo& b) {
  unsigned groups = 0;
  if (!SameValue(a.m_concOffset, b.m_concOffset)) groups |= groupOffset;
  if (!SameValue(a.m_humiGain, b.m_humiGain)) groups |= groupHumidity;
  if (a.GetGasName().ToString() != b.GetGasName().ToString() || !SameValue(a.m_mw, b.m_mw) ||
      !SameValue(a.m_spanLow, b.m_spanLow) || !SameValue(a.m_spanHigh, b.m_spanHigh) || a.m_twoPoint != b.m_twoPoint)
    groups |= groupSpan;
  for (int f = 0; f < 5; ++f)
    if (!SameValue(a.m_cross[f], b.m_cross[f])) groups |= groupCross;
  return groups;
}

QLabel* Heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignCenter);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

}  // namespace

// --- values ---

std::string COCaliValues::ValueText(float value) {
  CStringEx text;
  text.CaliFormat(value);
  return text;
}

COCaliValues::COCaliValues(CaliContext& context, QWidget* parent) : platform::CDialog(IDD, parent), m_context(context) {
  setWindowTitle("Calibration Values");
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  const char* const rows[] = {"Gas Name:",           "Molecular Weight:",    "Concentration Offset:",
                              "Humidity Gain Factor:", "Conversion Factor 1:", "Conversion Factor 2:",
                              "Cross Factor 1:",     "Cross Factor 2:",      "Cross Factor 3:",
                              "Cross Factor 4:"};
  for (int r = 0; r < 10; ++r) grid->addWidget(new QLabel(rows[r], this), r + 1, 0);
  auto edit = [this, grid](int id, int row, int column) {
    auto* e = new QLineEdit(this);
    e->setFixedWidth(100);
    AddItem(id, e);
    grid->addWidget(e, row, column);
  };
  for (int f = 0; f < 5; ++f) {
    const int column = f + 1;
    grid->addWidget(Heading(QString("Filter %1").arg(QChar('A' + f)), this), 0, column);
    edit(kGasName[f], 1, column);
    edit(kMw[f], 2, column);
    edit(kOffset + f, 3, column);
    edit(kHumidity + f, 4, column);
    edit(kFactor1 + f, 5, column);
    edit(kFactor2 + f, 6, column);
    for (int r = 0; r < 4; ++r) edit(kCross[r] + f, 7 + r, column);
  }
  grid->addWidget(Heading("Filter W", this), 0, 6);
  grid->addWidget(new QLabel("Water Vapour", this), 1, 6);
  grid->addWidget(new QLabel("18.020", this), 2, 6);
  edit(kWaterOffset, 3, 6);
  edit(kWaterFactor1, 5, 6);
  layout->addLayout(grid);
  auto* note = new QLabel("Cross factors of a filter against the other four filters, in order from A to E "
                          "(filter A: B, C, D, E). \"n/a\" clears a value.",
                          this);
  note->setWordWrap(true);
  layout->addWidget(note);
  AddOkCancel(layout);
}

void COCaliValues::DoDataExchange(platform::CDataExchange* dx) {
  const bool saving = dx->m_bSaveAndValidate;
  ValueExchange values(m_shown);
  Calibrator& calibrator = m_context.calibrator;
  BankInfo banks[5];
  for (int f = 0; f < 5; ++f) banks[f] = calibrator.GetBank(f);
  WaterInfo water = calibrator.GetWater();

  for (int f = 0; f < 5; ++f) {
    BankInfo& bank = banks[f];
    std::string name = platform::TrimRight(bank.GetGasName().ToString());
    platform::DDX_Text(dx, kGasName[f], name);
    if (saving) {
      dx->PrepareEditCtrl(kGasName[f]);
      if (!IsValidGasName(name)) {
        ShowMessage(IDS_CALI_BAD_GAS_NAME);
        dx->Fail();
      }
      if (name != platform::TrimRight(bank.GetGasName().ToString())) bank.SetGasName(name);
    }
    values.Exchange(dx, kMw[f], bank.m_mw);
    values.Exchange(dx, kOffset + f, bank.m_concOffset);
    values.Exchange(dx, kHumidity + f, bank.m_humiGain);
    values.Exchange(dx, kFactor1 + f, bank.m_spanLow);
    values.Exchange(dx, kFactor2 + f, bank.m_spanHigh);
    for (int r = 0; r < 4; ++r) values.Exchange(dx, kCross[r] + f, bank.m_cross[CrossFilter(f, r)]);
    // A second conversion factor is what makes a two-point bank.
    if (saving) bank.m_twoPoint = bank.m_spanHigh.IsValid() ? 1 : 0;
  }
  values.Exchange(dx, kWaterOffset, water.m_concOffset);
  values.Exchange(dx, kWaterFactor1, water.m_gain);
  if (!saving) return;

  // Every value read: the calibrator takes them, and what changed is
  // downloaded as if calculated.
  for (int f = 0; f < 5; ++f) {
    calibrator.MarkCalculated(f, ChangedGroups(calibrator.GetBank(f), banks[f]));
    calibrator.GetBank(f) = banks[f];
  }
  unsigned waterGroups = 0;
  if (!SameValue(water.m_concOffset, calibrator.GetWater().m_concOffset)) waterGroups |= groupOffset;
  if (!SameValue(water.m_gain, calibrator.GetWater().m_gain)) waterGroups |= groupSpan;
  calibrator.MarkCalculated(Calibrator::kWater, waterGroups);
  calibrator.Water() = water;
}

void COCaliValues::OnOK() {
  if (!UpdateData(true)) return;
  // The calibration status window shows the new values.
  m_context.meas.Notify();
  EndDialog(platform::IDOK);
}

// --- calculation finished ---

COCalculateDlg::COCalculateDlg(CaliContext& context, const CaliResults& results, QWidget* parent)
    : platform::CDialog(IDD, parent), m_context(context), m_results(results) {
  setWindowTitle("Calculation finished");
  auto* layout = new QVBoxLayout(this);
  auto check = [this](int id, const QString& text, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    // What was calculated is shown, not chosen.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    AddItem(id, box);
    return box;
  };
  auto* all = new QGroupBox("Calculated", this);
  auto* al = new QVBoxLayout(all);
  al->addWidget(check(kZeroPoint, "Zero point (All Filters)", all));
  al->addWidget(check(kInterference, "Humidity Interference (All Gas Filters)", all));
  al->addWidget(check(kWaterSpan, "Water Vapour Span", all));
  layout->addWidget(all);

  auto* span = new QGroupBox("Gas Span", this);
  auto* grid = new QGridLayout(span);
  grid->addWidget(Heading("Single-point", span), 0, 1);
  grid->addWidget(Heading("Two-point", span), 0, 2);
  grid->addWidget(Heading("Cross Int.", span), 0, 3);
  for (int f = 0; f < 5; ++f) {
    auto* name = new QLabel(span);
    AddItem(kGasName[f], name);
    grid->addWidget(name, f + 1, 0);
    grid->addWidget(check(kSinglePoint[f], QString(), span), f + 1, 1, Qt::AlignCenter);
    grid->addWidget(check(kTwoPoint[f], QString(), span), f + 1, 2, Qt::AlignCenter);
    grid->addWidget(check(kCrossInt[f], QString(), span), f + 1, 3, Qt::AlignCenter);
  }
  grid->setColumnStretch(0, 1);
  layout->addWidget(span);
  auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  QObject::connect(ok, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
  layout->addWidget(ok);
}

void COCalculateDlg::DoDataExchange(platform::CDataExchange* dx) {
  if (dx->m_bSaveAndValidate) return;
  for (int f = 0; f < 5; ++f) SetDlgItemText(kGasName[f], m_context.sequence.GetGasName(f));
  auto tick = [dx](int id, bool on) {
    int state = on ? 1 : 0;
    platform::DDX_Check(dx, id, state);
  };
  const CaliResults& r = m_results;
  tick(kZeroPoint, r.zeroPoint);
  tick(kInterference, r.interference);
  tick(kWaterSpan, r.waterSpan);
  for (int f = 0; f < 5; ++f) {
    tick(kSinglePoint[f], r.singlePoint[f]);
    tick(kTwoPoint[f], r.twoPoint[f]);
    tick(kCrossInt[f], r.cross[f]);
  }
}

}  // namespace calibration
