// The number, float, date and time edits with their spin buttons: range
// checks when a dialog saves, the steps of the spin, and the key handling of
// the date and time fields.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QToolButton>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "DateTimeEdit.h"
#include "DialogFixture.h"
#include "FloatEdit.h"
#include "NumEdit.h"

namespace {

using Texts = std::vector<std::string>;

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int id : {1020, 1027, 1040, 1042}) dlg.AddEdit(id);
    for (int id : {1092, 1028, 1041, 1043}) dlg.AddSpin(id);
  }
  // The dialog saves; the texts it showed.
  Texts Save(bool expectOk) {
    messages.Clear();
    EXPECT_EQ(dlg.UpdateData(true), expectOk);
    return messages.Texts();
  }

  // Saves a form whose exchange validates the edit, with the focus elsewhere:
  // either nothing is shown, or the message is and the focus goes to the
  // edit with its text selected.
  template <class Make, class Configure>
  void ExpectSave(Make make, Configure configure, const char* text, const char* shown) {
    TestDialog form;
    QLineEdit* other = form.AddEdit(1);
    form.AddEdit(1020);
    form.AddSpin(1092);
    auto e = make();
    ASSERT_TRUE(e->SubclassDlgItems(1020, 1092, &form));
    configure(*e);
    e->SetWindowText(text);
    form.exchange = [&](platform::CDataExchange* dx) { e->DDXValidate(dx); };
    form.show();
    other->setFocus();
    messages.Clear();
    const bool ok = *shown == '\0';
    EXPECT_EQ(form.UpdateData(true), ok);
    EXPECT_EQ(messages.Texts(), ok ? Texts{} : Texts{shown});
    EXPECT_EQ(form.focusWidget(), ok ? static_cast<QWidget*>(other) : e.get());
    if (!ok) {
      EXPECT_EQ(e->selectedText(), e->text());
    }
    // Loading checks nothing.
    EXPECT_TRUE(form.UpdateData(false));
  }

  Gui gui;
  platform::ScriptedMessageSink messages;
  TestDialog dlg;
};

// --- whole numbers ---

TEST_F(EditTest, ANumberIsCheckedAgainstItsRangeAndExcludedStretch) {
  struct {
    int min, max, low, high;
    unsigned message;
    const char* text;
    const char* shown;  // empty: accepted
  } cases[] = {
      // The tube flushing time: 0, or 3 to 120.
      {0, 120, 1, 2, 202, "0", ""},
      {0, 120, 1, 2, 202, "3", ""},
      {0, 120, 1, 2, 202, "120", ""},
      {0, 120, 1, 2, 202, "1", "Please enter a tube flushing time between 3 and 120, or 0 for no flushing"},
      {0, 120, 1, 2, 202, "2", "Please enter a tube flushing time between 3 and 120, or 0 for no flushing"},
      {0, 120, 1, 2, 202, "121", "Please enter a tube flushing time between 3 and 120, or 0 for no flushing"},
      // The chamber flushing time.
      {2, 60, 0, -1, 156, "1", "Please enter a number between 2 and 60"},
      {2, 60, 0, -1, 156, "60", ""},
      {2, 60, 0, -1, 156, " 7", ""},
      {2, 60, 0, -1, 156, "", "Please enter a valid number"},
      {2, 60, 0, -1, 156, "abc", "Please enter a valid number"},
      // A number too large for an int is out of range, not wrapped round to 1.
      {0, 10000, 0, -1, 156, "4294967297", "Please enter a number between 0 and 10000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ExpectSave([&] { return std::make_unique<CONumEdit>(c.message); },
               [&](CONumEdit& e) {
                 e.SetRange(c.min, c.max);
                 e.SetExcludedRange(c.low, c.high);
               },
               c.text, c.shown);
  }
}

