#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QSignalSpy>
#include <QTimer>
#include <filesystem>

#include "app/apptestsupport.h"
#include "app/cursormodel.h"
#include "common/platform.h"
#include "controls/colordateedit.h"
#include "controls/flatcombobox.h"
#include "reportwindow/reportwindow.h"

namespace volarin {
namespace {

using testing::WindowFixture;
using testing::Ymd;

fixtures::DataFolderRows EscrowRows() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"ESC001"}, {"NOMAP9"}};
  rows.accountMap = {{"ESC001", "12-345", "B1"}};
  rows.escrow = {
      {1001, "ESC001", Ymd(2024, 3, 4), 100, "Printed That Day"},
      {1002, "ESC001", Ymd(2024, 3, 1), 50, "Printed Before"},
      {1003, "OTHER", Ymd(2024, 3, 4), 70, "Other Account"},
  };
  return rows;
}

QStringList CheckNumbers(MainWindow& window) {
  QStringList numbers = testing::GridCheckNumbers(window);
  numbers.sort();
  return numbers;
}

MainWindow& ShowOnDate(WindowFixture& fixture) {
  MainWindow& window = fixture.Show();
  window.DateEdit1().setDate(QDate(2024, 3, 4));
  return window;
}

TEST(ExtractionCommands, FillTheRegisterAndRepaintTheGridOnceAfterEachRun) {
  WindowFixture fixture(EscrowRows());
  MainWindow& window = ShowOnDate(fixture);
  QSignalSpy resets(&window.ExRxDBGrid2().Model(), &QAbstractItemModel::modelReset);

  QTest::mouseClick(&window.ButtonOf(MainWindow::Button::ShowChecks), Qt::LeftButton);
  EXPECT_TRUE(fixture.recorders.errors.empty());
  EXPECT_EQ(CheckNumbers(window), QStringList{"1001"});
  EXPECT_EQ(resets.count(), 1);
  EXPECT_FALSE(window.zorppay().DisplaySuspended());
  EXPECT_EQ(window.findChildren<QDialog*>().size(), 0);  // the dialog was freed

  QTest::mouseClick(&window.ButtonOf(MainWindow::Button::ShowAll), Qt::LeftButton);
  EXPECT_EQ(CheckNumbers(window), (QStringList{"1001", "1002"}));
  EXPECT_EQ(resets.count(), 2);
  window.ShowChecksClicked();
  EXPECT_EQ(CheckNumbers(window), QStringList{"1001"});  // only the last run's checks
  EXPECT_TRUE(fixture.recorders.errors.empty());
}

TEST(ExtractionCommands, AnAccountMissingFromTheMapLeavesAnEmptyRegister) {
  WindowFixture fixture(EscrowRows());
  MainWindow& window = ShowOnDate(fixture);
  window.ACCLIST().setCurrentIndex(1);
  window.ShowChecksClicked();
  EXPECT_EQ(fixture.recorders.confirms,
            std::vector<std::string>{
                "VOLARIN Message|Record for selected account number is missing from setup table"});
  EXPECT_EQ(window.ExRxDBGrid2().Model().rowCount(), 0);
  EXPECT_FALSE(window.zorppay().DisplaySuspended());
}

TEST(ExtractionCommands, AnErrorInTheDialogIsShownAndTheDisplayResumesWhenItCloses) {
  WindowFixture fixture(EscrowRows());
  platform::RemoveFile(fixture.folder / "zordis.dbf");
  MainWindow& window = ShowOnDate(fixture);
  // The dialog stays open over the error until the operator closes it.
  bool closedByOperator = false;
  std::function<void()> closeWhenShown = [&] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        dialog && !fixture.recorders.errors.empty()) {
      closedByOperator = true;
      dialog->reject();
      return;
    }
    QTimer::singleShot(10, closeWhenShown);
  };
  QTimer::singleShot(10, closeWhenShown);
  window.ShowChecksClicked();
  EXPECT_TRUE(closedByOperator);
  ASSERT_EQ(fixture.recorders.errors.size(), 1u);
  EXPECT_EQ(fixture.recorders.errors[0].rfind("VOLARIN Positive Pay|Error opening: ", 0), 0u)
      << fixture.recorders.errors[0];
  EXPECT_FALSE(window.zorppay().DisplaySuspended());
  EXPECT_TRUE(window.isEnabled());
}

