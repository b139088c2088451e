// Comments on measurements while a task measures: on the last measurement,
// on the next one, on the one under the cursors; what the dialog offers and
// what it leaves alone.
#include <gtest/gtest.h>

#include <QRadioButton>

#include "EventDialog.h"
#include "OnlineFixture.h"
#include "ViewBase.h"
#include "WindowLayer.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

class EventDialogTest : public OnlineFixture {
 protected:
  EventDialogTest() { platform::EnsureGuiApplication(); }
  void Measure(size_t count) {
    ASSERT_TRUE(PumpUntil([&] { return Received().size() >= count; }));
  }
  void Start() {
    ASSERT_TRUE(obs->Connect(false));
    GiveBanks();
    PrepareTask("events");
    setup->SetMeasDatabaseOpen(true);
    ASSERT_TRUE(StartNow());
    Measure(1);
  }
  // Measuring on, but no new measurement comes while a test looks: the
  // monitor takes none for minutes and what it took has been received.
  void StartQuiet() {
    Start();
    SetSampling(600000);
    sim->Modify([](kovo::sim::MonitorState& s) { s.nextSampleAt = kovo::sim::Clock::now() + std::chrono::minutes(10); });
    ASSERT_TRUE(PumpUntil([&] {
      const kovo::sim::MonitorState s = sim->State();
      return !s.sampleReady && Received().size() == s.delivered.size();
    }));
  }
  void TearDown() override {
    if (obs->GetState() != MeasState::idle) {
      obs->StopMeasurement();
      EXPECT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
    }
  }
  // The stored events as "HH:MM:SS [type] text".
  std::vector<std::string> Events() {
    std::vector<std::string> lines;
    for (const StoredEvent& e : StoredEvents()) lines.push_back(e.Line());
    return lines;
  }
  std::unique_ptr<CEventDialog> Open() {
    auto dlg = std::make_unique<CEventDialog>(program, cursors);
    dlg->show();
    return dlg;
  }
  bool Enabled(CEventDialog& dlg, int id) { return dlg.GetDlgItem(id)->isEnabled(); }

  COCursorStatus cursors;
};

TEST_F(EventDialogTest, WithNothingMeasuredOnlyTheNextMeasurementCanBeChosen) {
  auto dlg = Open();
  EXPECT_EQ(dlg->GetPosition(), CEventDialog::kPositionNext);
  EXPECT_FALSE(Enabled(*dlg, CEventDialog::kAtCursor));
  EXPECT_FALSE(Enabled(*dlg, CEventDialog::kPrevious));
  EXPECT_TRUE(static_cast<QRadioButton*>(dlg->GetDlgItem(CEventDialog::kNext))->isChecked());
}

TEST_F(EventDialogTest, ACommentOnThePreviousMeasurementIsWrittenChangedAndRemoved) {
  StartQuiet();
  const std::string at = dbObs.GetLastMeas()->GetMeasTime().Format("%H:%M:%S");
  const std::vector<std::string> before = Events();

  auto dlg = Open();
  EXPECT_EQ(dlg->GetPosition(), CEventDialog::kPositionPrevious);
  EXPECT_EQ(dlg->GetDlgItemText(CEventDialog::kPrevious),
            "Previous Measurement (" + dbObs.GetLastMeas()->GetMeasTime().Format("%y-%m-%d %X") + ")");
  dlg->SetDlgItemText(CEventDialog::kText, "filter changed");
  dlg->accept();
  std::vector<std::string> with = before;
  with.push_back(at + " [0] filter changed");
  std::sort(with.begin(), with.end());
  std::vector<std::string> now = Events();
  std::sort(now.begin(), now.end());
  EXPECT_EQ(now, with);

  // Reopened, it shows the comment; an empty text removes only the comment.
  dlg = Open();
  EXPECT_EQ(dlg->GetDlgItemText(CEventDialog::kText), "filter changed");
  dlg->SetDlgItemText(CEventDialog::kText, "");
  dlg->accept();
  EXPECT_EQ(Events(), before);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(EventDialogTest, ACommentForTheNextMeasurementWaitsForIt) {
  Start();
  auto dlg = Open();
  static_cast<QRadioButton*>(dlg->GetDlgItem(CEventDialog::kNext))->click();
  dlg->SetDlgItemText(CEventDialog::kText, "door open");
  dlg->accept();
  const size_t seen = Received().size();
  // A measurement that arrives while a dialog is open brings its caption up to date.
  auto watching = Open();
  Measure(seen + 1);
  EXPECT_EQ(watching->GetDlgItemText(CEventDialog::kPrevious),
            "Previous Measurement (" + dbObs.GetLastMeas()->GetMeasTime().Format("%y-%m-%d %X") + ")");
  obs->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
  std::vector<std::string> comments;
  for (const StoredEvent& e : StoredEvents())
    if (e.type == 0) comments.push_back(e.Line());
  ASSERT_EQ(comments.size(), 1u);
  EXPECT_NE(comments[0].find("[0] door open"), std::string::npos);
}

TEST_F(EventDialogTest, TheCursorPositionNeedsBothCursorsOnOneMeasurement) {
  StartQuiet();
  COWindowOrder numbers;
  COMeasView view(numbers, *context, COMeasView::kNumeric);
  const std::vector<COMeas> stored = StoredMeas();
  ASSERT_FALSE(stored.empty());
  *view.GetInterval().GetLeftCursorMeas() = stored.front();
  *view.GetInterval().GetRightCursorMeas() = stored.front();
  view.GetInterval().SetMeasMode(COMeasInterval::kByNumber);
  cursors.SetCursorOn(true);
  cursors.SetWindowData(&view);
  auto dlg = Open();
  EXPECT_EQ(dlg->GetPosition(), CEventDialog::kPositionCursor);
  EXPECT_EQ(dlg->GetDlgItemText(CEventDialog::kAtCursor), "At Cursor Position (1)");
  dlg->SetDlgItemText(CEventDialog::kText, "zero gas");
  dlg->accept();
  bool found = false;
  for (const StoredEvent& e : StoredEvents()) found = found || (e.type == 0 && e.text == "zero gas");
  EXPECT_TRUE(found);

  COMeas other = stored.front();
  other.SetMeasNo(2);
  *view.GetInterval().GetRightCursorMeas() = other;
  dlg = Open();
  EXPECT_FALSE(Enabled(*dlg, CEventDialog::kAtCursor));
  EXPECT_EQ(dlg->GetPosition(), CEventDialog::kPositionPrevious);
  cursors.SetWindowData(nullptr);
}

}  // namespace
}  // namespace kovo::test