TEST_F(EditTest, TheNumberSpinSkipsTheExcludedStretchAndStopsAtTheLimits) {
  struct {
    int min, max, low, high;
    const char* text;
    bool up;
    const char* want;
  } cases[] = {
      {0, 120, 1, 2, "0", true, "3"},      {0, 120, 1, 2, "3", false, "0"},   {0, 120, 1, 2, "7", true, "8"},
      {0, 120, 1, 2, "120", true, "120"},  {0, 120, 1, 2, "0", false, "0"},   {0, 120, 1, 2, " 7", true, "8"},
      {0, 120, 1, 2, "130", true, "130"},  {0, 120, 1, 2, "", true, ""},     {0, 120, 1, 2, "", false, ""},
      // Written back even where the value stays.
      {0, 120, 1, 2, " 120", true, "120"},
      // Never below zero, whatever the minimum.
      {-5, 10, 0, -1, "0", false, "0"},    {-5, 10, 0, -1, "1", false, "0"},
      // A stretch at the bottom of the range.
      {0, 10, 0, 2, "4", false, "3"},      {0, 10, 0, 2, "3", false, "3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << '"' << (c.up ? " up" : " down"));
    CONumEdit e(156);
    e.SetRange(c.min, c.max);
    e.SetExcludedRange(c.low, c.high);
    e.SetWindowText(c.text);
    c.up ? e.SpinUp() : e.SpinDown();
    EXPECT_EQ(e.GetWindowText(), c.want);
  }
}

TEST_F(EditTest, TheSpinButtonStepsItsEdit) {
  CONumEdit e(156);
  ASSERT_TRUE(e.SubclassDlgItems(1020, 1092, &dlg));
  EXPECT_EQ(dlg.GetDlgItem(1092), &e.GetSpin());
  e.SetValue(5);
  e.GetSpin().UpButton()->click();
  e.GetSpin().UpButton()->click();
  EXPECT_EQ(e.GetValue(), 7);
  e.GetSpin().DownButton()->click();
  EXPECT_EQ(e.GetWindowText(), "6");
  // Without a number the value reads as 0.
  e.SetWindowText("x");
  EXPECT_EQ(e.GetValue(), 0);
}

// --- floats ---

TEST_F(EditTest, AFloatIsCheckedAgainstItsRangeAsTheRangeIsShown) {
  // 50 and 150 kPa in psi: neither limit has two decimals.
  const float psiMin = 7.25189f, psiMax = 21.7557f;
  struct {
    float min, max;
    const char* text;
    const char* shown;
  } cases[] = {
      {0, 324.9f, "324.9", ""},
      {0, 324.9f, "324.90", ""},
      {0, 324.9f, "0", ""},
      {0, 324.9f, "325", "Please enter a valid float between 0.00 and 324.90"},
      {0, 324.9f, "-0.01", "Please enter a valid float between 0.00 and 324.90"},
      {0, 324.9f, "1e39", "Please enter a valid float between 0.00 and 324.90"},
      {0, 324.9f, "abc", "Please enter a valid float"},
      {0, 324.9f, "", "Please enter a valid float"},
      // "nan" reads as a float, but must not slip past the range.
      {0, 324.9f, "nan", "Please enter a valid float"},
      {psiMin, psiMax, "7.25", ""},
      {psiMin, psiMax, "21.76", ""},
      {psiMin, psiMax, "7.24", "Please enter a valid float between 7.25 and 21.76"},
      {psiMin, psiMax, "21.77", "Please enter a valid float between 7.25 and 21.76"},
      {0, 1000000, "1000000", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ExpectSave([] { return std::make_unique<COFloatEdit>(); }, [&](COFloatEdit& e) { e.SetRange(c.min, c.max); },
               c.text, c.shown);
  }
}

TEST_F(EditTest, TheFloatSpinStopsExactlyAtItsLimits) {
  struct {
    float min, max;
    const char* text;
    bool up;
    const char* want;
  } cases[] = {
      {0, 99, "98.5", true, "99.00"},   {0, 99, "99.00", true, "99.00"}, {0, 99, "12", true, "13.00"},
      {0, 99, "0.5", false, "0.00"},    {0, 99, "0.00", false, "0.00"},  {0, 99, "12", false, "11.00"},
      {7.25189f, 21.7557f, "8", false, "7.25"},
      {0, 99, "", true, ""},            {0, 99, "", false, ""},           {0, 99, "abc", true, "abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << '"' << (c.up ? " up" : " down"));
    COFloatEdit e;
    e.SetRange(c.min, c.max);
    e.SetWindowText(c.text);
    c.up ? e.SpinUp() : e.SpinDown();
    EXPECT_EQ(e.GetWindowText(), c.want);
  }
}

TEST_F(EditTest, AFloatIsWrittenWithTwoDecimalsOrRounded) {
  COFloatEdit e;
  e.SetValue(12.6f);
  EXPECT_EQ(e.GetWindowText(), "12.60");
  EXPECT_FLOAT_EQ(e.GetValue(), 12.6f);
  e.SetValueRounded(12.6f);
  EXPECT_EQ(e.GetWindowText(), "13");
  e.SetWindowText("abc");
  EXPECT_TRUE(std::isnan(e.GetValue()));
  // A caller that rewrites the text from the value leaves the check
  // something to refuse.
  e.SetValueRounded(e.GetValue());
  EXPECT_EQ(e.GetWindowText(), "nan");
}

TEST_F(EditTest, EnterAndEscapeInAFloatEditReachTheDialog) {
  COFloatEdit e;
  ASSERT_TRUE(e.SubclassDlgItems(1027, 1028, &dlg));
  e.SetRange(0, 99);
  dlg.exchange = [&](platform::CDataExchange* dx) { e.DDXValidate(dx); };
  dlg.show();
  e.SetWindowText("150");
  PressKey(&e, Qt::Key_Return, "\r");
  EXPECT_EQ(messages.Texts(), Texts{"Please enter a valid float between 0.00 and 99.00"});
  EXPECT_TRUE(dlg.isVisible());
  e.SetWindowText("50");
  PressKey(&e, Qt::Key_Return, "\r");
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), platform::IDOK);

  dlg.show();
  PressKey(&e, Qt::Key_Escape);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), platform::IDCANCEL);
}