// Waits for the report window to have drawn, notes what it shows, and closes it as the
// operator would.
// The polling timer is a member, so it stops with the watcher even when no window came.
struct ReportWindowWatcher {
  bool seen = false;
  QString pageLabel;
  QTimer poll;
  ReportWindowWatcher() {
    QObject::connect(&poll, &QTimer::timeout, [this] {
      auto* report = qobject_cast<ReportWindow*>(QApplication::activeModalWidget());
      if (!report || !report->Drawn()) return;
      seen = true;
      pageLabel = report->PageLabel();
      poll.stop();
      report->reject();
    });
    poll.start(10);
  }
};

TEST(CreateFileCommand, WritesTheFileAndAsksWhetherToPrint) {
  WindowFixture fixture(EscrowRows());
  testing::TempFolder pickup;
  MainWindow& window = ShowOnDate(fixture);
  window.SetPickupFolder(pickup.Path());
  window.ShowChecksClicked();
  fixture.recorders.confirmAnswer = false;
  ReportWindowWatcher reportOpened;
  QTest::mouseClick(&window.ButtonOf(MainWindow::Button::CreateFile), Qt::LeftButton);
  ASSERT_TRUE(fixture.recorders.errors.empty()) << fixture.recorders.errors[0];
  ASSERT_EQ(fixture.recorders.confirms.size(), 1u);
  const std::string prefix = "VOLARIN Message|Positive Pay file have been Successfully created ";
  const std::string suffix = "\r\nPrint Positive Pay Report?";
  const std::string& asked = fixture.recorders.confirms[0];
  ASSERT_EQ(asked.rfind(prefix, 0), 0u) << asked;
  ASSERT_GT(asked.size(), prefix.size() + suffix.size());
  EXPECT_EQ(asked.substr(asked.size() - suffix.size()), suffix);
  const std::string pickupFile =
      asked.substr(prefix.size(), asked.size() - prefix.size() - suffix.size());
  EXPECT_EQ(pickupFile.rfind(pickup.Path(), 0), 0u) << pickupFile;
  EXPECT_TRUE(platform::FileExists(pickupFile));
  EXPECT_NE(testing::ReadBytes(pickupFile).find("1001"), std::string::npos);
  EXPECT_FALSE(reportOpened.seen);  // Cancel: no report
}

TEST(CreateFileCommand, AnExportErrorIsShownWithoutTheQuestion) {
  WindowFixture fixture(EscrowRows());
  MainWindow& window = ShowOnDate(fixture);
  window.SetPickupFolder(fixture.folder / "pickup");
  window.CreateFileClicked();  // no extraction yet: the register is closed
  EXPECT_EQ(fixture.recorders.errors.size(), 1u);
  EXPECT_TRUE(fixture.recorders.confirms.empty());
}

TEST(CreateFileCommand, RefusesARegisterWhoseExtractionDidNotFinish) {
  WindowFixture fixture(EscrowRows());
  testing::TempFolder pickup;
  MainWindow& window = ShowOnDate(fixture);
  window.SetPickupFolder(pickup.Path());
  window.ShowChecksClicked();
  // The next extraction stops on a missing escrow table, with the dialog closed by the operator.
  platform::RemoveFile(fixture.folder / "zordis.dbf");
  QTimer closeOnError;
  QObject::connect(&closeOnError, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog && !fixture.recorders.errors.empty()) dialog->reject();
  });
  closeOnError.start(10);
  window.ShowChecksClicked();
  closeOnError.stop();
  ASSERT_EQ(fixture.recorders.errors.size(), 1u);

  QTest::mouseClick(&window.ButtonOf(MainWindow::Button::CreateFile), Qt::LeftButton);
  ASSERT_EQ(fixture.recorders.errors.size(), 2u);
  EXPECT_EQ(fixture.recorders.errors[1],
            "VOLARIN Positive Pay|The check register holds an extraction that did not finish. "
            "Extract the checks again before creating the Positive Pay file.");
  EXPECT_TRUE(fixture.recorders.confirms.empty());
  EXPECT_TRUE(std::filesystem::is_empty(pickup.Path()));
  EXPECT_TRUE(window.isEnabled());
}

