#include "UnitsDialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "COSystemSetup.h"
#include "COUnits.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "core/MessageSink.h"
#include "core/Text.h"
#include "ui/DataExchange.h"

namespace {

struct Button {
  int id;
  const char* text;
};

const Button kHumidityButtons[] = {{1023, "g/m³"}, {1025, "mg/m³"}, {1024, "µg/m³"}, {1044, "vol%"}, {1026, "ppm"},
                                   {1042, "ppb"},  {1029, "Tdew"},  {1035, "kPa"},   {1015, "Pa"}};
const Button kPressureButtons[] = {{1027, "mBar"}, {1028, "mmHg"}, {1030, "kPa"}, {1045, "hPa"}};
const Button kTemperatureButtons[] = {{1031, "K"}, {1032, "°C"}, {1033, "°F"}};
const Button kGasConcButtons[] = {{1038, "g/m³"}, {1207, "mg/m³"}, {1047, "µg/m³"},
                                  {1043, "vol%"}, {1039, "ppm"},   {1040, "ppb"}};
const Button kLengthButtons[] = {{1034, "m"}, {1036, "ft"}};

// The normalisation temperatures offered, in °C.
const float kNormTemps[] = {0.0f, 20.0f, 25.0f};

}  // namespace

CUnits::CUnits(DataContext& context, QWidget* parent)
    : platform::CDialog(IDD, parent), m_context(context), m_normTemp(new COComboEx(this)) {
  SetWindowText("Units");
  auto* defaults = new QGroupBox("Default Units", this);
  auto* groups = new QGridLayout(defaults);
  int column = 0;
  auto addGroup = [&](const char* title, const auto& buttons) {
    auto* box = new QGroupBox(title, defaults);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (const Button& b : buttons) {
      auto* radio = new QRadioButton(QString::fromUtf8(b.text), box);
      group->addButton(radio);
      layout->addWidget(radio);
      AddItem(b.id, radio);
    }
    layout->addStretch();
    groups->addWidget(box, 0, column++);
    return group;
  };
  addGroup("Humidity:", kHumidityButtons);
  addGroup("Pressure:", kPressureButtons);
  QButtonGroup* temperature = addGroup("Temperature:", kTemperatureButtons);
  addGroup("Gas Conc:", kGasConcButtons);
  addGroup("Length:", kLengthButtons);

  auto* norm = new QGroupBox("Normalization Temperature", this);
  m_normTemp->setMinimumWidth(140);
  auto* normLayout = new QVBoxLayout(norm);
  normLayout->addWidget(m_normTemp);
  AddItem(kNormTemp, m_normTemp);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(defaults);
  auto* normRow = new QHBoxLayout();
  normRow->addWidget(norm);
  normRow->addStretch();
  layout->addLayout(normRow);
  AddOkCancel(layout);

  connect(temperature, &QButtonGroup::buttonClicked, this, [this] { FillNormTempList(); });
}

bool CUnits::OnInitDialog() {
  platform::CDialog::OnInitDialog();
  FillNormTempList();
  m_normTemp->SelectFloatItemData(static_cast<float>(m_context.Setup().GetNormTemp()));
  return true;
}

void CUnits::FillNormTempList() {
  const int selected = m_normTemp->GetCurSel();
  int unit = COTempUnit::celsius;
  for (int i = 0; i < COTempUnit::count; ++i)
    if (auto* radio = qobject_cast<QRadioButton*>(GetDlgItem(kTemperatureButtons[i].id)); radio && radio->isChecked())
      unit = i;
  const COTempUnit celsius(COTempUnit::celsius), target(unit);
  m_normTemp->ResetContent();
  for (float t : kNormTemps) {
    const float value = celsius.Convert(target, t);
    m_normTemp->AddFloatItem(platform::Format("%.0f ", value) + target.GetText(), value);
  }
  m_normTemp->SetCurSel(selected);
}

void CUnits::DoDataExchange(platform::CDataExchange* dx) {
  COSystemSetup& setup = m_context.Setup();
  if (!dx->m_bSaveAndValidate) {
    m_humidity = setup.GetHumidityUnit().GetUnit();
    m_pressure = setup.GetPressureUnit().GetUnit();
    m_temperature = setup.GetTempUnit().GetUnit();
    m_gasConc = setup.GetGasConcUnit().GetUnit();
    m_length = setup.GetLengthUnit().GetUnit();
    m_normTemp->SelectFloatItemData(static_cast<float>(setup.GetNormTemp()));
  }
  platform::DDX_Radio(dx, kHumidity, m_humidity);
  platform::DDX_Radio(dx, kPressure, m_pressure);
  platform::DDX_Radio(dx, kTemperature, m_temperature);
  platform::DDX_Radio(dx, kGasConc, m_gasConc);
  platform::DDX_Radio(dx, kLength, m_length);
  if (dx->m_bSaveAndValidate) {
    m_hasNormTemp = m_normTemp->GetCurSel() >= 0;
    m_normTempValue = m_normTemp->GetSelFloatItemData();
  }
}

void CUnits::OnOK() {
  if (!UpdateData(true)) return;
  COSystemSetup& setup = m_context.Setup();
  // A group left without a choice (a unit the set-up held that no button
  // stands for) keeps the set-up's unit.
  auto keep = [](int chosen, int current) { return static_cast<unsigned char>(chosen >= 0 ? chosen : current); };
  setup.SetHumidityUnit(keep(m_humidity, setup.GetHumidityUnit().GetUnit()));
  setup.SetPressureUnit(keep(m_pressure, setup.GetPressureUnit().GetUnit()));
  setup.SetTempUnit(keep(m_temperature, setup.GetTempUnit().GetUnit()));
  setup.SetGasConcUnit(keep(m_gasConc, setup.GetGasConcUnit().GetUnit()));
  setup.SetLengthUnit(keep(m_length, setup.GetLengthUnit().GetUnit()));
  // Read in the unit just stored; without a choice the temperature stays.
  if (m_hasNormTemp) setup.SetNormTemp(m_normTempValue);
  setup.Save();
  UpdateAllViewsOfDoc(m_context, kHintReloadInterval);
  EndDialog(platform::IDOK);
}
