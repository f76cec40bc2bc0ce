#include <gtest/gtest.h>

#include <QLineEdit>

#include "app/apptestsupport.h"
#include "app/cursormodel.h"
#include "app/pagecontrol.h"
#include "controls/colordateedit.h"
#include "storage/directreader.h"
#include "storage/environment.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"
#include "support/other_process.h"

namespace volarin {
namespace {

using testing::ReadBytes;
using testing::WindowFixture;

fixtures::DataFolderRows MapRows() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"AAA100"}};
  rows.accountMap = {{"ZZZ900", "99-1", "B9"}, {"AAA100", "11-1", "B1"}, {"MMM500", "55-5", "B5"}};
  return rows;
}

struct MapRecord {
  std::string org, bank, code;
  bool operator==(const MapRecord&) const = default;
  friend void PrintTo(const MapRecord& r, std::ostream* out) {
    *out << "{" << r.org << "," << r.bank << "," << r.code << "}";
  }
};

// The account map as the file holds it, read by an independent reader, in record order.
std::vector<MapRecord> MapInFile(const std::string& folder) {
  DirectReader reader;
  int handle = reader.Open(folder + "/zorppsub.dbf");
  std::vector<MapRecord> records;
  for (reader.Top(handle); !reader.Eof(handle); reader.Skip(handle, 1)) {
    auto trimmed = [&](const char* field) {
      std::string text = reader.FieldText(handle, field);
      return text.substr(0, text.find_last_not_of(' ') + 1);
    };
    records.push_back({trimmed("ORGACCNR"), trimmed("NEWACCNR"), trimmed("BANKCODE")});
  }
  reader.Close(handle);
  return records;
}

const std::vector<MapRecord> kOriginalMap = {
    {"ZZZ900", "99-1", "B9"}, {"AAA100", "11-1", "B1"}, {"MMM500", "55-5", "B5"}};

class SetupGridTest : public ::testing::Test {
 protected:
  SetupGridTest() : fixture(MapRows()) {
    fixture.Show();
    window().GSPages1().setCurrentIndex(1);
    grid().setFocus();
    QApplication::processEvents();
  }
  MainWindow& window() { return *fixture.window; }
  DataGrid& grid() { return window().ExRxDBGrid1(); }
  const CursorModel& model() { return grid().Model(); }
  QString Cell(int row, int column) { return model().index(row, column).data().toString(); }

  void GoToCell(int row, int column) { grid().setCurrentIndex(model().index(row, column)); }

  // Opens the cell editor by typing, as the operator does, and types the text into it.
  QLineEdit* TypeIntoCell(int row, int column, const QString& text) {
    GoToCell(row, column);
    QTest::keyClick(&grid(), Qt::Key_F2);
    // Closed editors linger hidden until the event loop deletes them.
    QLineEdit* editor = nullptr;
    for (auto* candidate : grid().viewport()->findChildren<QLineEdit*>()) {
      if (candidate->isVisible()) editor = candidate;
    }
    if (!editor) return nullptr;
    editor->selectAll();
    QTest::keyClicks(editor, text);
    return editor;
  }
  // The grid takes the value once the editor has handled the key, on the next pass of the loop.
  void Commit(QLineEdit* editor) {
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
  }

  WindowFixture fixture;
};

TEST_F(SetupGridTest, ShowsTheAccountMapWithItsTitlesAndWidths) {
  const QStringList titles = {"VOLARIN Account Number", "Bank Account Number", "Bank Number"};
  const int widths[] = {244, 260, 68};
  ASSERT_EQ(model().columnCount(), 3);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(model().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), titles[c]);
    EXPECT_EQ(grid().columnWidth(c), widths[c]);
  }
  EXPECT_EQ(Cell(0, 0), QStringLiteral("AAA100"));
}

TEST_F(SetupGridTest, ATypedValueIsSavedWhenTheRowChanges) {
  QLineEdit* editor = TypeIntoCell(0, 1, QStringLiteral("11-9"));
  ASSERT_NE(editor, nullptr);
  Commit(editor);
  EXPECT_EQ(Cell(0, 1), QStringLiteral("11-9"));
  EXPECT_EQ(window().ZORPPSUB().State(), EditState::kEdit);
  EXPECT_EQ(MapInFile(fixture.folder.Path()), kOriginalMap);  // not yet saved

  QTest::keyClick(&grid(), Qt::Key_Down);
  EXPECT_EQ(window().ZORPPSUB().State(), EditState::kBrowse);
  EXPECT_EQ(model().CurrentRow(), 1);
  std::vector<MapRecord> expected = kOriginalMap;
  expected[1].bank = "11-9";
  EXPECT_EQ(MapInFile(fixture.folder.Path()), expected);
  EXPECT_TRUE(fixture.recorders.errors.empty());
}

