// The dialog pieces the edit controls stand on: taking a control's place by
// id, the exchange routines, selection requests, keys and the spin button.
#include <gtest/gtest.h>

#include <QPointer>
#include <QToolButton>
#include <vector>

#include "DialogFixture.h"
#include "ui/DataExchange.h"
#include "ui/Edit.h"

namespace {

class DialogTest : public ::testing::Test {
 protected:
  Gui gui;
  platform::ScriptedMessageSink messages;
  TestDialog dlg;
};

// An edit that records what reaches its handlers.
class RecordingEdit : public platform::CEdit {
 public:
  std::vector<unsigned> chars;
  std::vector<int> keysDown;

 protected:
  void OnChar(unsigned ch) override {
    chars.push_back(ch);
    platform::CEdit::OnChar(ch);
  }
  bool OnKeyDown(int key) override {
    keysDown.push_back(key);
    return false;
  }
};

class RecordingSpin : public platform::CSpinButtonCtrl {
 public:
  std::vector<int> deltas;

 protected:
  void OnDeltaPos(int delta) override { deltas.push_back(delta); }
};

TEST_F(DialogTest, AControlTakesThePlaceOfTheOneWithItsId) {
  QLineEdit* old = dlg.AddEdit(1020, "42");
  old->setEnabled(false);
  old->setMaxLength(5);
  auto* label = new QLabel("&Interval", &dlg);
  label->setBuddy(old);
  const int index = dlg.Layout()->indexOf(old);
  QPointer<QLineEdit> gone(old);

  platform::CEdit edit;
  ASSERT_TRUE(edit.SubclassDlgItem(1020, &dlg));
  EXPECT_TRUE(gone.isNull());
  EXPECT_EQ(dlg.GetDlgItem(1020), &edit);
  EXPECT_EQ(edit.GetDlgCtrlID(), 1020);
  EXPECT_EQ(dlg.Layout()->indexOf(&edit), index);
  EXPECT_EQ(edit.parentWidget(), &dlg);
  EXPECT_EQ(edit.GetWindowText(), "42");
  EXPECT_EQ(edit.maxLength(), 5);
  EXPECT_FALSE(edit.isEnabled());
  EXPECT_EQ(label->buddy(), &edit);
  EXPECT_EQ(dlg.GetDlgItemText(1020), "42");

  // Again, or with an id the dialog lacks.
  EXPECT_TRUE(edit.SubclassDlgItem(1020, &dlg));
  platform::CEdit other;
  EXPECT_FALSE(other.SubclassDlgItem(4711, &dlg));
  EXPECT_EQ(other.GetDlgCtrlID(), 0);

  // A member control goes before its dialog; its id then names nothing.
  {
    dlg.AddEdit(1021);
    platform::CEdit member;
    ASSERT_TRUE(member.SubclassDlgItem(1021, &dlg));
  }
  EXPECT_EQ(dlg.GetDlgItem(1021), nullptr);
  EXPECT_EQ(dlg.GetDlgItemText(1021), "");
}

TEST_F(DialogTest, AControlPlacedInAShownDialogIsShownUnlessItsPredecessorWasHidden) {
  dlg.AddEdit(1, "a");
  dlg.AddEdit(2, "b")->hide();
  dlg.show();
  platform::CEdit shown, hidden;
  shown.SubclassDlgItem(1, &dlg);
  hidden.SubclassDlgItem(2, &dlg);
  EXPECT_TRUE(shown.isVisible());
  EXPECT_FALSE(hidden.isVisible());
}

// --- text exchange ---

struct NumberCase {
  const char* text;
  bool ok;
  double value;
};

TEST_F(DialogTest, IntegerTextIsReadWholeOrRefusedWithTheFocusOnTheField) {
  const NumberCase cases[] = {
      {"42", true, 42},          {" -7 ", true, -7},        {"+3", true, 3},  {"", false, 0},
      {"12abc", false, 0},       {"1.5", false, 0},         {"abc", false, 0}, {"2147483647", true, 2147483647},
      {"2147483648", false, 0},  {"-2147483649", false, 0},
  };
  dlg.AddEdit(1, "x");
  QLineEdit* field = dlg.AddEdit(2);
  int other = 0, value = 0;
  dlg.exchange = [&](platform::CDataExchange* dx) {
    platform::DDX_Text(dx, 1, other);
    platform::DDX_Text(dx, 2, value);
  };
  dlg.show();
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.text);
    messages.Clear();
    dlg.SetDlgItemText(1, "0");
    field->setText(c.text);
    value = 99;
    dlg.GetDlgItem(1)->setFocus();
    EXPECT_EQ(dlg.UpdateData(true), c.ok);
    if (c.ok) {
      EXPECT_EQ(value, static_cast<int>(c.value));
      EXPECT_TRUE(messages.Texts().empty());
    } else {
      EXPECT_EQ(value, 99);
      EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Please enter an integer."});
      EXPECT_EQ(dlg.focusWidget(), field);
      EXPECT_EQ(field->selectedText(), field->text());
    }
  }
}

