// The shared controls: the interval edit in its day and hour forms, the
// combo and list boxes that find entries by data and draw colours, styles
// and channels, and the property sheet that keeps a page with a wrong entry
// in front.
#include <gtest/gtest.h>

#include <QTabBar>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "ProgramProfiles.h"
#include "COSequence.h"
#include "DataContext.h"
#include "DialogFixture.h"
#include "IntervalEdit.h"
#include "ListControls.h"
#include "MeasInterval.h"
#include "ModalWatch.h"
#include "core/Text.h"
#include "ui/DataExchange.h"
#include "ui/PropertySheet.h"

namespace {

using Texts = std::vector<std::string>;

class ControlsTest : public ::testing::Test {
 protected:
  Gui gui;
  platform::ScriptedMessageSink messages;
};

// --- interval edit ---

// A dialog with one interval edit (1092 with spin 1093) whose exchange checks
// it against the limits, and another edit to hold the focus.
struct IntervalForm {
  explicit IntervalForm(bool dayForm) : edit(dayForm) {
    other = dlg.AddEdit(1);
    dlg.AddEdit(1092);
    dlg.AddSpin(1093);
    EXPECT_TRUE(edit.Attach(&dlg, 1092, 1093));
    dlg.exchange = [this](platform::CDataExchange* dx) { edit.DDXValidate(dx, minimum, maximum); };
    dlg.show();
    other->setFocus();
  }
  TestDialog dlg;
  QLineEdit* other;
  COIntervalEdit edit;
  int minimum = 0, maximum = 0;
};

TEST_F(ControlsTest, TheIntervalIsCheckedInTheWeightsOfItsForm) {
  const char* rangeDays = "Please enter an interval between 00:00:01 and 30:00:00";
  const char* rangeAverage = "Please enter an interval between 00:00:01 and 01:00:00";
  const char* rangeHours = "Please enter an interval between 00:10 and 12:00";
  struct {
    bool dayForm;
    int min, max;
    const char* text;
    const char* shown;  // empty: accepted
  } cases[] = {
      // The graph window's time span, 1 to 108000: 00:00:01 to 30:00:00.
      {true, 1, 108000, "00:00:01", ""},
      {true, 1, 108000, "30:00:00", ""},
      {true, 1, 108000, "29:23:59", ""},
      {true, 1, 108000, "00:00:00", rangeDays},
      {true, 1, 108000, "30:00:01", rangeDays},
      {true, 1, 108000, "31:00:00", rangeDays},
      {true, 1, 108000, "1:2:3", ""},
      {true, 1, 108000, "", "Please enter a valid interval (DD:HH:MM)"},
      {true, 1, 108000, "01:02", "Please enter a valid interval (DD:HH:MM)"},
      {true, 1, 108000, "ab:cd:ef", "Please enter a valid interval (DD:HH:MM)"},
      // The rolling average, at most a day.
      {true, 1, 3600, "01:00:00", ""},
      {true, 1, 3600, "00:23:59", ""},
      {true, 1, 3600, "01:00:01", rangeAverage},
      {true, 1, 3600, "00:24:00", ""},
      // An hours field beyond a day counts as the days it makes: 50 hours
      // are 2 days 2 hours, not less than a day.
      {true, 1, 3600, "00:50:00", rangeAverage},
      {true, 1, 3600, "00:30:00", rangeAverage},
      // Minutes carry into hours alike.
      {true, 1, 3600, "00:23:99", rangeAverage},
      // The sampling interval, 10 to 720 minutes: 00:10 to 12:00.
      {false, 10, 720, "00:10", ""},
      {false, 10, 720, "12:00", ""},
      {false, 10, 720, "00:09", rangeHours},
      {false, 10, 720, "12:01", rangeHours},
      {false, 10, 720, "00:99", ""},
      {false, 10, 720, "5:7", ""},
      {false, 10, 720, "00", "Please enter a valid interval (HH:MM)"},
      {false, 10, 720, "", "Please enter a valid interval (HH:MM)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    IntervalForm form(c.dayForm);
    form.minimum = c.min;
    form.maximum = c.max;
    form.edit.SetWindowText(c.text);
    messages.Clear();
    const bool ok = *c.shown == '\0';
    EXPECT_EQ(form.dlg.UpdateData(true), ok);
    EXPECT_EQ(messages.Texts(), ok ? Texts{} : Texts{c.shown});
    EXPECT_EQ(form.dlg.focusWidget(), ok ? static_cast<QWidget*>(form.other) : &form.edit);
    // Loading checks nothing.
    messages.Clear();
    EXPECT_TRUE(form.dlg.UpdateData(false));
    EXPECT_EQ(messages.Texts(), Texts{});
  }
}

TEST_F(ControlsTest, TheIntervalIsReadAndWrittenInSeconds) {
  struct {
    bool dayForm;
    const char* text;
    int seconds;
  } reads[] = {
      {true, "01:02:03", ((24 + 2) * 60 + 3) * 60},
      {true, "1:2:3", ((24 + 2) * 60 + 3) * 60},
      {true, "00:00:00", 0},
      {true, "12:30", 0},
      {true, "", 0},
      {false, "12:30", (12 * 60 + 30) * 60},
      {false, "00:99", 99 * 60},
      {false, "x", 0},
      // Fields too large for an int never wrap round.
      {true, "99999999999:00:00", 2147483647},
      {false, "99999999999:00", 2147483647},
  };
  for (const auto& r : reads) {
    SCOPED_TRACE(r.text);
    COIntervalEdit e(r.dayForm);
    e.SetWindowText(r.text);
    EXPECT_EQ(e.GetSeconds(), r.seconds);
  }
  struct {
    bool dayForm;
    int seconds;
    const char* text;
  } writes[] = {
      {true, ((24 + 2) * 60 + 3) * 60, "01:02:03"},
      {true, 59, "00:00:00"},
      {true, 30 * 86400, "30:00:00"},
      {false, (12 * 60 + 30) * 60, "12:30"},
      // The hour form shows the hours modulo 24.
      {false, (25 * 60 + 1) * 60, "01:01"},
      // Two digits a field: the day form stops at 99:23:59.
      {true, 100 * 86400, "99:23:59"},
      {true, 2147483647, "99:23:59"},
      {true, -60, "00:00:00"},
      {false, -60, "00:00"},
  };
  for (const auto& w : writes) {
    SCOPED_TRACE(w.seconds);
    COIntervalEdit e(w.dayForm);
    e.SetSeconds(w.seconds);
    EXPECT_EQ(e.GetWindowText(), w.text);
  }
}

// The caret placed the way only the control itself may place it.
class CaretEdit : public COIntervalEdit {
 public:
  using COIntervalEdit::COIntervalEdit;
  void PutCaret(int at) { SelectField(at, at); }
  void Type(unsigned ch) { OnChar(ch); }
  void Select(int start, int end) { SelectField(start, end); }
};

TEST_F(ControlsTest, TheIntervalSpinStepsTheFieldUnderTheCaret) {
  struct {
    bool dayForm;
    const char* text;
    int caret;
    bool up;
    const char* want;
    int selStart;  // the field selected again
  } cases[] = {
      {true, "01:02:03", 0, true, "02:02:03", 0},
      {true, "01:02:03", 4, true, "01:03:03", 3},
      {true, "01:02:03", 8, true, "01:02:04", 6},
      {true, "01:23:03", 3, true, "02:00:03", 3},
      {true, "00:00:59", 7, true, "00:01:00", 6},
      {true, "01:02:03", 1, false, "00:02:03", 0},
      {true, "00:02:03", 1, false, "00:02:03", 0},
      {true, "00:01:00", 6, false, "00:00:59", 6},
      {true, "01:00:00", 6, false, "01:00:00", 6},
      {true, "00:00:00", 6, false, "00:00:00", 6},
      // Two digits of days at most: the span stays.
      {true, "99:02:03", 0, true, "99:02:03", 0},
      {true, "99:23:59", 7, true, "99:23:59", 6},
      {true, "98:23:59", 7, true, "99:00:00", 6},
      {true, "1:2:3", 0, true, "02:02:03", 0},
      {false, "23:59", 0, true, "00:59", 0},
      {false, "01:00", 3, false, "00:59", 3},
      {false, "00:00", 3, false, "00:00", 3},
      {false, "00:59", 4, true, "01:00", 3},
      {false, "10:00", 2, false, "09:00", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.up ? " up at " : " down at ") + std::to_string(c.caret));
    CaretEdit e(c.dayForm);
    e.SetWindowText(c.text);
    e.PutCaret(c.caret);
    c.up ? e.SpinUp() : e.SpinDown();
    EXPECT_EQ(e.GetWindowText(), c.want);
    int start = 0, end = 0;
    e.GetSel(start, end);
    EXPECT_EQ(start, c.selStart);
    EXPECT_EQ(end, c.selStart + 2);
  }
  // A text that does not read does not spin.
  CaretEdit e(true);
  e.SetWindowText("12:30");
  e.SpinUp();
  EXPECT_EQ(e.GetWindowText(), "12:30");
}

TEST_F(ControlsTest, TheIntervalTakesDigitsOnlyAndNoThirdDigitInAField) {
  struct {
    const char* text;
    int start, end;
    unsigned ch;
    const char* want;
  } cases[] = {
      {"01:02:03", 0, 2, '7', "7:02:03"},   // a selected field is replaced
      {"01:02:03", 0, 1, '7', "71:02:03"},
      {"01:02:03", 1, 1, '7', "01:02:03"},  // a third digit is refused
      {"01:02:03", 8, 8, '7', "01:02:03"},
      {"1:02:03", 0, 0, '7', "71:02:03"},
      {"01::03", 3, 3, '7', "01:7:03"},
      {"01:02:03", 2, 2, 'a', "01:02:03"},  // letters and colons go nowhere
      {"01:02:03", 2, 2, ':', "01:02:03"},  // a colon steps over the colon
      {"01:02:03", 1, 3, '7', "07:02:03"},  // over a colon the digits go, the colon stays
      {"01::03", 2, 2, '7', "01:7:03"},     // a full field's digit goes on to the next
      {"01:02:03", 2, 2, '7', "01:02:03"},  // unless that one is full too
      {"01:02:03", 0, 0, 8, "01:02:03"},    // backspace at the start
      {"01:02:03", 3, 3, 8, "01:02:03"},    // or after a colon
      {"01:02:03", 2, 2, 8, "0:02:03"},
      {"01:02:03", 2, 2, 127, "01:02:03"},  // delete before a colon
      {"01:02:03", 6, 8, 127, "01:02:"},
      {"01:02:03", 1, 4, 127, "0:2:03"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " + " + std::to_string(c.ch) + " at " + std::to_string(c.start));
    CaretEdit e(true);
    e.SetWindowText(c.text);
    e.Select(c.start, c.end);
    e.Type(c.ch);
    EXPECT_EQ(e.GetWindowText(), c.want);
  }
  // Through the keyboard, and the selection the dialog asks for is refused.
  CaretEdit e(false);
  e.SetWindowText("12:30");
  e.SetSel(0, -1);
  int start = 0, end = 0;
  e.GetSel(start, end);
  EXPECT_EQ(end - start, 0);
  e.PutCaret(5);
  TypeChar(&e, '5');
  PressKey(&e, Qt::Key_Backspace, QString(QChar(8)));
  TypeChar(&e, '9');
  TypeChar(&e, '9');
  EXPECT_EQ(e.GetWindowText(), "12:39");
}

// A person selects the whole text and types a new one, colon and all.
TEST_F(ControlsTest, TheIntervalIsTypedAnewOverTheWholeText) {
  for (const char* typed : {"12:01", "1201"}) {
    SCOPED_TRACE(typed);
    IntervalForm form(false);
    form.edit.SetSeconds(600);
    form.edit.setFocus();
    PressKey(&form.edit, Qt::Key_A, QString(QChar(1)), Qt::ControlModifier);
    for (const char* c = typed; *c; ++c) TypeChar(&form.edit, *c);
    EXPECT_EQ(form.edit.GetWindowText(), "12:01");
    EXPECT_EQ(form.edit.GetSeconds(), 12 * 3600 + 60);
  }
}

TEST_F(ControlsTest, TheIntervalSpinButtonStepsItsEdit) {
  IntervalForm form(true);
  form.edit.SetSeconds(3600);
  form.edit.GetSpin().UpButton()->click();
  EXPECT_EQ(form.edit.GetWindowText(), "00:01:01");
  form.edit.GetSpin().DownButton()->click();
  form.edit.GetSpin().DownButton()->click();
  EXPECT_EQ(form.edit.GetWindowText(), "00:00:59");
}

// --- combo boxes ---

TEST_F(ControlsTest, AComboFindsEntriesByTheirData) {
  COComboEx combo;
  EXPECT_EQ(combo.SelectItemData(3), -1);
  EXPECT_EQ(combo.GetCurSel(), -1);
  EXPECT_EQ(combo.GetSelItemData(), 0);
  EXPECT_EQ(combo.GetSelFloatItemData(), 0.0f);

  EXPECT_EQ(combo.AddItem("A", 10), 0);
  EXPECT_EQ(combo.AddItem("B", 20), 1);
  EXPECT_EQ(combo.AddItem("B again", 20), 2);
  EXPECT_EQ(combo.GetCurSel(), 2);  // the entry added last is selected
  EXPECT_EQ(combo.SelectItemData(20), 1);
  EXPECT_EQ(combo.GetSelItemData(), 20);
  EXPECT_EQ(combo.SelectItemData(99), -1);
  EXPECT_EQ(combo.GetCurSel(), 1);  // unchanged
  combo.SetCurSel(-1);
  EXPECT_EQ(combo.GetSelItemData(), 0);

  struct {
    float value;
    int index;
  } floats[] = {{1.0f, 0}, {1.0005f, 0}, {0.9995f, 0}, {1.001f, -1}, {1.01f, -1}, {20.0f, 1}, {-20.0f, -1}};
  COComboEx f;
  f.AddFloatItem("0 °C", 1.0f);
  f.AddFloatItem("20 °C", 20.0f);
  for (const auto& c : floats) {
    SCOPED_TRACE(c.value);
    f.SetCurSel(-1);
    EXPECT_EQ(f.SelectFloatItemData(c.value), c.index);
    EXPECT_EQ(f.GetCurSel(), c.index);
  }
  f.SetCurSel(1);
  EXPECT_EQ(f.GetSelFloatItemData(), 20.0f);
}

class ColumnsTest : public ControlsTest {
 protected:
  CColumn Column(int channel, int axis, int style, int colour) {
    CColumn c(context);
    c.SetSequence(&context.ActiveSequence(), &interval);
    c.SetChannel(static_cast<unsigned char>(channel));
    c.SetAxis(static_cast<unsigned char>(axis));
    c.SetUnit(COConcUnit::ppm);
    c.SetPenStyle(static_cast<unsigned char>(style));
    c.SetColorIndex(static_cast<unsigned char>(colour));
    return c;
  }
  DrawItemInfo Item(int index, platform::CRect rect, bool selected, bool focus) {
    DrawItemInfo info;
    info.itemID = index;
    info.rcItem = rect;
    info.selected = selected;
    info.focus = focus;
    info.window = 0xFFFFFF;
    info.windowText = 0x000000;
    info.highlight = 0x800000;
    info.highlightText = 0xFFFFFF;
    return info;
  }

