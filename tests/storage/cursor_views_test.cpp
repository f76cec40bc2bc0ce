// What a grid over a cursor relies on: notifications, suspending them, and reading rows aside.
#include <gtest/gtest.h>

#include "storage/checkregister.h"
#include "storage/errors.h"
#include "storage_test_support.h"

namespace volarin {
namespace {

using testing::StorageSetup;
using testing::Ymd;

struct Recorder : CursorObserver {
  std::string log;
  void RecordsChanged(TableCursor&) override { log += "C"; }
  void CurrentMoved(TableCursor&) override { log += "M"; }
  void DisplaySuspended(TableCursor&) override { log += "S"; }
  void DisplayResumed(TableCursor&) override { log += "R"; }
};

fixtures::DataFolderRows Register() {
  fixtures::DataFolderRows rows;
  rows.checkRegister = {{"BANK1", 3, Ymd(2024, 1, 17), "00", 30, "C3", "K"},
                        {"BANK1", 1, Ymd(2024, 1, 15), "02", 10, "C1", "K"},
                        {"BANK1", 4, Ymd(2024, 1, 14), "00", 40, "C4", "K", true},
                        {"BANK1", 2, Ymd(2024, 1, 16), "03", 20, "C2", "K"}};
  return rows;
}

TEST(CursorViews, ObserversHearOfMovesAndChanges) {
  StorageSetup setup(Register());
  auto reg = setup.Cursor("zorppay");
  Recorder recorder;
  reg->AddObserver(recorder);
  reg->Open();
  EXPECT_EQ(recorder.log, "MC");  // landed on the first record, then the whole set is new
  recorder.log.clear();
  reg->Skip(1);
  reg->GoTop();
  EXPECT_EQ(recorder.log, "MM");
  recorder.log.clear();
  reg->GoTop();  // already there: no move
  EXPECT_EQ(recorder.log, "");
  reg->SetTag("date");
  EXPECT_EQ(recorder.log, "C");
  recorder.log.clear();
  reg->StartEdit();
  reg->AssignString("COMPANY", "x");
  reg->SaveEdit();
  EXPECT_EQ(recorder.log, "C");
  reg->RemoveObserver(recorder);
  recorder.log.clear();
  reg->GoTop();
  EXPECT_EQ(recorder.log, "");
}

TEST(CursorViews, SuspendedDisplayHearsNothingUntilTheLastResume) {
  StorageSetup setup(Register());
  auto reg = setup.Cursor("zorppay", true);
  Recorder recorder;
  reg->AddObserver(recorder);
  reg->Open();
  recorder.log.clear();
  reg->SuspendDisplay();
  reg->SuspendDisplay();
  reg->Zap(1, reg->RecCount());
  reg->AppendBlank();
  reg->AssignInt64("CHECKNO", 9);
  reg->SaveEdit();
  reg->ResumeDisplay();
  EXPECT_TRUE(reg->DisplaySuspended());
  EXPECT_EQ(recorder.log, "S");
  reg->ResumeDisplay();
  EXPECT_FALSE(reg->DisplaySuspended());
  EXPECT_EQ(recorder.log, "SRC");
  reg->ResumeDisplay();  // unbalanced: nothing
  EXPECT_EQ(recorder.log, "SRC");
}

TEST(CursorViews, RowsAreReadAsideWithoutMovingTheCursor) {
  StorageSetup setup(Register());
  auto reg = setup.Cursor("zorppay");
  DeclareCheckRecord(*reg);
  reg->Open();
  reg->SetTag("date");
  reg->GoTop();
  reg->Skip(1);
  const uint32_t here = reg->RecNo();
  EXPECT_EQ(reg->VisibleRecordNumbers(), (std::vector<uint32_t>{2, 4, 1}));  // date order
  reg->SetFilter("CHECKNO >= 2");
  reg->FilterOn(true);
  EXPECT_EQ(reg->VisibleRecordNumbers(), (std::vector<uint32_t>{4, 1}));
  EXPECT_EQ(reg->RecNo(), here);

  CursorRow row = reg->ReadRow(2);
  EXPECT_EQ(row.FieldAsString("COMPANY"), "C1");
  EXPECT_EQ(row.FieldAsInt64("CHECKNO"), 1);
  EXPECT_EQ(row.FieldAsString("status"), "Void");
  EXPECT_EQ(row.FieldAsDate("DATE"), Ymd(2024, 1, 15));
  EXPECT_EQ(reg->RecNo(), here);
  EXPECT_EQ(reg->FieldAsString("status"), "Stop");

  // In the middle of an edit: the edit survives a row read and a snapshot.
  reg->StartEdit();
  reg->AssignString("COMPANY", "edited");
  EXPECT_EQ(reg->ReadRow(1).FieldAsString("COMPANY"), "C3");
  EXPECT_EQ(reg->VisibleRecordNumbers().size(), 2u);
  EXPECT_EQ(reg->FieldAsString("COMPANY"), "edited");
  reg->SaveEdit();
  EXPECT_EQ(reg->ReadRow(here).FieldAsString("COMPANY"), "edited");
  EXPECT_THROW(reg->ReadRow(99), EStorageError);
}

}  // namespace
}  // namespace volarin
