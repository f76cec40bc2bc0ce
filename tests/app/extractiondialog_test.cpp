#include "app/extractiondialog.h"

#include <QElapsedTimer>
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

// Records what the number label showed each time it was painted.
class PaintRecorder : public QObject {
 public:
  explicit PaintRecorder(QLabel& label) : label_(label) { label.installEventFilter(this); }
  std::vector<QString> painted;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &label_ && event->type() == QEvent::Paint) painted.push_back(label_.text());
    return false;
  }

 private:
  QLabel& label_;
};

// Many source records: the label's text follows every record and events run at each, but it
// is painted at most about once a frame, and the last number of each source is painted before
// the next source starts or the dialog closes.
TEST(ExtractionDialog, PaintsTheNumberAtMostOnceAFrameAndAlwaysTheLastOne) {
  fixtures::DataFolderRows rows = EscrowRows();
  rows.escrow.clear();
  constexpr int kLines = 1500;
  for (int i = 0; i < kLines; ++i) {
    fixtures::EscrowRow row;
    row.checkNo = 10000 + i;
    row.accountNr = i % 2 == 0 ? "ESC001" : "OTHER";
    row.prnDate = Ymd(2024, 3, 15);
    row.amount = 10;
    row.company = "PAYEE";
    rows.escrow.push_back(row);
  }
  rows.closing = {{777, "ESC001", Ymd(2024, 3, 15), 25, 0, "CLOSING PAYEE"},
                  {778, "ESC001", Ymd(2024, 3, 15), 30, 0, "CLOSING PAYEE"}};
  WindowFixture fixture(rows);
  MainWindow& window = fixture.Show();
  ExtractionDialog dialog({window.zorppay(), window.ZORPPSUB(), window.zordis(), window.rpsdis()},
                          {"ESC001", Ymd(2024, 3, 15), false, window.DataDir()}, &window);
  PaintRecorder paints(dialog.RxLabel2());
  std::vector<QString> seen;  // the label's text whenever events ran
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (dialog.isVisible()) seen.push_back(dialog.RxLabel2().text());
  });
  probe.start(0);
  QElapsedTimer clock;
  clock.start();
  const int result = dialog.exec();
  const qint64 elapsed = clock.elapsed();
  ASSERT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(window.zorppay().RecCount(), kLines / 2 + 2u);

  // Events ran with the text of every record.
  for (const QString number : {"10000", "10001", "10750", "11499", "777", "778"}) {
    EXPECT_NE(std::find(seen.begin(), seen.end(), number), seen.end()) << number.toStdString();
  }
  // A paint per frame at most (with room for the paints at the ends of the sources and those
  // the window system asks for), far fewer than one per record.
  EXPECT_LE(paints.painted.size(), static_cast<size_t>(elapsed / 16 + 10));
  EXPECT_LT(paints.painted.size(), static_cast<size_t>(kLines / 4));
  // The last escrow number was painted before the closing numbers, and the run's last number
  // was the last one painted.
  const auto lastEscrow = std::find(paints.painted.begin(), paints.painted.end(), "11499");
  EXPECT_NE(lastEscrow, paints.painted.end());
  ASSERT_FALSE(paints.painted.empty());
  EXPECT_EQ(paints.painted.back(), "778");
}

}  // namespace
}  // namespace volarin