  DataContext context{kovo::test::ProfileOf("Online")};
  COMeasInterval interval{context};
};

TEST_F(ColumnsTest, ColourAndStyleBoxesDrawTheirEntries) {
  CColorCombo colours;
  colours.FillColors();
  ASSERT_EQ(colours.GetCount(), 8);
  const platform::COLORREF palette[] = {0x0000FF, 0x00DF00, 0xFF0000, 0x00EFEF, 0xD8D800, 0xCF00EF, 0, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(colours.GetColor(i), palette[i]);
  EXPECT_EQ(colours.MeasureItem(), 20);
  platform::RecordingDC dc;
  colours.DrawItem(dc, Item(1, platform::CRect(0, 0, 100, 20), false, false));
  EXPECT_EQ(dc.Calls(), Texts{"FillSolidRect 2,2,98,18 00DF00"});
  dc.Clear();
  colours.DrawItem(dc, Item(1, platform::CRect(0, 0, 100, 20), true, true));
  ASSERT_EQ(dc.Calls().size(), 6u);  // and a focus frame
  EXPECT_EQ(dc.Calls()[2], "LineTo 99,0 pen 2/1/000000");

  CStyleCombo styles;
  styles.FillStyles();
  ASSERT_EQ(styles.GetCount(), 5);
  const CColumn blue = Column(0, 0, 0, 2);
  styles.SetColumn(&blue);
  dc.Clear();
  styles.DrawItem(dc, Item(3, platform::CRect(0, 20, 100, 40), false, false));
  EXPECT_EQ(dc.Calls(), (Texts{"MoveTo 4,30", "LineTo 96,30 pen 3/1/FF0000"}));
  EXPECT_EQ(dc.GetCurrentPosition().y, 30);
}

TEST_F(ColumnsTest, TheColumnListShowsALineSampleOnlyForCurves) {
  CColumn curve = Column(5, 1, 1, 0);
  CColumn numeric = Column(5, 255, 0, 0);
  COColumnList list;
  EXPECT_EQ(list.AddColumn(&numeric), 0);
  EXPECT_EQ(list.InsertColumn(0, &curve), 0);
  EXPECT_EQ(list.GetColumn(0), &curve);
  EXPECT_EQ(list.GetColumn(1), &numeric);
  EXPECT_EQ(list.GetColumn(2), nullptr);
  EXPECT_EQ(list.MeasureItem(), 17);

  const unsigned text = platform::DT_LEFT | platform::DT_VCENTER | platform::DT_SINGLELINE;
  platform::RecordingDC dc;
  list.DrawItem(dc, Item(0, platform::CRect(0, 0, 200, 17), false, false));
  EXPECT_EQ(dc.Calls(), (Texts{"FillSolidRect 0,0,200,17 FFFFFF", "MoveTo 4,8", "LineTo 25,8 pen 1/1/0000FF",
                               platform::Format("DrawText \"W: Water Vapour (ppm)\" 29,2,198,15 fmt %X", text)}));
  dc.Clear();
  list.DrawItem(dc, Item(1, platform::CRect(0, 17, 200, 34), true, true));
  ASSERT_EQ(dc.Calls().size(), 7u);  // a focus frame, no line
  EXPECT_EQ(dc.Calls()[0], "FillSolidRect 0,17,200,34 800000");
  EXPECT_EQ(dc.Calls()[1], platform::Format("DrawText \"W: Water Vapour (ppm)\" 2,19,198,32 fmt %X", text));
  dc.Clear();
  list.DrawItem(dc, Item(-1, platform::CRect(0, 0, 200, 17), true, true));
  EXPECT_EQ(dc.Calls(), Texts{});

  {
    DataContext calibration{kovo::test::ProfileOf("Calibration")};
    COMeasInterval shown{calibration};
    CColumn water(calibration);
    water.SetSequence(&calibration.ActiveSequence(), &shown);
    water.SetChannel(5);
    // (the Calibration program's units are its own)
    EXPECT_EQ(COColumnList::RowText(water).rfind("Water Vapour (", 0), 0u);
  }
  EXPECT_EQ(COColumnList::RowText(numeric), "W: Water Vapour (ppm)");

  EXPECT_EQ(list.DeleteString(0), 1);
  EXPECT_EQ(list.GetColumn(0), &numeric);
  EXPECT_EQ(list.DeleteString(5), -1);
}

// --- property sheet ---

// A page with one number that must lie between 0 and 10; it counts its
// loads and activations.
class NumberPage : public platform::CPropertyPage {
 public:
  NumberPage(const char* caption, int* value) : platform::CPropertyPage(200, caption), m_value(value) {
    auto* layout = new QGridLayout(this);
    edit = new QLineEdit(this);
    layout->addWidget(edit, 0, 0);
    AddItem(1000, edit);
  }
  bool OnSetActive() override {
    ++activations;
    return platform::CPropertyPage::OnSetActive();
  }
  QLineEdit* edit;
  int activations = 0, inits = 0;

 protected:
  bool OnInitDialog() override {
    ++inits;
    return platform::CPropertyPage::OnInitDialog();
  }
  void DoDataExchange(platform::CDataExchange* dx) override {
    platform::DDX_Text(dx, 1000, *m_value);
    if (dx->m_bSaveAndValidate && (*m_value < 0 || *m_value > 10)) {
      dx->PrepareEditCtrl(1000);
      ShowMessageText("out of range");
      dx->Fail();
    }
  }

 private:
  void ShowMessageText(const char* text) { platform::MessageBox(text); }
  int* m_value;
};

class Sheet : public platform::CPropertySheet {
 public:
  Sheet(int* a, int* b) : platform::CPropertySheet("Test Sheet"), first("First", a), second("Second", b) {
    AddPage(&first);
    AddPage(&second);
  }
  NumberPage first, second;
  int destroyedOn = -2;

 protected:
  void OnDestroy() override { destroyedOn = GetActiveIndex(); }
};

TEST_F(ControlsTest, ASheetStaysOnAPageWithAWrongEntry) {
  int a = 1, b = 2;
  Sheet sheet(&a, &b);
  EXPECT_EQ(sheet.GetPageCount(), 2);
  EXPECT_TRUE(sheet.SetActivePage(1));  // before showing: only chosen
  EXPECT_EQ(sheet.GetActiveIndex(), 1);
  EXPECT_FALSE(sheet.SetActivePage(2));
  sheet.show();
  EXPECT_EQ(sheet.GetActivePage(), &sheet.second);
  EXPECT_EQ(sheet.first.inits, 0);  // a page is set up when first shown
  EXPECT_EQ(sheet.second.inits, 1);
  EXPECT_EQ(sheet.second.edit->text(), "2");

  sheet.second.edit->setText("11");
  messages.Clear();
  auto* tabs = sheet.findChild<QTabBar*>();
  ASSERT_NE(tabs, nullptr);
  tabs->setCurrentIndex(0);
  EXPECT_EQ(messages.Texts(), Texts{"out of range"});
  EXPECT_EQ(sheet.GetActiveIndex(), 1);
  EXPECT_EQ(tabs->currentIndex(), 1);
  EXPECT_TRUE(sheet.second.isVisible());
  EXPECT_FALSE(sheet.first.isVisible());
  EXPECT_EQ(sheet.first.inits, 0);
  EXPECT_EQ(sheet.focusWidget(), sheet.second.edit);

  // So is the keyboard's way to the next page.
  messages.Clear();
  PressKey(sheet.second.edit, Qt::Key_Tab, QString(), Qt::ControlModifier);
  EXPECT_EQ(messages.Texts(), Texts{"out of range"});
  EXPECT_EQ(sheet.GetActiveIndex(), 1);

  // OK is refused alike, and the sheet stays open.
  messages.Clear();
  sheet.accept();
  EXPECT_EQ(messages.Texts(), Texts{"out of range"});
  EXPECT_TRUE(sheet.isVisible());
  EXPECT_EQ(b, 11);  // what the page read stays in its object, as it was read

  // Mended, the page is saved on leaving, and the next is loaded.
  sheet.second.edit->setText("7");
  messages.Clear();
  tabs->setCurrentIndex(0);
  EXPECT_EQ(messages.Texts(), Texts{});
  EXPECT_EQ(b, 7);
  EXPECT_EQ(sheet.GetActiveIndex(), 0);
  EXPECT_EQ(sheet.first.inits, 1);
  EXPECT_EQ(sheet.first.edit->text(), "1");
  PressKey(sheet.first.edit, Qt::Key_Tab, QString(), Qt::ControlModifier);
  EXPECT_EQ(sheet.GetActiveIndex(), 1);
  PressKey(sheet.second.edit, Qt::Key_Tab, QString(), Qt::ControlModifier);
  EXPECT_EQ(sheet.GetActiveIndex(), 0);
  // Coming back reloads the page from its object.
  b = 4;
  EXPECT_TRUE(sheet.SetActivePage(&sheet.second));
  EXPECT_EQ(sheet.second.edit->text(), "4");
  EXPECT_EQ(sheet.second.inits, 1);
  EXPECT_EQ(sheet.second.activations, 3);
  sheet.hide();
}

TEST_F(ControlsTest, ASheetEndsWithOkOnlyWhenTheActivePageIsRight) {
  int a = 3, b = 5;
  Sheet sheet(&a, &b);
  QString seen;
  int step = 0;
  ModalWatch watch([&](platform::CDialog* dlg) {
    if (dlg != &sheet) return;
    if (step == 0) {
      sheet.first.edit->setText("-1");
      PressKey(sheet.first.edit, Qt::Key_Return);  // Enter in a page is the sheet's OK
      step = sheet.isVisible() ? 1 : 99;
    } else if (step == 1) {
      sheet.first.edit->setText("9");
      PressKey(sheet.first.edit, Qt::Key_Return);
      step = 2;
    }
  });
  EXPECT_EQ(sheet.DoModal(), platform::IDOK);
  EXPECT_EQ(step, 2);
  EXPECT_EQ(messages.Texts(), Texts{"out of range"});
  EXPECT_EQ(a, 9);
  EXPECT_EQ(b, 5);  // the page never shown is not touched
  EXPECT_EQ(sheet.second.inits, 0);
  EXPECT_EQ(sheet.destroyedOn, 0);
}

TEST_F(ControlsTest, CancelAndEscapeEndASheetWithoutSavingTheActivePage) {
  int a = 3, b = 5;
  Sheet sheet(&a, &b);
  sheet.SetActivePage(1);
  ModalWatch watch([&](platform::CDialog* dlg) {
    if (dlg != &sheet) return;
    sheet.second.edit->setText("99");
    PressKey(sheet.second.edit, Qt::Key_Escape);
  });
  EXPECT_EQ(sheet.DoModal(), platform::IDCANCEL);
  EXPECT_EQ(b, 5);
  EXPECT_EQ(messages.Texts(), Texts{});
  EXPECT_EQ(sheet.destroyedOn, 1);
}

TEST_F(ControlsTest, TheApplyButtonCanBeRelabelledAndHidden) {
  int a = 3, b = 5;
  Sheet sheet(&a, &b);
  sheet.SetDlgItemText(platform::ID_APPLY_NOW, "Default...");
  EXPECT_EQ(sheet.GetDlgItemText(platform::ID_APPLY_NOW), "Default...");
  sheet.show();
  EXPECT_TRUE(sheet.GetDlgItem(platform::ID_APPLY_NOW)->isVisible());
  EXPECT_EQ(sheet.GetDlgItemText(platform::IDOK), "OK");
  EXPECT_EQ(sheet.GetDlgItemText(platform::IDCANCEL), "Cancel");
  sheet.hide();

  Sheet hidden(&a, &b);
  hidden.GetDlgItem(platform::ID_APPLY_NOW)->hide();
  hidden.show();
  EXPECT_FALSE(hidden.GetDlgItem(platform::ID_APPLY_NOW)->isVisible());
  EXPECT_TRUE(hidden.GetDlgItem(platform::IDOK)->isVisible());
  hidden.hide();
}

}  // namespace