TEST_F(DialogTest, NumbersAreWrittenInTheirFormats) {
  dlg.AddEdit(1);
  dlg.AddEdit(2);
  dlg.AddEdit(3);
  dlg.AddEdit(4);
  int i = -12;
  long l = 1234567L;
  float f = 12.6f;
  std::string s = "Sequence 1";
  dlg.exchange = [&](platform::CDataExchange* dx) {
    platform::DDX_Text(dx, 1, i);
    platform::DDX_Text(dx, 2, l);
    platform::DDX_Text(dx, 3, f);
    platform::DDX_Text(dx, 4, s);
  };
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_EQ(dlg.GetDlgItemText(1), "-12");
  EXPECT_EQ(dlg.GetDlgItemText(2), "1234567");
  EXPECT_EQ(dlg.GetDlgItemText(3), "12.6");
  EXPECT_EQ(dlg.GetDlgItemText(4), "Sequence 1");

  f = 1e6f;
  dlg.UpdateData(false);
  EXPECT_EQ(dlg.GetDlgItemText(3), "1e+06");

  dlg.SetDlgItemText(4, "Renamed");
  dlg.SetDlgItemText(2, "-5");
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(s, "Renamed");
  EXPECT_EQ(l, -5L);
  EXPECT_FLOAT_EQ(f, 1e6f);
}

TEST_F(DialogTest, FloatTextMustBeOneFiniteNumber) {
  const NumberCase cases[] = {
      {"1.5", true, 1.5},   {" -2.25e2 ", true, -225}, {"3", true, 3},     {"", false, 0},
      {"1.5kg", false, 0},  {"1,5", false, 0},         {"nan", false, 0},  {"inf", false, 0},
      {"1e39", false, 0},   {"3.4e38", true, 3.4e38},
  };
  QLineEdit* field = dlg.AddEdit(1);
  float value = 0;
  dlg.exchange = [&](platform::CDataExchange* dx) { platform::DDX_Text(dx, 1, value); };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.text);
    messages.Clear();
    field->setText(c.text);
    value = 7.0f;
    EXPECT_EQ(dlg.UpdateData(true), c.ok);
    EXPECT_FLOAT_EQ(value, c.ok ? static_cast<float>(c.value) : 7.0f);
    EXPECT_EQ(messages.Texts().size(), c.ok ? 0u : 1u);
    if (!c.ok) {
      EXPECT_EQ(messages.Texts()[0], "Please enter a number.");
    }
  }
}

// --- radio groups and check boxes ---

TEST_F(DialogTest, RadioGroupsCountFromTheirFirstButton) {
  // One group as siblings in a box, one as a button group whose first button
  // is not the one the exchange names.
  auto* box = dlg.Add(0, new QWidget(&dlg));
  QRadioButton* continuous = dlg.AddRadio(1018, box);
  QRadioButton* interval = dlg.AddRadio(1019, box);
  auto* other = dlg.Add(1, new QWidget(&dlg));
  QButtonGroup group;
  QRadioButton* before = dlg.AddRadio(1025, other);
  QRadioButton* automatic = dlg.AddRadio(1026, other);
  QRadioButton* fixed = dlg.AddRadio(1029, other);
  for (QRadioButton* b : {before, automatic, fixed}) group.addButton(b);

  int sampling = 1, flushing = 1;
  dlg.exchange = [&](platform::CDataExchange* dx) {
    platform::DDX_Radio(dx, 1018, sampling);
    platform::DDX_Radio(dx, 1026, flushing);
  };
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_FALSE(continuous->isChecked());
  EXPECT_TRUE(interval->isChecked());
  EXPECT_TRUE(fixed->isChecked());

  automatic->setChecked(true);
  continuous->setChecked(true);
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(sampling, 0);
  EXPECT_EQ(flushing, 0);

  // -1 clears an exclusive group, and a group with none checked reads -1.
  sampling = flushing = -1;
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_FALSE(continuous->isChecked() || interval->isChecked() || automatic->isChecked() || fixed->isChecked());
  sampling = flushing = 5;
  before->setChecked(true);
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(sampling, -1);
  EXPECT_EQ(flushing, -1);
}

