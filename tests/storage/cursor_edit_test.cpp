// Changing records through a cursor: stored forms, the edit-and-save cycle, locks within one
// process, appends, deletions, zaps and their errors.
#include <gtest/gtest.h>

#include "storage/checkregister.h"
#include "storage/errors.h"
#include "storage/keys.h"
#include "storage_test_support.h"

namespace volarin {
namespace {

using testing::Checks;
using testing::StorageSetup;
using testing::Walk;
using testing::Ymd;

// The stored bytes of a field of record `recno`, read straight from the file.
std::string StoredBytes(const std::string& path, uint32_t recno, const char* field) {
  dbf::Context context;
  auto table = dbf::Table::Open(context, path, {false, true});
  table->Go(recno);
  return std::string(table->StoredText(table->FieldIndex(field)));
}

fixtures::DataFolderRows OneCheck() {
  fixtures::DataFolderRows rows;
  rows.checkRegister = {{"BANK1", 1001, Ymd(2024, 1, 15), "00", 100, "Alpha", "K1"}};
  rows.accountMap = {{"ACC1", "BANK1", "K1"}, {"ACC2", "BANK2", "K2"}};
  return rows;
}

TEST(CursorEdit, AssignmentsTakeTheStoredFormOfTheirField) {
  StorageSetup setup;
  testing::MakeTable(setup.Path("forms.dbf"),
                     {{"ACCOUNTNR", 'C', 15},
                      {"AMOUNT", 'N', 10, 2},
                      {"WHOLE", 'N', 6, 0},
                      {"PAID", 'D', 8},
                      {"CHECKNO", 'N', 10, 0}},
                     {}, {});
  auto forms = setup.Cursor("forms");
  forms->Open();
  ASSERT_TRUE(forms->AppendBlank());
  forms->AssignString("accountnr", "12345678901234567890");
  forms->AssignFloat("AMOUNT", 1250.5);
  forms->AssignFloat("WHOLE", -5);
  forms->AssignDate("PAID", Ymd(2024, 3, 5));
  forms->AssignInt64("CHECKNO", 9999999999);
  forms->SaveEdit();
  ASSERT_TRUE(forms->AppendBlank());
  forms->AssignDate("PAID", Date());
  forms->AssignInteger("WHOLE", 42);
  forms->SaveEdit();
  forms->Close();

  const std::string path = setup.Path("forms.dbf");
  EXPECT_EQ(StoredBytes(path, 1, "ACCOUNTNR"), "123456789012345");
  EXPECT_EQ(StoredBytes(path, 1, "AMOUNT"), "   1250.50");
  EXPECT_EQ(StoredBytes(path, 1, "WHOLE"), "    -5");
  EXPECT_EQ(StoredBytes(path, 1, "PAID"), "20240305");
  EXPECT_EQ(StoredBytes(path, 1, "CHECKNO"), "9999999999");
  EXPECT_EQ(StoredBytes(path, 2, "PAID"), "        ");
  EXPECT_EQ(StoredBytes(path, 2, "WHOLE"), "    42");
}

TEST(CursorEdit, ANumberTooLargeForItsFieldIsRefusedAndNothingChanges) {
  StorageSetup setup(OneCheck());
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  reg->StartEdit();
  EXPECT_THROW(reg->AssignInt64("CHECKNO", 12345678901), EFieldError);
  EXPECT_THROW(reg->AssignFloat("AMOUNT", 1e10), EFieldError);  // N(12,2) holds 9 digits
  EXPECT_FALSE(reg->IsModified());
  EXPECT_EQ(reg->FieldAsInt64("CHECKNO"), 1001);
  reg->AssignInt64("CHECKNO", 4294967296);  // a check number beyond 32 bits fits N(10)
  reg->SaveEdit();
  EXPECT_EQ(reg->FieldAsInt64("CHECKNO"), 4294967296);
  EXPECT_THROW(reg->FieldAsInteger("CHECKNO"), EFieldError);  // never cut to 32 bits
  reg->Close();
  EXPECT_EQ(StoredBytes(setup.Path("zorppay.dbf"), 1, "CHECKNO"), "4294967296");
}

TEST(CursorEdit, EditStateErrors) {
  StorageSetup setup(OneCheck());
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  try {
    reg->AssignString("COMPANY", "x");
    FAIL();
  } catch (const EDataSetError& e) {
    EXPECT_STREQ(e.what(), "zorppay is not in an edit/appending state.");
  }
  try {
    reg->SaveEdit();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
  }
  reg->StartEdit();
  EXPECT_FALSE(reg->IsModified());
  try {
    reg->AssignString("NOSUCH", "x");
    FAIL();
  } catch (const EFieldError& e) {
    EXPECT_STREQ(e.what(), "Field 'NOSUCH' not found");
  }
  reg->AssignString("company", "Changed");
  EXPECT_TRUE(reg->IsModified());
  EXPECT_EQ(reg->FieldAsString("COMPANY"), "Changed");  // reads see the edit
}

TEST(CursorEdit, StartEditOnAnEmptyCursorAppendsOnSave) {
  StorageSetup setup;
  auto reg = setup.Cursor("zorppay", true);
  reg->Open();
  ASSERT_TRUE(reg->Eof());
  reg->StartEdit();
  EXPECT_EQ(reg->State(), EditState::kInsert);
  reg->AssignString("ACCOUNTNR", "BANK1");
  reg->AssignInt64("CHECKNO", 77);
  reg->SaveEdit();
  EXPECT_EQ(reg->RecCount(), 1u);
  EXPECT_FALSE(reg->Eof());
  reg->SetTag("ACCOUNTNR");
  EXPECT_TRUE(reg->Seek(RegisterKey("BANK1", 77)));
}

TEST(CursorEdit, MovesSaveAnAssignedEditAndDropAnUntouchedOne) {
  StorageSetup setup(OneCheck());
  const std::string path = setup.Path("zorppay.dbf");
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  reg->StartEdit();
  reg->GoTop();  // nothing assigned: nothing written
  EXPECT_EQ(reg->State(), EditState::kBrowse);
  reg->StartEdit();
  reg->AssignString("COMPANY", "Saved by a move");
  reg->Skip(1);
  EXPECT_EQ(StoredBytes(path, 1, "COMPANY").substr(0, 15), "Saved by a move");
  // Close drops an unsaved edit.
  reg->GoTop();
  reg->StartEdit();
  reg->AssignString("COMPANY", "Dropped");
  reg->Close();
  EXPECT_EQ(StoredBytes(path, 1, "COMPANY").substr(0, 15), "Saved by a move");
}

TEST(CursorEdit, SaveWritesOnlyTheAssignedFields) {
  StorageSetup setup(OneCheck());
  auto mine = setup.Cursor("zorppay");
  auto theirs = setup.Cursor("zorppay");
  mine->Open();
  theirs->Open();
  mine->StartEdit();
  mine->AssignFloat("AMOUNT", 250);
  theirs->StartEdit();
  theirs->AssignString("COMPANY", "Other user");
  theirs->SaveEdit();
  mine->SaveEdit();
  EXPECT_EQ(mine->FieldAsString("COMPANY"), "Other user");
  EXPECT_DOUBLE_EQ(mine->FieldAsFloat("AMOUNT"), 250);
}

TEST(CursorEdit, StopPaymentShowsInTheCalculatedStatus) {
  StorageSetup setup(OneCheck());
  auto reg = setup.Cursor("zorppay", true);
  DeclareCheckRecord(*reg);
  reg->Open();
  EXPECT_EQ(reg->FieldAsString("status"), "");
  EXPECT_EQ(reg->FieldAsString("STATUSCODE"), "00");
  EXPECT_EQ(reg->FieldAsInteger("checkno"), 1001);
  reg->StartEdit();
  reg->AssignString("statusCODE", "03");
  reg->SaveEdit();
  EXPECT_EQ(reg->FieldAsString("status"), "Stop");
}

TEST(CursorEdit, ZapNeedsAnExclusiveTable) {
  StorageSetup setup(OneCheck());
  auto map = setup.Cursor("zorppsub");
  map->Open();
  try {
    map->Zap(1, map->RecCount());
    FAIL();
  } catch (const EEngineError& e) {
    EXPECT_EQ(std::string(e.what()),
              setup.database.DataPath() + "zorppsub.DBF must be opened exclusively to zap it.");
  }
  EXPECT_EQ(map->RecCount(), 2u);

  auto reg = setup.Cursor("zorppay", true);
  reg->Open();
  reg->Zap(1, reg->RecCount());
  reg->Unlock();
  EXPECT_EQ(reg->RecCount(), 0u);
  EXPECT_TRUE(reg->Eof());
  reg->SetTag("ACCOUNTNR");
  EXPECT_FALSE(reg->Seek(RegisterKey("BANK1", 1001)));
}

TEST(CursorEdit, DeletedRecordsLeaveTheVisibleSet) {
  StorageSetup setup(OneCheck());
  auto map = setup.Cursor("zorppsub");
  map->Open();
  map->SetTag("accountnr");
  map->GoTop();
  map->DeleteRecord();
  EXPECT_EQ(map->FieldAsString("ORGACCNR"), "ACC2");
  EXPECT_EQ(Walk(*map, "ORGACCNR").size(), 1u);
  map->DeleteRecord();
  EXPECT_TRUE(map->Eof());
  EXPECT_THROW(map->DeleteRecord(), EDatabaseError);
  EXPECT_EQ(map->RecCount(), 2u);
}

TEST(CursorEdit, UniqueTagsRefuseOrPassOverDuplicates) {
  StorageSetup setup;
  dbf::TagSpec unique = testing::TagOf("CODE", "CODE");
  unique.unique = true;
  testing::MakeTable(setup.Path("codes.dbf"), {{"CODE", 'C', 4}, {"NAME", 'C', 10}},
                     {{"A", "first"}}, {unique});
  auto codes = setup.Cursor("codes");
  codes->uniqueTagHandling = UniqueTagHandling::kException;
  codes->Open();
  ASSERT_TRUE(codes->AppendBlank());
  codes->AssignString("CODE", "A");
  codes->AssignString("NAME", "second");
  try {
    codes->SaveEdit();
    FAIL();
  } catch (const EDSUniqueTagViolation& e) {
    EXPECT_STREQ(e.what(), "Unique tag violation.");
  }
  // The edit stays, with the operator's values, to be corrected.
  EXPECT_EQ(codes->State(), EditState::kEdit);
  EXPECT_EQ(codes->FieldAsString("NAME"), "second");
  codes->AssignString("CODE", "B");
  codes->SaveEdit();
  codes->SetTag("CODE");
  EXPECT_TRUE(codes->Seek("B"));
  EXPECT_EQ(codes->FieldAsString("NAME"), "second");
  // A blank record holds the blank key: a second one is refused at once.
  ASSERT_TRUE(codes->AppendBlank());
  codes->CancelEdit();
  try {
    codes->AppendBlank();
    FAIL();
  } catch (const EUniqueTagViolation& e) {
    EXPECT_STREQ(e.what(), "Unique key violation.");
  }
  EXPECT_EQ(codes->RecCount(), 3u);
  EXPECT_EQ(codes->State(), EditState::kBrowse);
}

TEST(CursorEdit, RequiredFieldsAndCheckRecordStructure) {
  StorageSetup setup(OneCheck());
  auto reg = setup.Cursor("zorppay");
  reg->declaredFields = {{"COMPANY", "String", /*required=*/true}};
  reg->Open();
  reg->StartEdit();
  reg->AssignString("COMPANY", "");
  try {
    reg->SaveEdit();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'COMPANY' must have a value");
  }
  EXPECT_EQ(reg->State(), EditState::kEdit);
  reg->CancelEdit();
  EXPECT_EQ(reg->FieldAsString("COMPANY"), "Alpha");

  // A register missing a field, or holding one of another kind, does not open.
  testing::MakeTable(setup.Path("short.dbf"),
                     {{"ACCOUNTNR", 'C', 15},
                      {"CHECKNO", 'N', 10},
                      {"DATE", 'D', 8},
                      {"STATUSCODE", 'C', 2},
                      {"AMOUNT", 'C', 12},
                      {"COMPANY", 'C', 60},
                      {"BANKCODE", 'C', 15},
                      {"DUMMY1", 'C', 1}},
                     {}, {});
  testing::MakeTable(setup.Path("nodate.dbf"), {{"ACCOUNTNR", 'C', 15}, {"CHECKNO", 'N', 10}}, {},
                     {});
  const struct {
    const char* alias;
    const char* message;
  } cases[] = {
      {"short", "Type mismatch for field 'AMOUNT', expecting: Float actual: String"},
      {"nodate", "Field 'DATE' not found"},
  };
  for (const auto& c : cases) {
    auto cursor = setup.Cursor(c.alias);
    DeclareCheckRecord(*cursor);
    try {
      cursor->Open();
      ADD_FAILURE() << c.alias;
    } catch (const EFieldError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_FALSE(cursor->IsOpen());
    EXPECT_EQ(setup.database.OpenTableCount(), 1u);  // only `reg`
  }
}

TEST(CursorEdit, RecordLocksBetweenTwoCursors) {
  StorageSetup setup(OneCheck());
  auto holder = setup.Cursor("zorppsub");
  holder->lockingMethod = LockingMethod::kLockOnEdit;
  holder->Open();
  holder->StartEdit();  // holds the record lock of ACC1 while editing

  auto other = setup.Cursor("zorppsub");
  other->lockingMethod = LockingMethod::kLockOnEdit;
  other->Open();
  try {
    other->StartEdit();
    FAIL();
  } catch (const ERecordLockError& e) {
    EXPECT_STREQ(e.what(), "Record lock was unsuccessful, edit aborted.");
  }
  EXPECT_EQ(other->State(), EditState::kBrowse);
  try {
    other->DeleteRecord();
    FAIL();
  } catch (const EDataSetError& e) {
    EXPECT_STREQ(e.what(), "Could not delete record.");
  }

  // Locking on post: the edit starts, the save fails and keeps the values.
  other->lockingMethod = LockingMethod::kLockOnPost;
  other->StartEdit();
  other->AssignString("NEWACCNR", "MINE");
  try {
    other->SaveEdit();
    FAIL();
  } catch (const ERecordLockError& e) {
    EXPECT_STREQ(e.what(), "Record lock was unsuccessful, save aborted.");
  }
  EXPECT_EQ(other->State(), EditState::kEdit);
  EXPECT_EQ(other->FieldAsString("NEWACCNR"), "MINE");

  holder->CancelEdit();  // releases its lock
  other->SaveEdit();
  EXPECT_FALSE(other->IsModified());
  holder->Skip(0);
  EXPECT_EQ(holder->FieldAsString("NEWACCNR"), "MINE");

  // A save releases the lock taken when editing started.
  holder->StartEdit();
  holder->AssignString("BANKCODE", "K7");
  holder->SaveEdit();
  other->lockingMethod = LockingMethod::kLockOnEdit;
  other->StartEdit();
  EXPECT_EQ(other->FieldAsString("BANKCODE"), "K7");  // re-read when the edit starts
  other->CancelEdit();
}

TEST(CursorEdit, TheMessageHookMayReplaceLockMessages) {
  StorageSetup setup(OneCheck());
  setup.environment.SetOnGetMessageText(
      [](const std::string& message) { return "Busy: " + message; });
  auto holder = setup.Cursor("zorppsub");
  holder->lockingMethod = LockingMethod::kLockOnEdit;
  holder->Open();
  holder->StartEdit();
  auto other = setup.Cursor("zorppsub");
  other->Open();
  other->StartEdit();
  other->AssignString("BANKCODE", "X");
  try {
    other->SaveEdit();
    FAIL();
  } catch (const ERecordLockError& e) {
    EXPECT_STREQ(e.what(), "Busy: Record lock was unsuccessful, save aborted.");
  }
}

TEST(CursorEdit, AnEngineErrorLeftPendingSurfacesAtTheNextFlush) {
  StorageSetup setup(OneCheck());
  auto map = setup.Cursor("zorppsub");
  map->Open();
  setup.engine.Context()->Engine().Record(dbf::Error(dbf::kErrorLock, "left over"));
  try {
    map->Unlock();
    FAIL();
  } catch (const EStorageError& e) {
    EXPECT_STREQ(e.what(), "Engine error: -50 has occured before Flush was called.");
  }
  EXPECT_EQ(setup.engine.ErrorCode(), 0);  // raised once, then cleared
  EXPECT_NO_THROW(map->Unlock());
}

}  // namespace
}  // namespace volarin
