#include "app/extractiondialog.h"

#include <QLabel>
#include <QLayout>
#include <QTimer>
#include <filesystem>

#include "app/apptestsupport.h"
#include "controls/formsizer.h"

namespace volarin {
namespace {

using testing::WindowFixture;
using testing::Ymd;

fixtures::DataFolderRows EscrowRows() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"ESC001"}};
  rows.accountMap = {{"ESC001", "12-345", "B1"}};
  for (int64_t n : {int64_t{501}, int64_t{502}, int64_t{2200000000}}) {
    fixtures::EscrowRow row;
    row.checkNo = n;
    row.accountNr = "ESC001";
    row.prnDate = Ymd(2024, 3, 15);
    row.amount = 10;
    row.company = "PAYEE";
    rows.escrow.push_back(row);
  }
  return rows;
}

struct DialogRun {
  std::vector<QString> checkTexts;
  std::vector<std::string> errors;
  int result = -1;
  bool visibleWhenRunStarted = false;
};

DialogRun RunDialog(MainWindow& window, bool outstanding) {
  DialogRun run;
  ExtractionDialog dialog({window.zorppay(), window.ZORPPSUB(), window.zordis(), window.rpsdis()},
                          {"ESC001", Ymd(2024, 3, 15), false, window.DataDir()}, &window);
  dialog.SetAllOutstanding(outstanding);
  dialog.SetErrorHandler([&](const std::string& message) {
    run.errors.push_back(message);
    dialog.reject();  // the operator closes it
  });
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (dialog.isVisible()) run.checkTexts.push_back(dialog.RxLabel2().text());
  });
  probe.start(0);
  run.result = dialog.exec();
  return run;
}

TEST(ExtractionDialog, LayoutAndCaption) {
  WindowFixture fixture(EscrowRows());
  MainWindow& window = fixture.Show();
  ExtractionDialog dialog({window.zorppay(), window.ZORPPSUB(), window.zordis(), window.rpsdis()},
                          {"ESC001", Ymd(2024, 3, 15), false, window.DataDir()}, &window);
  EXPECT_EQ(dialog.windowTitle(), "Select Checks");
  EXPECT_EQ(dialog.size(), QSize(540, 181));
  EXPECT_FALSE(dialog.Shown());
  EXPECT_FALSE(dialog.AllOutstanding());
  EXPECT_EQ(dialog.RxLabel1().text(), "Extracting checks from Escrow");
  EXPECT_TRUE(dialog.RxLabel1().font().bold());
  EXPECT_EQ(dialog.RxLabel2().palette().color(QPalette::WindowText), QColor(0x80, 0, 0));
  EXPECT_EQ(dialog.RxLabel1().alignment(), Qt::AlignCenter);
  EXPECT_EQ(dialog.formsizer1().Texture().size(), QSize(240, 240));
  dialog.layout()->activate();  // what showing it does first
  EXPECT_EQ(dialog.formsizer1().geometry(), QRect(0, 0, 540, 181));
}

TEST(ExtractionDialog, RunsOnceShownAndClosesItself) {
  WindowFixture fixture(EscrowRows());
  MainWindow& window = fixture.Show();
  const DialogRun run = RunDialog(window, /*outstanding=*/false);
  EXPECT_EQ(run.result, QDialog::Accepted);
  EXPECT_TRUE(run.errors.empty());
  // The label showed each check as it was visited, ten-digit numbers whole.
  EXPECT_NE(std::find(run.checkTexts.begin(), run.checkTexts.end(), "2200000000"),
            run.checkTexts.end());
  EXPECT_EQ(window.zorppay().RecCount(), 3u);
  window.zorppay().GoTop();
  EXPECT_EQ(window.zorppay().FieldAsInt64("CHECKNO"), 501);
}

TEST(ExtractionDialog, AnErrorLeavesItOpenUntilTheOperatorClosesIt) {
  WindowFixture fixture(EscrowRows());
  MainWindow& window = fixture.Show();
  std::filesystem::remove(fixture.folder / "rpsdis.dbf");
  const DialogRun run = RunDialog(window, /*outstanding=*/false);
  ASSERT_EQ(run.errors.size(), 1u);
  EXPECT_NE(run.errors[0].find("Error opening"), std::string::npos) << run.errors[0];
  EXPECT_EQ(run.result, QDialog::Rejected);
  EXPECT_EQ(window.zorppay().RecCount(), 3u);  // what was posted stays
}

}  // namespace
}  // namespace volarin