TEST_F(DialogTest, CheckBoxesHoldThreeStates) {
  QCheckBox* box = dlg.AddCheck(1146);
  int state = 0;
  dlg.exchange = [&](platform::CDataExchange* dx) { platform::DDX_Check(dx, 1146, state); };
  for (int s : {1, 2, 0}) {
    SCOPED_TRACE(s);
    state = s;
    ASSERT_TRUE(dlg.UpdateData(false));
    EXPECT_EQ(box->checkState(), s == 1 ? Qt::Checked : s == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    state = -1;
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(state, s);
  }
}

// --- the edit ---

TEST_F(DialogTest, SelectionRequestsFollowTheEditRules) {
  platform::CEdit edit;
  edit.SetWindowText("05-12-15");
  int start = -1, end = -1;
  struct {
    int start, end;
    int wantStart, wantEnd, wantCaret;
  } cases[] = {
      {3, 5, 3, 5, 5}, {6, -1, 6, 8, 8}, {5, 3, 3, 5, 3}, {4, 4, 4, 4, 4}, {0, 99, 0, 8, 8}, {-1, 0, 8, 8, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << "," << c.end);
    edit.SetSel(0, 8);  // a selection that start -1 then removes
    edit.SetSel(c.start, c.end);
    edit.GetSel(start, end);
    EXPECT_EQ(start, c.wantStart);
    EXPECT_EQ(end, c.wantEnd);
    EXPECT_EQ(edit.cursorPosition(), c.wantCaret);
  }
}

TEST_F(DialogTest, TabbingIntoAnEditAsksForTheWholeText) {
  platform::CEdit edit;
  edit.SetWindowText("12.5");
  edit.setCursorPosition(1);
  QFocusEvent tab(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(&edit, &tab);
  EXPECT_EQ(edit.selectedText(), "12.5");
}

TEST_F(DialogTest, KeysBecomeCharactersOrStayKeys) {
  RecordingEdit edit;
  edit.SetWindowText("12");
  TypeChar(&edit, '3');
  TypeChar(&edit, 'a');
  PressKey(&edit, Qt::Key_Backspace, "\b");
  PressKey(&edit, Qt::Key_Home);
  PressKey(&edit, Qt::Key_Delete, "\x7f");
  // Typed, then the backspace and the delete key did their usual work.
  EXPECT_EQ(edit.GetWindowText(), "23");
  PressKey(&edit, Qt::Key_V, "\x16", Qt::ControlModifier);
  PressKey(&edit, Qt::Key_Return, "\r");
  EXPECT_EQ(edit.chars, (std::vector<unsigned>{'3', 'a', 8, 0x16}));
  EXPECT_EQ(edit.keysDown, (std::vector<int>{'3', Qt::Key_A, Qt::Key_Backspace, Qt::Key_Home, Qt::Key_Delete,
                                             Qt::Key_V, Qt::Key_Return}));
}

TEST_F(DialogTest, SpinArrowsReportUpAsMinusOne) {
  dlg.AddSpin(1092);
  RecordingSpin spin;
  ASSERT_TRUE(spin.SubclassDlgItem(1092, &dlg));
  EXPECT_EQ(dlg.GetDlgItem(1092), &spin);
  spin.UpButton()->click();
  spin.DownButton()->click();
  spin.UpButton()->click();
  EXPECT_EQ(spin.deltas, (std::vector<int>{-1, 1, -1}));
  EXPECT_EQ(spin.UpButton()->focusPolicy(), Qt::NoFocus);
}

}  // namespace
