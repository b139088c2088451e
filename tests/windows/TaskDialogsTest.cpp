// Naming a new task and choosing a stored one, through the dialogs'
// controls, against a real system database.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>

#include "DataTestSupport.h"
#include "TaskDialogs.h"
#include "ui/WinApp.h"

namespace {

using Texts = std::vector<std::string>;

class TaskDialogsTest : public kovo::test::DataTest {
 protected:
  TaskDialogsTest() { platform::EnsureGuiApplication(); }
  // A task of the monitor with this serial.
  void Task(const std::string& description, const std::string& serial) {
    monitor.setup.m_serial.Assign(serial);
    NewTask(description);
    monitor.setup.m_serial.Assign(std::string("SN1001"));
  }
};

TEST_F(TaskDialogsTest, ANewTaskNeedsAFreshDescriptionOfAtMost254Characters) {
  Task("Leak test", "SN1001");
  const struct {
    std::string text;
    Texts shown;
  } cases[] = {
      {"", {"Please enter a string"}},
      {std::string(255, 'x'), {"String too long"}},
      {"Leak test", {"Task already exists\n(Possibly for another Gas Monitor)"}},
      {"leak test", {}},  // letter case makes it another description
      {std::string(254, 'x'), {}},
  };
  for (const auto& c : cases) {
    CNewDatabase dlg(*context);
    dlg.show();
    EXPECT_EQ(dlg.GetDlgItemText(CNewDatabase::kSerial), "SN1001");
    dlg.SetDlgItemText(CNewDatabase::kDescription, c.text);
    messages.Clear();
    dlg.accept();
    EXPECT_EQ(messages.Texts(), c.shown) << c.text.size();
    EXPECT_EQ(dlg.isVisible(), !c.shown.empty());
    if (c.shown.empty()) EXPECT_EQ(dlg.m_description, c.text);
  }
}

TEST_F(TaskDialogsTest, TheOpenDialogListsTheMonitorsTasksInOrderWithTheirSerials) {
  Task("Zinc works", "SN1001");
  Task("Another monitor's", "SN2002");
  Task("Air survey", "SN1001");
  COpenDatabase dlg(*context);
  dlg.show();
  QListWidget* list = dlg.List();
  // "&Select task:" marks its key, not an ampersand, and leads to the list.
  for (QLabel* label : dlg.findChildren<QLabel*>())
    if (label->text() == "&Select task:") EXPECT_EQ(label->buddy(), list);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text().toStdString(), "Air survey");
  EXPECT_EQ(list->item(1)->text().toStdString(), "Zinc works");

  // Nothing chosen: OK asks for a choice.
  dlg.accept();
  EXPECT_EQ(messages.Texts(), Texts{"Please select an item"});
  EXPECT_TRUE(dlg.isVisible());

  list->setCurrentRow(1);
  EXPECT_EQ(dlg.GetDlgItemText(COpenDatabase::kSerial), "SN1001");
  emit list->itemDoubleClicked(list->item(1));
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.m_selectedDescription, "Zinc works");
  EXPECT_EQ(dlg.m_selectedSerial, "SN1001");
  EXPECT_FALSE(dlg.m_selectedName.empty());

  // Offline every task is offered.
  monitor.offline = true;
  COpenDatabase offline(*context);
  offline.show();
  EXPECT_EQ(offline.List()->count(), 3);
  offline.List()->setCurrentRow(1);  // "Another monitor's", after "Air survey"
  EXPECT_EQ(offline.GetDlgItemText(COpenDatabase::kSerial), "SN2002");
}

}  // namespace
