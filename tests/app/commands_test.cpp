#include <gtest/gtest.h>

#include "app/apptestsupport.h"
#include "app/cursormodel.h"
#include "controls/coloredit.h"

#include <QAbstractButton>

namespace volarin {
namespace {

using testing::WindowFixture;
using testing::Ymd;

fixtures::DataFolderRows RegisterRows() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"ESC001"}};
  rows.accountMap = {{"ESC001", "12-345", "B1"}};
  rows.checkRegister = {
      {"12-345", 1002, Ymd(2024, 3, 1), "00", 10, "A", "B1"},
      {"12-345", 999, Ymd(2024, 3, 2), "02", 20, "B", "B1"},
      {"12-345", 1003, Ymd(2024, 3, 3), "03", 30, "C", "B1"},
      {"12-345", 1000, Ymd(2024, 3, 4), "00", 40, "D", "B1"},
  };
  return rows;
}

TEST(SetCommand, FiltersFromTheTypedNumberOnAndOnlyTheLastNumberCounts) {
  WindowFixture fixture(RegisterRows());
  MainWindow& window = fixture.ShowWithRegister();
  window.edchk().setText(QStringLiteral(" 1000 "));
  QTest::mouseClick(&window.ButtonOf(MainWindow::Button::Set), Qt::LeftButton);
  EXPECT_EQ(testing::GridCheckNumbers(window), (QStringList{"1002", "1003", "1000"}));
  EXPECT_EQ(window.zorppay().FieldAsInt64("CHECKNO"), 1002);
  EXPECT_EQ(window.ExRxDBGrid2().Model().CurrentRow(), 0);

  window.edchk().setText(QStringLiteral("1003"));
  window.SetClicked();
  EXPECT_EQ(testing::GridCheckNumbers(window), (QStringList{"1003"}));
  window.edchk().setText(QStringLiteral("1"));
  window.SetClicked();
  EXPECT_EQ(testing::GridCheckNumbers(window).size(), 4);
  EXPECT_TRUE(fixture.recorders.errors.empty());
}

// Past 32 bits: 2^32 + 1 would read as 1 when cut to 32 bits, and 9876543210 as a negative.
TEST(TenDigitCheckNumbers, AreShownFilteredOnAndAskedAboutWhole) {
  fixtures::DataFolderRows rows = RegisterRows();
  rows.checkRegister = {
      {"12-345", 4294967297, Ymd(2024, 3, 1), "00", 10, "A", "B1"},
      {"12-345", 1002, Ymd(2024, 3, 2), "00", 20, "B", "B1"},
      {"12-345", 9876543210, Ymd(2024, 3, 3), "00", 30, "C", "B1"},
  };
  WindowFixture fixture(rows);
  MainWindow& window = fixture.ShowWithRegister();
  EXPECT_EQ(testing::GridCheckNumbers(window), (QStringList{"4294967297", "1002", "9876543210"}));

  window.edchk().setText(QStringLiteral("4294967296"));
  window.SetClicked();
  EXPECT_EQ(testing::GridCheckNumbers(window), (QStringList{"4294967297", "9876543210"}));

  window.ExRxDBGrid2().setCurrentIndex(window.ExRxDBGrid2().model()->index(1, 0));
  window.StopPaymentClicked();
  EXPECT_EQ(fixture.recorders.confirms,
            std::vector<std::string>{
                "VOLARIN Message|Are you sure you want to stop payment on 9876543210"});
  EXPECT_EQ(window.zorppay().FieldAsInt64("CHECKNO"), 9876543210);
  EXPECT_EQ(window.zorppay().FieldAsString("STATUSCODE"), "03");
  EXPECT_TRUE(fixture.recorders.errors.empty());
}

TEST(SetCommand, AnEntryThatIsNoNumberShowsTheParseErrorAndLeavesTheFilterOff) {
  for (const char* entry : {"", "  ", "abc("}) {
    WindowFixture fixture(RegisterRows());
    MainWindow& window = fixture.ShowWithRegister();
    window.edchk().setText(QStringLiteral("1003"));
    window.SetClicked();
    window.edchk().setText(QString::fromLatin1(entry));
    window.SetClicked();
    ASSERT_EQ(fixture.recorders.errors.size(), 1u) << entry;
    const std::string filter = "checkno>=" + std::string(entry).substr(0, entry[0] == ' ' ? 0 : 9);
    EXPECT_EQ(fixture.recorders.errors[0].rfind(
                  "VOLARIN Positive Pay|Could not parse filter expression: checkno>=", 0),
              0u)
        << fixture.recorders.errors[0];
    EXPECT_FALSE(window.zorppay().Filtered());
    EXPECT_EQ(testing::GridCheckNumbers(window).size(), 4) << entry;
  }
}

TEST(SetCommand, DoesNothingBeforeTheRegisterIsOpen) {
  WindowFixture fixture(RegisterRows());
  MainWindow& window = fixture.Show();
  window.edchk().setText(QString());
  window.SetClicked();
  EXPECT_TRUE(fixture.recorders.errors.empty());
  EXPECT_FALSE(window.zorppay().IsOpen());
}

TEST(StopPaymentCommand, AsksForAnIssuedCheckAndStopsItOnOk) {
  for (bool ok : {false, true}) {
    WindowFixture fixture(RegisterRows());
    fixture.recorders.confirmAnswer = ok;
    MainWindow& window = fixture.ShowWithRegister();
    window.StopPaymentClicked();
    ASSERT_EQ(fixture.recorders.confirms.size(), 1u);
    EXPECT_EQ(fixture.recorders.confirms[0],
              "VOLARIN Message|Are you sure you want to stop payment on 1002");
    EXPECT_EQ(window.ExRxDBGrid2().Model().index(0, 5).data().toString(),
              ok ? QStringLiteral("Stop") : QString());
    EXPECT_EQ(window.zorppay().FieldAsString("STATUSCODE"), ok ? "03" : "00");
  }
}

TEST(StopPaymentCommand, PassesOverVoidAndStoppedChecksSilently) {
  WindowFixture fixture(RegisterRows());
  MainWindow& window = fixture.ShowWithRegister();
  for (int row : {1, 2}) {
    window.ExRxDBGrid2().setCurrentIndex(window.ExRxDBGrid2().model()->index(row, 0));
    window.StopPaymentClicked();
  }
  EXPECT_TRUE(fixture.recorders.confirms.empty());
  EXPECT_EQ(window.zorppay().FieldAsString("STATUSCODE"), "03");
}

TEST(VoidCommand, OnlyTellsWhereChecksAreVoided) {
  for (bool ok : {false, true}) {
    WindowFixture fixture(RegisterRows());
    fixture.recorders.confirmAnswer = ok;
    MainWindow& window = fixture.ShowWithRegister();
    window.VoidClicked();
    ASSERT_EQ(fixture.recorders.confirms.size(), 1u);
    EXPECT_EQ(fixture.recorders.confirms[0],
              "VOLARIN Message|Checks can only be voided in VOLARINescrow");
    EXPECT_EQ(window.zorppay().FieldAsString("STATUSCODE"), "00");
  }
}

}  // namespace
}  // namespace volarin
