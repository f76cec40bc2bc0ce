// Sharing with another program, played by a second process: a record it holds locked makes our
// save fail after the lock attempts and keeps our values; a register it holds exclusively
// cannot be opened.
#include <gtest/gtest.h>

#include <cstdio>

#include "storage/directreader.h"
#include "storage/errors.h"
#include "storage_test_support.h"
#include "support/other_process.h"

namespace volarin {
namespace {

using testing::StorageSetup;
using testing::Ymd;

// The storage objects of a program over an existing data folder.
struct Program {
  Environment environment;
  StorageEngine engine{environment, "Engine1"};
  StorageDataBase database{environment, "DataBase1"};
  std::vector<std::unique_ptr<TableCursor>> cursors;  // open until the process ends

  explicit Program(const std::string& folder) {
    engine.SetAutoUnlock(AutoUnlock::kOff);
    database.SetEngine(&engine);
    database.SetDataPath(folder);
    database.SetIndexPath(folder);
  }
  TableCursor& Cursor(const std::string& alias, bool exclusive) {
    auto cursor = std::make_unique<TableCursor>(environment, alias);
    cursor->fileAlias = alias;
    cursor->dataBaseName = "DataBase1";
    cursor->exclusive = exclusive ? ExclusiveMode::kTrue : ExclusiveMode::kDefault;
    cursors.push_back(std::move(cursor));
    return *cursors.back();
  }
};

using testing::OtherProcess;

// Another program over the folder (argument 0) that holds ACC1's account map record locked.
VPP_OTHER_PROCESS_ROLE(HoldFirstAccountMapRecord) {
  auto program = std::make_shared<Program>(role.Argument(0));
  TableCursor& map = program->Cursor("zorppsub", false);
  map.lockingMethod = LockingMethod::kLockOnEdit;
  map.Open();
  map.StartEdit();  // holds the lock of ACC1's record
  return map.RecNo() == 1 ? program : nullptr;
}

// Another program over the folder (argument 0) that holds the register open exclusively.
VPP_OTHER_PROCESS_ROLE(HoldRegisterExclusively) {
  auto program = std::make_shared<Program>(role.Argument(0));
  TableCursor& reg = program->Cursor("zorppay", true);
  reg.Open();
  return reg.IsOpen() ? program : nullptr;
}

fixtures::DataFolderRows Rows() {
  fixtures::DataFolderRows rows;
  rows.accountMap = {{"ACC1", "BANK1", "K1"}, {"ACC2", "BANK2", "K2"}};
  rows.checkRegister = {{"BANK1", 1001, Ymd(2024, 1, 15), "00", 100, "Alpha", "K1"}};
  return rows;
}

TEST(Locking, ASaveAgainstARecordHeldElsewhereFailsAndKeepsTheValues) {
  StorageSetup setup(Rows());
  setup.engine.SetLockAttempts(5);
  setup.engine.SetLockDelay(100);
  OtherProcess other("HoldFirstAccountMapRecord", {setup.folder.Path()});
  ASSERT_TRUE(other.WaitUntilHolding());

  auto map = setup.Cursor("zorppsub");
  map->Open();
  map->StartEdit();  // locking on post: editing is free
  map->AssignString("NEWACCNR", "MINE");
  try {
    map->SaveEdit();
    FAIL() << "saved over another program's lock";
  } catch (const ERecordLockError& e) {
    EXPECT_STREQ(e.what(), "Record lock was unsuccessful, save aborted.");
  }
  EXPECT_EQ(map->State(), EditState::kEdit);
  EXPECT_TRUE(map->IsModified());
  EXPECT_EQ(map->FieldAsString("NEWACCNR"), "MINE");
  // The other record is free.
  other.Release();
  EXPECT_EQ(other.Wait(), 0);
  map->SaveEdit();
  map->Close();
  map->Open();
  EXPECT_EQ(map->FieldAsString("NEWACCNR"), "MINE");
  EXPECT_EQ(map->FieldAsString("BANKCODE"), "K1");
}

TEST(Locking, TheExclusivelyOpenedRegisterCannotBeOpenedByAnotherProcess) {
  StorageSetup setup(Rows());
  OtherProcess other("HoldRegisterExclusively", {setup.folder.Path()});
  ASSERT_TRUE(other.WaitUntilHolding());

  for (bool exclusive : {true, false}) {
    auto reg = setup.Cursor("zorppay", exclusive);
    try {
      reg->Open();
      ADD_FAILURE() << "opened a register held exclusively elsewhere";
    } catch (const EOpenError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Error opening: " + setup.database.DataPath() + "zorppay.DBF. (-10)");
    }
    EXPECT_FALSE(reg->IsOpen());
  }
  DirectReader reader;
  EXPECT_EQ(reader.Open(setup.Path("zorppay.dbf")), 0);

  other.Release();
  EXPECT_EQ(other.Wait(), 0);
  auto reg = setup.Cursor("zorppay", true);
  reg->Open();
  EXPECT_EQ(reg->FieldAsInt64("CHECKNO"), 1001);
}

}  // namespace
}  // namespace volarin