// --- dates and times ---

// A text read into three numbers: whether it is valid, and the numbers.
struct ReadCase {
  const char* text;
  int valid = 0, a = 0, b = 0, c = 0;
};

template <class Edit, class Read>
void CheckReads(const std::vector<ReadCase>& cases, Read read) {
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.text);
    Edit e;
    e.SetWindowText(c.text);
    int n[3] = {-7, -7, -7};
    ASSERT_EQ(read(e, n), c.valid);
    if (c.valid) {
      EXPECT_EQ(std::vector<int>(n, n + 3), (std::vector<int>{c.a, c.b, c.c}));
    }
  }
}

// A spin from a text with the caret at a place: the text it gives and the
// field selected then (-1: not looked at).
struct SpinCase {
  const char* text;
  int caret;
  bool up;
  const char* want;
  int selStart;
};

template <class Edit>
void CheckSpins(const std::vector<SpinCase>& cases) {
  for (const SpinCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " at " << c.caret << (c.up ? " up" : " down"));
    Edit e;
    e.setText(c.text);
    e.setCursorPosition(c.caret);
    c.up ? e.SpinUp() : e.SpinDown();
    EXPECT_EQ(e.GetWindowText(), c.want);
    if (c.selStart >= 0) {
      int start, end;
      e.GetSel(start, end);
      EXPECT_EQ(start, c.selStart);
      EXPECT_EQ(end, c.selStart + 2);
    }
  }
}

TEST_F(EditTest, ADateIsReadWithTheTwoDigitYearRule) {
  CheckReads<CODateEdit>(
      {
          {"37-05-01", 1, 137, 5, 1}, {"70-05-01", 1, 70, 5, 1},    {"99-12-31", 1, 99, 12, 31},
          {"00-02-29", 1, 100, 2, 29}, {"43-01-01"},                {"44-05-01"},
          {"2005-05-01"},              {"05-12"},                   {""},
          {"x5-12-15"},                {"05/12/15", 1, 105, 12, 15},
          // Carried over by the calendar.
          {"05-13-01", 1, 105, 13, 1}, {"05-02-30", 1, 105, 2, 30},
          // The calendar time begins at 1970-01-01 00:00 UTC, an hour after
          // midnight here, and ends on 19 January 2038.
          {"70-01-01"},                {"70-01-02", 1, 70, 1, 2},   {"38-01-19", 1, 138, 1, 19},
          {"38-01-20"},                {"05-4294967297-01"},
      },
      [](CODateEdit& e, int* n) { return e.GetDate(n[0], n[1], n[2]); });
}

