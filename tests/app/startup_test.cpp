#include <gtest/gtest.h>

#include <filesystem>

#include "app/apptestsupport.h"
#include "app/cursormodel.h"
#include "app/pagecontrol.h"
#include "common/platform.h"
#include "controls/flatcombobox.h"
#include "support/other_process.h"

namespace volarin {
namespace {

using testing::WindowFixture;

fixtures::DataFolderRows SuiteRows() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"ESC001"}, {"DEL002", true}, {"esc003"}, {"ESC001"}};
  rows.accountMap = {{"ZZZ900", "99-1", "B9"}, {"AAA100", "11-1", "B1"}, {"MMM500", "55-5", "B5"}};
  return rows;
}

TEST(StartUp, FillsTheAccountListOpensTheAccountMapAndShowsTheChecksPageWithToday) {
  WindowFixture fixture(SuiteRows());
  MainWindow& window = fixture.Show([](MainWindow& w) { w.GSPages1().setCurrentIndex(1); });
  ASSERT_TRUE(window.Started());
  EXPECT_TRUE(fixture.recorders.errors.empty());
  EXPECT_TRUE(fixture.recorders.confirms.empty());

  // Record order, the deleted record left out, duplicates kept, stored text with its blanks.
  FlatComboBox& list = window.ACCLIST();
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.itemText(0), QStringLiteral("ESC001         "));
  EXPECT_EQ(list.itemText(1), QStringLiteral("esc003         "));
  EXPECT_EQ(list.itemText(2), QStringLiteral("ESC001         "));
  EXPECT_EQ(list.currentIndex(), 0);
  EXPECT_EQ(window.SelectedAccount(), "ESC001         ");

  EXPECT_EQ(window.PositivePayDate(), Date::Today());
  EXPECT_EQ(window.GSPages1().currentIndex(), 0);
  EXPECT_EQ(window.DataBase1().DataPath(), fixture.folder.Path() + "/");
  EXPECT_EQ(window.DataBase1().IndexPath(), fixture.folder.Path() + "/");
  EXPECT_TRUE(window.Engine1().Started());

  // The account map is open in account order; the register stays closed until an extraction.
  ASSERT_TRUE(window.ZORPPSUB().IsOpen());
  EXPECT_EQ(window.ZORPPSUB().SelectedTag(), "ACCOUNTNR");
  const CursorModel& setup = window.ExRxDBGrid1().Model();
  ASSERT_EQ(setup.rowCount(), 3);
  EXPECT_EQ(setup.index(0, 0).data().toString(), QStringLiteral("AAA100"));
  EXPECT_EQ(setup.index(1, 0).data().toString(), QStringLiteral("MMM500"));
  EXPECT_EQ(setup.index(2, 1).data().toString(), QStringLiteral("99-1"));
  EXPECT_FALSE(window.zorppay().IsOpen());
  EXPECT_EQ(window.ExRxDBGrid2().Model().rowCount(), 0);
}

TEST(StartUp, RunsOnceEvenWhenTheWindowIsShownAgain) {
  WindowFixture fixture(SuiteRows());
  MainWindow& window = fixture.Show();
  ASSERT_TRUE(window.Started());
  window.showMinimized();
  window.showNormal();
  window.hide();
  window.show();
  QTest::qWait(50);
  EXPECT_EQ(window.ACCLIST().count(), 3);
}

TEST(StartUp, AMissingAccountListLeavesTheDropDownEmptyAndStartsAllTheSame) {
  fixtures::DataFolderRows rows = SuiteRows();
  WindowFixture fixture(rows);
  platform::RemoveFile(fixture.folder / "ZORACC.DBF");
  platform::RemoveFile(fixture.folder / "ZORACC.MDX");
  MainWindow& window = fixture.Show();
  EXPECT_TRUE(window.Started());
  EXPECT_EQ(window.ACCLIST().count(), 0);
  EXPECT_EQ(window.ACCLIST().currentIndex(), -1);
  EXPECT_EQ(window.SelectedAccount(), "");
  EXPECT_TRUE(fixture.recorders.errors.empty());
}

// A step that fails ends the start-up there: its message in the error box, the window open
// with what was done, the date edit still empty.
TEST(StartUp, AFailingStepShowsItsErrorAndLeavesTheWindowUsable) {
  struct Case {
    const char* removed;
    std::string expectedStart;
  };
  const Case cases[] = {
      {"zorppsub.dbf", "VOLARIN Positive Pay|Error opening: "},
      {"zorppsub.MDX", "VOLARIN Positive Pay|The Index Tag \"accountnr\" was not found."},
  };
  for (const Case& c : cases) {
    WindowFixture fixture(SuiteRows());
    for (const auto& entry : std::filesystem::directory_iterator(fixture.folder.Path())) {
      if (QString::fromStdString(entry.path().filename().string())
              .compare(QLatin1String(c.removed), Qt::CaseInsensitive) == 0) {
        std::filesystem::remove(entry.path());
      }
    }
    MainWindow& window = fixture.Show();
    ASSERT_EQ(fixture.recorders.errors.size(), 1u) << c.removed;
    EXPECT_EQ(fixture.recorders.errors[0].rfind(c.expectedStart, 0), 0u)
        << fixture.recorders.errors[0];
    EXPECT_FALSE(window.Started());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.ACCLIST().count(), 3);  // filled before the failing step
    EXPECT_TRUE(window.PositivePayDate().IsNull());
  }
}

VPP_OTHER_PROCESS_ROLE(HoldRegisterFileExclusively) {
  return testing::OtherProcess::Held(platform::File::Open(
      role.Argument(0), platform::File::Access::ReadWrite, platform::File::Share::Exclusive));
}

TEST(StartUp, RefusesWhenAnotherProcessHoldsTheRegister) {
  WindowFixture fixture(SuiteRows());
  // Another program holds the register open exclusively.
  const std::string path = fixture.folder / "zorppay.dbf";
  testing::OtherProcess holder("HoldRegisterFileExclusively", {path});
  ASSERT_TRUE(holder.WaitUntilHolding());
  MainWindow& window = fixture.Show();
  ASSERT_EQ(fixture.recorders.confirms.size(), 1u);
  EXPECT_EQ(fixture.recorders.confirms[0], "VOLARIN Message|zorppay.dbf is open by another user");
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.Started());
  EXPECT_EQ(window.ACCLIST().count(), 0);
  EXPECT_FALSE(window.ZORPPSUB().IsOpen());
  EXPECT_TRUE(fixture.recorders.errors.empty());
}

TEST(StartUp, RefusesARegisterThisUserMayNotWriteWhateverTheAnswer) {
  for (bool answer : {true, false}) {
    WindowFixture fixture(SuiteRows());
    fixture.recorders.confirmAnswer = answer;
    std::filesystem::permissions(fixture.folder / "zorppay.dbf",
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::group_read |
                                     std::filesystem::perms::others_read);
    MainWindow& window = fixture.Show();
    ASSERT_EQ(fixture.recorders.confirms.size(), 1u);
    EXPECT_EQ(fixture.recorders.confirms[0], "VOLARIN Message|zorppay.dbf is open by another user");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.ACCLIST().count(), 0);
  }
}

TEST(StartUp, AMissingRegisterIsNoReasonToRefuse) {
  WindowFixture fixture(SuiteRows());
  platform::RemoveFile(fixture.folder / "zorppay.dbf");
  MainWindow& window = fixture.Show();
  EXPECT_TRUE(window.Started());
  EXPECT_TRUE(fixture.recorders.confirms.empty());
}

}  // namespace
}  // namespace volarin