// A second file for the same bank account and date is put to the operator first: Cancel stops
// with nothing written, OK goes on to the usual question.
TEST(CreateFileCommand, TheHistorysWarningAnsweredCancelThenOk) {
  WindowFixture fixture(EscrowRows());
  testing::TempFolder pickup;
  MainWindow& window = ShowOnDate(fixture);
  window.SetPickupFolder(pickup.Path());
  window.ShowChecksClicked();
  fixture.recorders.confirmAnswer = false;
  window.CreateFileClicked();
  ASSERT_EQ(fixture.recorders.confirms.size(), 1u);  // created; not printed
  // The bank has the first file; its copies are gone, the history keeps it.
  std::filesystem::remove_all(fixture.folder / "POSPAY");
  std::filesystem::remove_all(pickup.Path());

  window.CreateFileClicked();
  ASSERT_TRUE(fixture.recorders.errors.empty()) << fixture.recorders.errors[0];
  ASSERT_EQ(fixture.recorders.confirms.size(), 2u);
  const std::string& warning = fixture.recorders.confirms[1];
  EXPECT_EQ(warning.rfind("VOLARIN Message|A Positive Pay file for bank account 12-345 and "
                          "03/04/2024 was already created on ",
                          0),
            0u)
      << warning;
  const std::string question = "\r\nCreate the Positive Pay file anyway?";
  EXPECT_EQ(warning.substr(warning.size() - question.size()), question);
  EXPECT_FALSE(std::filesystem::exists(fixture.folder / "POSPAY"));
  EXPECT_FALSE(std::filesystem::exists(pickup.Path()) && !std::filesystem::is_empty(pickup.Path()));

  std::vector<std::string> asked;
  const ScopedConfirmPresenter script([&](const std::string&, const std::string& message) {
    asked.push_back(message);
    return asked.size() == 1;  // OK to the warning, Cancel to printing
  });
  window.CreateFileClicked();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].rfind("A Positive Pay file for bank account 12-345", 0), 0u) << asked[0];
  EXPECT_EQ(asked[1].rfind("Positive Pay file have been Successfully created ", 0), 0u) << asked[1];
  EXPECT_TRUE(
      std::filesystem::exists(std::filesystem::path(pickup.Path()) / "20240304_12-345.txt"));
  EXPECT_TRUE(fixture.recorders.errors.empty());
}

TEST(CreateFileCommand, OkOpensTheReportOnTheRegister) {
  WindowFixture fixture(EscrowRows());
  testing::TempFolder pickup;
  MainWindow& window = ShowOnDate(fixture);
  window.SetPickupFolder(pickup.Path());
  window.ShowChecksClicked();
  ReportWindowWatcher watcher;
  window.CreateFileClicked();
  EXPECT_TRUE(watcher.seen);
  EXPECT_EQ(watcher.pageLabel, QStringLiteral("Page 1 of 1"));
  EXPECT_EQ(fixture.recorders.confirms.size(), 1u);
  EXPECT_TRUE(fixture.recorders.errors.empty());
  EXPECT_TRUE(window.findChildren<ReportWindow*>().empty());  // freed when closed
}

TEST(PrintCommand, BeforeAnyExtractionTheReportFailsOnTheClosedRegisterAndStaysOpen) {
  WindowFixture fixture(EscrowRows());
  MainWindow& window = fixture.Show();
  ReportWindowWatcher watcher;
  QTest::mouseClick(&window.ButtonOf(MainWindow::Button::Print), Qt::LeftButton);
  EXPECT_TRUE(watcher.seen);
  ASSERT_EQ(fixture.recorders.errors.size(), 1u);
  EXPECT_EQ(fixture.recorders.errors[0],
            "VOLARIN Positive Pay|Cannot perform this operation on a closed dataset.");
  EXPECT_TRUE(window.isEnabled());
}

}  // namespace
}  // namespace volarin