TEST_F(EditTest, TheDateSpinStepsTheFieldUnderTheCaret) {
  CheckSpins<CODateEdit>({
      {"05-12-15", 3, true, "06-01-15", 3},   {"06-01-15", 5, false, "05-12-15", 3},
      {"05-12-15", 0, true, "06-12-15", 0},   {"05-12-15", 2, false, "04-12-15", 0},
      {"05-12-31", 6, true, "06-01-01", 6},   {"06-01-01", 8, false, "05-12-31", 6},
      {"04-02-29", 1, true, "05-03-01", 0},   {"05-01-31", 4, true, "05-03-03", 3},
      // Across the days of 23 and 25 hours when daylight saving time changes.
      {"05-03-27", 7, true, "05-03-28", 6},   {"05-03-28", 7, false, "05-03-27", 6},
      {"05-10-30", 7, true, "05-10-31", 6},   {"05-10-31", 7, false, "05-10-30", 6},
      // Only between 1974 and 2035.
      {"74-06-01", 0, true, "75-06-01", 0},   {"34-06-01", 0, true, "35-06-01", 0},
      {"35-06-01", 0, false, "34-06-01", 0},  {"75-06-01", 0, false, "74-06-01", 0},
      {"73-06-01", 0, true, "73-06-01", -1},  {"35-06-01", 0, true, "35-06-01", -1},
      {"74-06-01", 0, false, "74-06-01", -1}, {"36-06-01", 8, false, "36-06-01", -1},
      {"44-05-01", 8, true, "44-05-01", -1},  {"", 0, true, "", -1},
  });
}

TEST_F(EditTest, ATimeIsAnyTimeOfDayThatTheCalendarCarries) {
  CheckReads<COTimeEdit>(
      {
          {"12:30:05", 1, 12, 30, 5}, {"0:0:0", 1, 0, 0, 0},     {"25:00:00", 1, 25, 0, 0},
          {"12.30.05", 1, 12, 30, 5}, {"-1:00:00", 1, -1, 0, 0}, {"12:30"},
          {""},                       {"ab:cd:ef"},              {"99999999:00:00"},
      },
      [](COTimeEdit& e, int* n) { return e.GetTime(n[0], n[1], n[2]); });
}

TEST_F(EditTest, TheTimeSpinGoesRoundTheClock) {
  CheckSpins<COTimeEdit>({
      {"23:00:00", 0, true, "00:00:00", 0}, {"00:00:00", 2, false, "23:00:00", 0},
      {"12:30:00", 3, true, "12:31:00", 3}, {"12:30:00", 5, false, "12:29:00", 3},
      {"00:00:59", 6, true, "00:01:00", 6}, {"00:00:00", 8, false, "23:59:59", 6},
      {"23:59:59", 8, true, "00:00:00", 6}, {"7:5:3", 0, true, "08:05:03", 0},
      {"12:30", 0, true, "12:30", -1},
  });
}

// A key on a date field: the text, the selection (start, end), the key.
struct KeyCase {
  const char* text;
  int selStart, selEnd;
  int key;
  const char* keyText;
  const char* want;
  int caret;
};

TEST_F(EditTest, DateAndTimeFieldsTakeOnlyDigitsAndNeverLoseASeparator) {
  QGuiApplication::clipboard()->setText("99");
  const KeyCase cases[] = {
      {"05-12-15", 8, 8, Qt::Key_A, "a", "05-12-15", 8},
      {"05-12-15", 4, 4, Qt::Key_Colon, ":", "05-12-15", 4},
      {"05-12-15", 4, 4, Qt::Key_Minus, "-", "05-12-15", 4},
      {"05-12-15", 8, 8, Qt::Key_9, "9", "05-12-159", 9},
      {"05-12-15", 0, 2, Qt::Key_7, "7", "7-12-15", 1},
      {"05-12-15", 1, 4, Qt::Key_7, "7", "07-2-15", 2},
      {"05-12-15", 0, 0, Qt::Key_V, "\x16", "05-12-15", 0},
      // Delete removes the digit after the caret, backspace the one before.
      {"05-12-15", 0, 0, Qt::Key_Delete, "\x7f", "5-12-15", 0},
      {"05-12-15", 2, 2, Qt::Key_Delete, "\x7f", "05-12-15", 2},
      {"05-12-15", 8, 8, Qt::Key_Delete, "\x7f", "05-12-15", 8},
      {"05-12-15", 8, 8, Qt::Key_Backspace, "\b", "05-12-1", 7},
      {"05-12-15", 3, 3, Qt::Key_Backspace, "\b", "05-12-15", 3},
      {"05-12-15", 0, 0, Qt::Key_Backspace, "\b", "05-12-15", 0},
      // A selection's digits go, its separators stay.
      {"05-12-15", 3, 5, Qt::Key_Delete, "\x7f", "05--15", 3},
      {"05-12-15", 3, 5, Qt::Key_Backspace, "\b", "05--15", 3},
      {"05-12-15", 2, 3, Qt::Key_Backspace, "\b", "05-12-15", 2},
      {"05-12-15", 0, 8, Qt::Key_Delete, "\x7f", "--", 0},
      // A separator typed where it stands steps over it.
      {"05-12-15", 2, 2, Qt::Key_Minus, "-", "05-12-15", 3},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " [" << c.selStart << "," << c.selEnd << "] key " << c.key);
    CODateEdit e;
    e.setText(c.text);
    if (c.selStart == c.selEnd)
      e.setCursorPosition(c.selStart);
    else
      e.setSelection(c.selStart, c.selEnd - c.selStart);
    PressKey(&e, c.key, c.keyText, c.key == Qt::Key_V ? Qt::ControlModifier : Qt::NoModifier);
    EXPECT_EQ(e.GetWindowText(), c.want);
    if (c.caret >= 0) {
      EXPECT_FALSE(e.hasSelectedText());
      EXPECT_EQ(e.cursorPosition(), c.caret);
    }
  }
}

