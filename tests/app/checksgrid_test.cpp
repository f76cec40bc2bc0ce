#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QSignalSpy>

#include "app/apptestsupport.h"
#include "app/cursormodel.h"
#include "storage/directreader.h"
#include "storage/tablefiles.h"
#include "support/fake_record.h"

namespace volarin {
namespace {

using testing::WindowFixture;
using testing::Ymd;

constexpr int kStatusColumn = 5;
constexpr int kPayeeColumn = 4;
const QColor kNavy(0, 0, 128);
const QColor kLightRed(255, 225, 225);
const QColor kBlueGrey(221, 227, 240);
const QColor kWhite(255, 255, 255);

fixtures::DataFolderRows RegisterRows() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"ESC001"}};
  rows.accountMap = {{"ESC001", "12-345", "B1"}};
  rows.checkRegister = {
      {"12-345", 1001, Ymd(2024, 3, 1), "00", 150.50, "Issued Payee", "B1"},
      {"12-345", 1002, Ymd(2024, 3, 2), "02", 20, "Void Payee", "B1"},
      {"12-345", 1003, Ymd(2024, 3, 3), "03", 35.25, "Stopped Payee", "B1"},
      {"12-345", 1004, Ymd(2024, 3, 4), "9", 1250, "Odd Code Payee", "B1"},
      {"12-345", 1005, Ymd(2024, 3, 5), "02", 5, "Deleted Payee", "B1", true},
  };
  return rows;
}

QColor CellColor(DataGrid& grid, int row, int column) {
  const QImage shot = grid.grab().toImage();
  const QRect cell = grid.visualRect(grid.model()->index(row, column));
  const QPoint inViewport = cell.center() + QPoint(cell.width() / 2 - 3, 0);
  const QPoint point = grid.viewport()->mapTo(&grid, inViewport);
  return QColor(shot.pixel(point * shot.devicePixelRatio()));
}

TEST(ChecksGrid, ShowsTheRegisterWithStatusTextsAndStandardValueTexts) {
  WindowFixture fixture(RegisterRows());
  MainWindow& window = fixture.ShowWithRegister();
  const CursorModel& model = window.ExRxDBGrid2().Model();
  ASSERT_EQ(model.rowCount(), 4);  // the deleted check is not shown
  const QStringList titles = {"Account No.", "Print Date", "Check No.",
                              "Amount",      "Payee",      "Status"};
  const int widths[] = {105, 72, 57, 66, 228, 44};
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), titles[c]);
    EXPECT_EQ(window.ExRxDBGrid2().horizontalHeader()->sectionSize(c), widths[c]);
  }
  EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("12-345"));
  EXPECT_EQ(model.index(0, 1).data().toString(), QStringLiteral("03/01/2024"));
  EXPECT_EQ(model.index(0, 2).data().toString(), QStringLiteral("1001"));
  EXPECT_EQ(model.index(0, 3).data().toString(), QStringLiteral("150.5"));
  EXPECT_EQ(model.index(3, 3).data().toString(), QStringLiteral("1250"));
  const QString statuses[] = {"", "Void", "Stop", ""};
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(model.index(row, kStatusColumn).data().toString(), statuses[row]) << row;
  }
  EXPECT_EQ(window.ExRxDBGrid2().verticalHeader()->sectionSize(0), DataGrid::kRowHeight);
}

TEST(ChecksGrid, TintsVoidAndStoppedRowsAndDrawsTheCurrentRowNavy) {
  WindowFixture fixture(RegisterRows());
  MainWindow& window = fixture.ShowWithRegister();
  DataGrid& grid = window.ExRxDBGrid2();
  ASSERT_EQ(grid.Model().CurrentRow(), 0);
  const QColor expected[] = {kNavy, kLightRed, kBlueGrey, kWhite};
  for (int row = 0; row < 4; ++row) {
    for (int column : {0, kPayeeColumn, kStatusColumn}) {
      EXPECT_EQ(CellColor(grid, row, column), expected[row]) << row << "," << column;
    }
  }
  EXPECT_EQ(grid.Model().index(1, 0).data(Qt::ForegroundRole).value<QBrush>().color(),
            QColor(Qt::black));

  // Moving onto the void check makes it navy; moving on restores its light red.
  QTest::keyClick(&grid, Qt::Key_Down);
  EXPECT_EQ(window.zorppay().FieldAsInt64("CHECKNO"), 1002);
  EXPECT_EQ(CellColor(grid, 1, kPayeeColumn), kNavy);
  EXPECT_EQ(CellColor(grid, 0, kPayeeColumn), kWhite);
  QTest::keyClick(&grid, Qt::Key_Down);
  EXPECT_EQ(CellColor(grid, 1, kPayeeColumn), kLightRed);
  EXPECT_EQ(CellColor(grid, 2, kPayeeColumn), kNavy);
}

TEST(ChecksGrid, CheckRowColorsFollowsTheStatusWhateverItsCase) {
  const std::pair<const char*, uint32_t> cases[] = {{"Void", 0xE1E1FF},
                                                    {"void", 0xE1E1FF},
                                                    {"Stop", 0xF0E3DD},
                                                    {"", 0xFFFFFF},
                                                    {"Held", 0xFFFFFF}};
  for (const auto& [status, background] : cases) {
    testing::FakeRecord row({{tables::reg::kStatus, status}});
    const RowColors colors = CheckRowColors(row);
    EXPECT_EQ(colors.background, background) << status;
    EXPECT_EQ(colors.text, 0u) << status;
  }
}

