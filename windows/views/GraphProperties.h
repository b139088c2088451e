#pragma once
// The graph window's properties: the interval (by time or by measurement
// number, with its rolling average) and, for each Y axis, its scaling and
// the curves drawn against it. The sheet edits the interval it is given,
// which the window hands in as a copy.
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FloatEdit.h"
#include "IntervalEdit.h"
#include "ListControls.h"
#include "MeasInterval.h"
#include "NumEdit.h"
#include "ui/PropertySheet.h"

class DataContext;

// "Interval": the span by time ("DD:HH:MM") or by a count of measurements,
// and the rolling average in minutes or measurements to match.
class COXAxisPage : public platform::CPropertyPage {
 public:
  explicit COXAxisPage(QWidget* parent = nullptr);
  void SetIntervalTarget(COMeasInterval* interval) { m_interval = interval; }

  // Shows the rolling average in the mode's form, converting the one shown
  // before: measurements by number, DD:HH:MM by time.
  void UpdateModeFields();
  int ShownMode() const { return m_shownMode; }
  COIntervalEdit& TimeSpan() { return m_timeSpan; }
  CONumEdit& Count() { return m_count; }
  CONumEdit& AverageCount() { return m_averageCount; }
  COIntervalEdit& AverageTime() { return m_averageTime; }
  QRadioButton& ByTime() { return *m_byTime; }
  QRadioButton& ByNumber() { return *m_byNumber; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  COIntervalEdit m_timeSpan{true};
  CONumEdit m_count;
  CONumEdit m_averageCount;
  COMeasInterval* m_interval = nullptr;
  COIntervalEdit m_averageTime{true};
  int m_shownMode = -1;
  QRadioButton* m_byTime;
  QRadioButton* m_byNumber;
  QButtonGroup m_modes;
};

// The channels a curve or a numeric column can show, with their names: the
// gases (in the Presentation program those its stored sequence kept, else
// those defined), the temperature in the Calibration program, and the
// pressure of a leak detector or in the Presentation program.
std::vector<std::pair<int, std::string>> OfferedChannels(DataContext& context);

// "Left Y-axis" or "Right Y-axis": the axis's scaling and its curves, each
// with its channel, unit, colour and pen style.
class COYAxisPage : public platform::CPropertyPage {
 public:
  // templateId: 160 left, 161 right (170 and 168 in the Calibration program).
  COYAxisPage(DataContext& context, int templateId, const std::string& caption, QWidget* parent = nullptr);
  ~COYAxisPage() override;
  void SetTarget(COMeasInterval* interval, int axis);

  // "Define...": asks for a colour; false when none was chosen. The colour
  // dialog unless replaced.
  std::function<bool(platform::COLORREF&)> chooseColour;

  void OnAddNew();
  void OnInsertBefore();
  void OnRemove();
  void OnDefineColour();
  void OnParameterChange();
  void OnListSelect();
  // The working column from the combos, and the combos from it.
  void UpdateControls();
  bool OnSetActive() override;

  const CColumn& Working() const { return m_working; }
  std::vector<const CColumn*> Curves() const;
  COColumnList& List() { return m_list; }
  COComboEx& Parameters() { return m_parameter; }
  CComboBox& Units() { return m_unit; }
  CColorCombo& Colours() { return m_colour; }
  CStyleCombo& Styles() { return m_style; }
  QLineEdit& MaxEdit() { return *m_max; }
  QLineEdit& MinEdit() { return *m_min; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowWorking();
  void Select(int row);
  void ClearCurves();
  CColumn NewCurve() const;

  DataContext& m_context;
  CColumn m_working;
  // "Define..." chose a colour: the next control update keeps it.
  bool m_customColourChosen = false;
  std::vector<std::unique_ptr<CColumn>> m_curves;
  COColumnList m_list;
  COComboEx m_parameter;
  CComboBox m_unit;
  CColorCombo m_colour;
  CStyleCombo m_style;
  COMeasInterval* m_interval = nullptr;
  int m_axis = 0;
  bool m_updating = false;
  QButtonGroup m_scaleModes;
  QLineEdit* m_max;
  QLineEdit* m_min;
};

// A program's page of a window's property sheet, made on the interval the
// sheet edits.
using PageFactory = std::function<platform::CPropertyPage*(COMeasInterval&)>;

// The property sheet of a graph or numeric window, on a copy of its
// interval: the interval page (a program's own, or the shared one) first,
// then the window's own pages, and a program's page more last (the
// Presentation program's events). It opens on the page it was last left on
// (lastPage, the window layer's) and has no Apply.
class CWindowSheet : public platform::CPropertySheet {
 public:
  CWindowSheet(const std::string& caption, COMeasInterval& interval, QWidget* parent, const PageFactory& intervalPage,
               int* lastPage);
  // The shared interval page (not shown in place of a program's own).
  COXAxisPage& IntervalPage() { return m_intervalPage; }

 protected:
  // After the window's own pages.
  void AddProgramPage(COMeasInterval& interval, const PageFactory& page);
  bool OnInitDialog() override;
  void OnDestroy() override;

 private:
  int* m_lastPage;
  COXAxisPage m_intervalPage;
};

class CGraphWindowSheet : public CWindowSheet {
 public:
  CGraphWindowSheet(DataContext& context, COMeasInterval& interval, QWidget* parent = nullptr,
                    const PageFactory& intervalPage = nullptr, const PageFactory& extraPage = nullptr,
                    int* lastPage = nullptr);

  COYAxisPage& LeftPage() { return m_left; }
  COYAxisPage& RightPage() { return m_right; }

 protected:
  // F1: the program's manual.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  DataContext& m_context;
  COYAxisPage m_left;
  COYAxisPage m_right;
};