TEST_F(EditTest, OnlyTheDateOrTimeFieldItselfPlacesItsCaret) {
  COTimeEdit e;
  ASSERT_TRUE(e.SubclassDlgItems(1042, 1043, &dlg));
  e.SetWindowText("12:30:00");
  e.setCursorPosition(4);
  e.SetSel(0, -1);
  QFocusEvent tab(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(&e, &tab);
  EXPECT_FALSE(e.hasSelectedText());
  EXPECT_EQ(e.cursorPosition(), 4);
  // So the spin still steps the minutes the user chose.
  e.GetSpin().UpButton()->click();
  EXPECT_EQ(e.GetWindowText(), "12:31:00");
}

TEST_F(EditTest, AStartDateAndTimeAreCheckedTogether) {
  struct {
    const char* date;
    const char* time;
    int focus;  // 0: accepted
  } cases[] = {
      {"05-12-15", "12:00:00", 0},  {"44-01-01", "12:00:00", 1040}, {"05-12-15", "12:00", 1042},
      {"2005-12-15", "x", 1040},    {"37-05-01", "23:59:59", 0},
  };
  CODateTimeEdit start;
  ASSERT_TRUE(start.SubclassDlgItems(&dlg, 1040, 1041, 1042, 1043));
  dlg.exchange = [&](platform::CDataExchange* dx) { start.DDXValidate(dx); };
  dlg.show();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.date << ' ' << c.time);
    start.GetDateEdit().SetWindowText(c.date);
    start.GetTimeEdit().SetWindowText(c.time);
    dlg.GetDlgItem(1020)->setFocus();
    EXPECT_EQ(Save(c.focus == 0), c.focus ? Texts{"Please enter a valid time"} : Texts{});
    EXPECT_EQ(dlg.focusWidget(), c.focus ? dlg.GetDlgItem(c.focus) : dlg.GetDlgItem(1020));
  }
}

TEST_F(EditTest, AStartTimeIsShownAndReadAsLocalTime) {
  CODateTimeEdit start;
  ASSERT_TRUE(start.SubclassDlgItems(&dlg, 1040, 1041, 1042, 1043));
  const platform::CTime summer(2005, 7, 1, 8, 5, 3);
  start.SetTime(summer);
  EXPECT_EQ(start.GetDateEdit().GetWindowText(), "05-07-01");
  EXPECT_EQ(start.GetTimeEdit().GetWindowText(), "08:05:03");
  EXPECT_EQ(start.GetTime(), summer);

  start.GetDateEdit().SetWindowText("37-05-01");
  start.GetTimeEdit().SetWindowText("00:00:00");
  EXPECT_EQ(start.GetTime(), platform::CTime(2037, 5, 1, 0, 0, 0));
  start.GetDateEdit().SetWindowText("99-12-31");
  start.GetTimeEdit().SetWindowText("23:59:60");
  EXPECT_EQ(start.GetTime(), platform::CTime(2000, 1, 1, 0, 0, 0));

  // The date spin starts in the day field.
  start.SetTime(summer);
  start.GetDateEdit().GetSpin().UpButton()->click();
  EXPECT_EQ(start.GetDateEdit().GetWindowText(), "05-07-02");
}

}  // namespace