TEST_F(SetupGridTest, EscapeAbandonsTheRowsChanges) {
  QLineEdit* editor = TypeIntoCell(2, 2, QStringLiteral("NEW"));
  ASSERT_NE(editor, nullptr);
  Commit(editor);
  EXPECT_EQ(Cell(2, 2), QStringLiteral("NEW"));
  QTest::keyClick(&grid(), Qt::Key_Escape);
  EXPECT_EQ(Cell(2, 2), QStringLiteral("B9"));
  EXPECT_EQ(window().ZORPPSUB().State(), EditState::kBrowse);
  QTest::keyClick(&grid(), Qt::Key_Up);
  EXPECT_EQ(MapInFile(fixture.folder.Path()), kOriginalMap);

  // Esc while the cell editor is open drops what was typed into it.
  editor = TypeIntoCell(0, 0, QStringLiteral("XYZ"));
  ASSERT_NE(editor, nullptr);
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_EQ(Cell(0, 0), QStringLiteral("AAA100"));
  EXPECT_FALSE(window().ZORPPSUB().IsModified());
}

TEST_F(SetupGridTest, InsertOpensANewRowThatIsDroppedWhenLeftUntouched) {
  GoToCell(1, 0);
  QTest::keyClick(&grid(), Qt::Key_Insert);
  ASSERT_EQ(model().rowCount(), 4);
  EXPECT_EQ(model().NewRow(), 1);
  EXPECT_EQ(model().CurrentRow(), 1);
  EXPECT_EQ(model().IndicatorOf(1), RowIndicator::Inserting);
  EXPECT_EQ(Cell(2, 0), QStringLiteral("MMM500"));  // the current row moved down

  window().DateEdit1().setFocus();  // the grid loses the focus
  QApplication::processEvents();
  EXPECT_EQ(model().rowCount(), 3);
  EXPECT_FALSE(model().HasNewRow());
  EXPECT_EQ(window().ZORPPSUB().RecCount(), 3u);
  EXPECT_EQ(MapInFile(fixture.folder.Path()), kOriginalMap);
}

TEST_F(SetupGridTest, DownOnTheLastRowAddsARowThatIsAppendedWhenLeftWithValues) {
  GoToCell(2, 0);
  QTest::keyClick(&grid(), Qt::Key_Down);
  ASSERT_EQ(model().rowCount(), 4);
  EXPECT_EQ(model().NewRow(), 3);
  QTest::keyClick(&grid(), Qt::Key_Down);  // an empty new row does not grow another
  EXPECT_EQ(model().rowCount(), 4);

  QLineEdit* editor = TypeIntoCell(3, 0, QStringLiteral("BBB200"));
  ASSERT_NE(editor, nullptr);
  Commit(editor);
  editor = TypeIntoCell(3, 1, QStringLiteral("22-2"));
  ASSERT_NE(editor, nullptr);
  Commit(editor);
  EXPECT_EQ(MapInFile(fixture.folder.Path()), kOriginalMap);  // nothing written yet

  QTest::keyClick(&grid(), Qt::Key_Up);
  EXPECT_FALSE(model().HasNewRow());
  ASSERT_EQ(model().rowCount(), 4);
  EXPECT_EQ(Cell(1, 0), QStringLiteral("BBB200"));  // in account order
  std::vector<MapRecord> expected = kOriginalMap;
  expected.push_back({"BBB200", "22-2", ""});
  EXPECT_EQ(MapInFile(fixture.folder.Path()), expected);
}