TEST(ChecksGrid, NeitherTypingNorDownOnTheLastRowChangesTheRegister) {
  WindowFixture fixture(RegisterRows());
  MainWindow& window = fixture.ShowWithRegister();
  DataGrid& grid = window.ExRxDBGrid2();
  const uint32_t records = window.zorppay().RecCount();
  for (int i = 0; i < 6; ++i) QTest::keyClick(&grid, Qt::Key_Down);
  EXPECT_EQ(grid.Model().rowCount(), 4);
  EXPECT_EQ(grid.Model().CurrentRow(), 3);
  EXPECT_EQ(window.zorppay().FieldAsInt64("CHECKNO"), 1004);
  QTest::keyClicks(&grid, "777");
  QTest::keyClick(&grid, Qt::Key_Insert);
  EXPECT_FALSE(grid.Editing());
  EXPECT_EQ(grid.Model().rowCount(), 4);
  EXPECT_EQ(grid.Model().index(3, 2).data().toString(), QStringLiteral("1004"));
  EXPECT_EQ(window.zorppay().State(), EditState::kBrowse);
  EXPECT_EQ(window.zorppay().RecCount(), records);
}

int VisibleRegisterRecords(const std::string& folder) {
  DirectReader reader;
  int handle = reader.Open(folder + "/zorppay.dbf");
  int count = 0;
  for (reader.Top(handle); !reader.Eof(handle); reader.Skip(handle, 1)) ++count;
  reader.Close(handle);
  return count;
}

TEST(ChecksGrid, CtrlDeleteAsksAndDeletesOnlyOnYes) {
  WindowFixture fixture(RegisterRows());
  MainWindow& window = fixture.ShowWithRegister();
  DataGrid& grid = window.ExRxDBGrid2();
  QTest::keyClick(&grid, Qt::Key_Down);  // onto check 1002
  std::vector<std::string> asked;

  testing::AnswerQuestions(grid, false, asked);
  QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(asked, std::vector<std::string>{"Delete record?"});
  EXPECT_EQ(grid.Model().rowCount(), 4);
  EXPECT_EQ(window.zorppay().FieldAsInt64("CHECKNO"), 1002);

  QTest::keyClick(&grid, Qt::Key_Delete);  // Delete without Ctrl does nothing
  EXPECT_EQ(asked.size(), 1u);

  testing::AnswerQuestions(grid, true, asked);
  QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(asked.size(), 2u);
  ASSERT_EQ(grid.Model().rowCount(), 3);
  for (int row = 0; row < 3; ++row) {
    EXPECT_NE(grid.Model().index(row, 2).data().toString(), QStringLiteral("1002"));
  }
  EXPECT_TRUE(fixture.recorders.errors.empty());
  window.close();
  fixture.window.reset();
  EXPECT_EQ(VisibleRegisterRecords(fixture.folder.Path()), 3);
}

// A register of many checks, as an extraction leaves it.
fixtures::DataFolderRows LongRegister(int checks) {
  fixtures::DataFolderRows rows = RegisterRows();
  rows.checkRegister.clear();
  for (int i = 0; i < checks; ++i) {
    rows.checkRegister.push_back({"12-345", 5000 + i, Ymd(2024, 3, 1 + i % 28),
                                  i % 9 == 0 ? "02" : "00", 10.0 + i, "Payee", "B1"});
  }
  return rows;
}

// Each move of the register cursor tells the indicator column about the row it left and the
// row it reached, never about every row: a walk over the register costs the same per record
// whatever its size, and the grid's current row still follows every move.
TEST(ChecksGrid, ACursorMoveAnnouncesOnlyTheIndicatorRowsThatChanged) {
  WindowFixture fixture(LongRegister(300));
  MainWindow& window = fixture.ShowWithRegister();
  DataGrid& grid = window.ExRxDBGrid2();
  const CursorModel& model = grid.Model();
  ASSERT_EQ(model.rowCount(), 300);
  QSignalSpy announced(&model, &QAbstractItemModel::headerDataChanged);
  TableCursor& reg = window.zorppay();
  for (int step = 1; step <= 20; ++step) {
    reg.Skip(1);
    EXPECT_EQ(grid.currentIndex().row(), step);
    EXPECT_EQ(model.IndicatorOf(step), RowIndicator::Current);
    EXPECT_EQ(model.IndicatorOf(step - 1), RowIndicator::None);
  }
  ASSERT_EQ(announced.size(), 40);
  for (int i = 0; i < announced.size(); ++i) {
    const int first = announced[i][1].toInt();
    const int last = announced[i][2].toInt();
    EXPECT_EQ(announced[i][0].value<Qt::Orientation>(), Qt::Vertical);
    EXPECT_EQ(first, last);
    // The row left, then the row reached.
    EXPECT_EQ(first, i / 2 + i % 2);
  }
}

// The export walks the whole register; the grid follows once, at the
// end, and shows the same rows afterwards.
TEST(ChecksGrid, TheExportMovesTheGridOnce) {
  WindowFixture fixture(LongRegister(200));
  testing::TempFolder pickup;
  MainWindow& window = fixture.ShowWithRegister();
  window.SetPickupFolder(pickup.Path());
  DataGrid& grid = window.ExRxDBGrid2();
  const QStringList before = testing::GridCheckNumbers(window);
  ASSERT_EQ(before.size(), 200);
  QSignalSpy followed(&grid.Model(), &CursorModel::currentRowChanged);
  fixture.recorders.confirmAnswer = false;
  window.CreateFileClicked();
  ASSERT_TRUE(fixture.recorders.errors.empty()) << fixture.recorders.errors[0];
  ASSERT_EQ(fixture.recorders.confirms.size(), 1u);
  EXPECT_EQ(followed.size(), 1);
  EXPECT_EQ(testing::GridCheckNumbers(window), before);
  EXPECT_EQ(grid.currentIndex().row(), grid.Model().CurrentRow());
}

}  // namespace
}  // namespace volarin
