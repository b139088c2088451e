// The calibration windows' interval page on a calibration task with stored
// sequences: "(All)" and each sequence's range, the legal-interval check, and
// the two ranges kept whichever the radio buttons choose.
#include <gtest/gtest.h>

#include <QRadioButton>

#include "CaliIntervalPage.h"
#include "CaliUiFixture.h"

namespace kovo::test {
namespace {

using calibration::COXAxisPage;

class CaliIntervalPageTest : public CaliUiTest {
 protected:
  // Stores the run's start and stop in the active row and begins the next.
  void Run(int startNum, int stopNum, int startSecond, int stopSecond) {
    caliSequence.SetStart(base + platform::CTimeSpan(startSecond), startNum);
    caliSequence.SetStop(base + platform::CTimeSpan(stopSecond), stopNum);
    caliSequence.NewSequence();
  }
  std::unique_ptr<COXAxisPage> Page() {
    auto page = std::make_unique<COXAxisPage>(program, &interval);
    page->show();
    return page;
  }
  std::string Range(COXAxisPage& page) {
    return page.GetDlgItemText(COXAxisPage::kFromNumber) + "-" + page.GetDlgItemText(COXAxisPage::kToNumber) + " " +
           page.GetDlgItemText(COXAxisPage::kFromTime) + "-" + page.GetDlgItemText(COXAxisPage::kToTime);
  }

  const platform::CTime base{2005, 3, 7, 10, 0, 0};
  COMeasInterval interval{program};
};

TEST_F(CaliIntervalPageTest, ATaskOfOneRowOffersOnlyAll) {
  auto page = Page();
  ASSERT_EQ(page->Sequences().count(), 1);
  EXPECT_EQ(page->Sequences().itemText(0).toStdString(), "(All)");
}

TEST_F(CaliIntervalPageTest, EachEntryTakesTheRangeOfItsSequences) {
  Run(1, 10, 0, 9);
  Run(11, 25, 20, 34);
  Run(26, 30, 40, 44);
  auto page = Page();
  ASSERT_EQ(page->Sequences().count(), 4);  // the row still to run is not offered
  EXPECT_EQ(page->Sequences().itemText(2).toStdString(), "Sequence 2");
  EXPECT_EQ(page->Sequences().currentIndex(), 3);
  page->Sequences().setCurrentIndex(0);
  page->ApplySequence();
  EXPECT_EQ(Range(*page), "1-30 10:00:00-10:00:44");
  page->Sequences().setCurrentIndex(2);
  page->ApplySequence();
  EXPECT_EQ(Range(*page), "11-25 10:00:20-10:00:34");
  Picture(*page, "calibration_interval_page");
  // Asked for, "(All)" is taken when the page first shows.
  COXAxisPage all(program, &interval);
  all.SetApplyAll(true);
  all.show();
  EXPECT_EQ(all.Sequences().currentIndex(), 0);
  EXPECT_EQ(Range(all), "1-30 10:00:00-10:00:44");
}

TEST_F(CaliIntervalPageTest, ABackwardRangeIsRefusedAndBothRangesAreKept) {
  interval.SetMeasMode(COMeasInterval::kByNumber);
  auto page = Page();
  const struct {
    bool byNumber;
    std::string from, to, fromTime, toTime;
    Texts shown;
  } cases[] = {
      {true, "20", "10", "05-03-07 10:00:00", "05-03-07 10:00:30", {"Please enter a legal Interval"}},
      {false, "10", "20", "05-03-07 10:00:30", "05-03-07 10:00:00", {"Please enter a legal Interval"}},
      // Only the chosen pair is the range; the other may run backwards.
      {false, "20", "10", "05-03-07 10:00:00", "05-03-07 10:00:30", {}},
      {false, "-5", "10", "05-03-07 10:00:00", "05-03-07 10:00:30", {}},
      {true, "12", "12", "05-03-07 10:00:30", "05-03-07 10:00:00", {}},
      // A pair that does not read leaves the interval's as it was.
      {true, "12", "12", "xx-03-07 10:00:00", "05-03-07 10:00:30", {}},
  };
  for (const auto& c : cases) {
    qobject_cast<QRadioButton*>(page->GetDlgItem(c.byNumber ? COXAxisPage::kNumber : COXAxisPage::kTime))->click();
    page->SetDlgItemText(COXAxisPage::kFromNumber, c.from);
    page->SetDlgItemText(COXAxisPage::kToNumber, c.to);
    page->SetDlgItemText(COXAxisPage::kFromDate, c.fromTime.substr(0, 8));
    page->SetDlgItemText(COXAxisPage::kFromTime, c.fromTime.substr(9));
    page->SetDlgItemText(COXAxisPage::kToDate, c.toTime.substr(0, 8));
    page->SetDlgItemText(COXAxisPage::kToTime, c.toTime.substr(9));
    messages.Clear();
    EXPECT_EQ(page->Save(), c.shown.empty()) << c.from << " " << c.fromTime;
    EXPECT_EQ(Shown(), c.shown) << c.from << " " << c.fromTime;
  }
  // By number, 12 to 12, with the times of the last pair that read.
  EXPECT_EQ(interval.GetMeasMode(), COMeasInterval::kByNumber);
  EXPECT_EQ(interval.GetFirst(), 12);
  EXPECT_EQ(interval.GetLast(), 12);
  EXPECT_EQ(interval.GetStartTime(), base + platform::CTimeSpan(30));
  EXPECT_EQ(interval.GetEndTime(), base);
}

}  // namespace
}  // namespace kovo::test