TEST_F(SetupGridTest, CtrlDeleteRemovesTheAccountMapRowOnYes) {
  std::vector<std::string> asked;
  testing::AnswerQuestions(grid(), true, asked);
  GoToCell(1, 0);
  QTest::keyClick(&grid(), Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(asked, std::vector<std::string>{"Delete record?"});
  ASSERT_EQ(model().rowCount(), 2);
  EXPECT_EQ(MapInFile(fixture.folder.Path()),
            (std::vector<MapRecord>{kOriginalMap[0], kOriginalMap[1]}));  // MMM500 is gone
}

// --- closing

TEST_F(SetupGridTest, ClosingSavesAValueStillBeingTyped) {
  QLineEdit* editor = TypeIntoCell(0, 2, QStringLiteral("TYPED"));
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(grid().Editing());
  window().close();
  EXPECT_FALSE(window().ZORPPSUB().IsOpen());
  std::vector<MapRecord> expected = kOriginalMap;
  expected[1].code = "TYPED";
  EXPECT_EQ(MapInFile(fixture.folder.Path()), expected);
  EXPECT_TRUE(fixture.recorders.errors.empty());
}

TEST_F(SetupGridTest, ClosingSavesANewRowWithValuesAndDropsAnUntouchedOne) {
  GoToCell(2, 0);
  QTest::keyClick(&grid(), Qt::Key_Down);
  QLineEdit* editor = TypeIntoCell(3, 0, QStringLiteral("CCC300"));
  ASSERT_NE(editor, nullptr);
  window().close();
  std::vector<MapRecord> expected = kOriginalMap;
  expected.push_back({"CCC300", "", ""});
  EXPECT_EQ(MapInFile(fixture.folder.Path()), expected);
}

// The storage objects of another program over the data folder.
struct OtherProgram {
  Environment environment;
  StorageEngine engine{environment, "Engine1"};
  StorageDataBase database{environment, "DataBase1"};
  TableCursor map{environment, "ZORPPSUB"};
};

// Another program that holds one account map record locked until told to let go.
testing::OtherProcess::Held LockAccountMapRecord(const std::string& folder,
                                                 const std::string& account) {
  auto program = std::make_shared<OtherProgram>();
  program->database.SetEngine(&program->engine);
  program->database.SetDataPath(folder);
  program->database.SetIndexPath(folder);
  TableCursor& map = program->map;
  map.fileAlias = "zorppsub";
  map.dataBaseName = "DataBase1";
  map.lockingMethod = LockingMethod::kLockOnEdit;
  map.Open();
  map.SetTag("accountnr");
  if (!map.Seek(account)) return nullptr;
  map.StartEdit();  // takes the record's lock
  return program;
}

VPP_OTHER_PROCESS_ROLE(LockAccountMapRecordOf) {
  return LockAccountMapRecord(role.Argument(0), role.Argument(1));
}

TEST_F(SetupGridTest, ClosingKeepsTheWindowOpenWhenThePendingEditCannotBeSaved) {
  QLineEdit* editor = TypeIntoCell(1, 2, QStringLiteral("LOCKED"));  // MMM500
  ASSERT_NE(editor, nullptr);
  Commit(editor);
  const std::string folder = fixture.folder.Path();
  testing::OtherProcess locker("LockAccountMapRecordOf", {folder, "MMM500"});
  ASSERT_TRUE(locker.WaitUntilHolding());
  window().close();
  ASSERT_EQ(fixture.recorders.errors.size(), 1u);
  EXPECT_EQ(fixture.recorders.errors[0],
            "VOLARIN Positive Pay|Record lock was unsuccessful, save aborted.");
  EXPECT_TRUE(window().isVisible());
  EXPECT_TRUE(window().ZORPPSUB().IsOpen());
  EXPECT_EQ(Cell(1, 2), QStringLiteral("LOCKED"));  // the operator's value is kept

  EXPECT_EQ(locker.Wait(), 0);
  window().close();
  EXPECT_FALSE(window().isVisible());
  std::vector<MapRecord> expected = kOriginalMap;
  expected[2].code = "LOCKED";
  EXPECT_EQ(MapInFile(fixture.folder.Path()), expected);
}

TEST(SetupGridClosing, ClosingWithoutChangesWritesNothing) {
  WindowFixture fixture(MapRows());
  const std::string dbf = ReadBytes(fixture.folder / "zorppsub.dbf");
  const std::string mdx = ReadBytes(fixture.folder / "zorppsub.MDX");
  MainWindow& window = fixture.Show();
  ASSERT_TRUE(window.Started());
  window.GSPages1().setCurrentIndex(1);
  window.ExRxDBGrid1().setFocus();
  QTest::keyClick(&window.ExRxDBGrid1(), Qt::Key_Down);
  QTest::keyClick(&window.ExRxDBGrid1(), Qt::Key_Insert);
  window.close();
  fixture.window.reset();
  EXPECT_EQ(ReadBytes(fixture.folder / "zorppsub.dbf"), dbf);
  EXPECT_EQ(ReadBytes(fixture.folder / "zorppsub.MDX"), mdx);
}

}  // namespace
}  // namespace volarin
