// The suite's tables are only read: whatever a reading cursor or the direct reader does, their
// files come out byte for byte as they were. Also: the fixture's tags give exactly the keys the
// program builds.
#include <gtest/gtest.h>

#include <map>

#include "common/platform.h"
#include "storage/directreader.h"
#include "storage/keys.h"
#include "storage_test_support.h"

namespace volarin {
namespace {

using testing::Checks;
using testing::StorageSetup;
using testing::Walk;
using testing::Ymd;

fixtures::DataFolderRows SuiteRows() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"ACC1"}, {"acc2"}, {"OLD", true}};
  rows.accountMap = {{"ACC1", "BANK1", "K1"}};
  rows.escrow = {
      {.checkNo = 10, .accountNr = "acc1", .prnDate = Ymd(2024, 1, 15), .amount = 5, .seq = "1"},
      {.checkNo = 10, .accountNr = "ACC1", .prnDate = Ymd(2024, 1, 15), .amount = 7, .seq = "2"},
      {.checkNo = 11, .accountNr = "acc1", .prnDate = Ymd(2024, 1, 16), .amount = 9},
      {.checkNo = 12,
       .accountNr = "acc2",
       .prnDate = Ymd(2024, 1, 15),
       .voidFlag = 1,
       .voidDate = Ymd(2024, 1, 20)},
      {.checkNo = 13, .accountNr = "acc1", .prnDate = Ymd(2024, 1, 15), .deleted = true},
  };
  rows.closing = {{.checkNo = 500, .accountNr = "acc1", .date = Ymd(2024, 1, 15), .amount = 3},
                  {.checkNo = 501,
                   .accountNr = "acc1",
                   .date = Ymd(2024, 1, 16),
                   .amount = -1,
                   .voidAmount = 4}};
  return rows;
}

std::map<std::string, std::string> FolderBytes(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const platform::FolderEntry& entry : platform::ListFolder(folder)) {
    if (!entry.isFolder) files[entry.name] = testing::ReadBytes(folder + "/" + entry.name);
  }
  return files;
}

TEST(SuiteFiles, ReadingChangesNoByteOfAnyTable) {
  StorageSetup setup(SuiteRows());
  const auto before = FolderBytes(setup.folder.Path());
  ASSERT_EQ(before.size(), 10u);  // five tables, five indexes
  {
    auto escrow = setup.Cursor("zordis");
    auto closing = setup.Cursor("rpsdis");
    auto map = setup.Cursor("zorppsub");
    for (TableCursor* cursor : {escrow.get(), closing.get(), map.get()}) {
      cursor->Open();
      Walk(*cursor, cursor == map.get() ? "ORGACCNR" : "checkno");
      cursor->Unlock();
    }
    escrow->SetTag("prndate");
    escrow->SetScope("01/01/1900", "20240115");
    Walk(*escrow, "checkno");
    escrow->ClearScope();
    escrow->SetTag("acccheck");
    escrow->Seek(EscrowCheckKey("acc1", 11));
    escrow->Seek(EscrowCheckKey("acc1", 99));
    escrow->Skip(-1);
    escrow->Skip(0);
    escrow->StartEdit();  // an edit without assignments writes nothing
    escrow->GoTop();
    closing->SetTag("date");
    closing->SetScope("20240115", "20240115");
    Walk(*closing, "checkno");
    map->SetTag("accountnr");
    map->Seek(AccountKey("acc1"));
    map->FieldAsString("NEWACCNR");
    map->VisibleRecordNumbers();
    for (TableCursor* cursor : {escrow.get(), closing.get(), map.get()}) cursor->Close();

    DirectReader reader;
    int list = reader.Open(setup.Path("ZORACC"));
    for (reader.Top(list); !reader.Eof(list); reader.Skip(list, 1)) {
      reader.FieldText(list, "ACCOUNTNR");
    }
    int lines = reader.Open(setup.Path("zordis.dbf"));
    reader.SelectTag(lines, "accchecks");
    reader.Seek(lines, EscrowCheckKey("acc1", 10));
    reader.FieldFloat(lines, "amount");
    reader.Close(lines);
    reader.Close(list);
  }
  EXPECT_TRUE(FolderBytes(setup.folder.Path()) == before);
  for (const auto& [name, bytes] : FolderBytes(setup.folder.Path())) {
    EXPECT_TRUE(bytes == before.at(name)) << name << " changed";
  }
  // The comparison sees a real change: one saved assignment alters the account map.
  auto map = setup.Cursor("zorppsub");
  map->Open();
  map->StartEdit();
  map->AssignString("BANKCODE", "K9");
  map->SaveEdit();
  map->Close();
  EXPECT_FALSE(FolderBytes(setup.folder.Path()) == before);
}

TEST(SuiteFiles, FixtureTagsHoldTheKeysTheProgramBuilds) {
  StorageSetup setup(SuiteRows());
  auto escrow = setup.Cursor("zordis");
  escrow->Open();
  escrow->SetTag("acccheck");
  // Lower-case accounts in the file, upper-case keys: the tag upper-cases.
  ASSERT_TRUE(escrow->Seek(EscrowCheckKey("acc1", 11)));
  EXPECT_DOUBLE_EQ(escrow->FieldAsFloat("amount"), 9);
  EXPECT_FALSE(escrow->Seek(EscrowCheckKey("acc1", 13)));  // deleted
  // The sequence lines of one check are adjacent in accchecks.
  escrow->SetTag("accchecks");
  escrow->SetScope(EscrowCheckKey("acc1", 10), EscrowCheckKey("acc1", 10));
  EXPECT_EQ(Walk(*escrow, "checkno"), (Checks{10, 10}));
  // The void date tag.
  escrow->SetTag("VOIDDATE");
  escrow->SetScope("20240120", "20240120");
  EXPECT_EQ(Walk(*escrow, "checkno"), (Checks{12}));

  auto closing = setup.Cursor("rpsdis");
  closing->Open();
  closing->SetTag("date");
  closing->SetScope("20240116", "20240116");
  EXPECT_EQ(Walk(*closing, "checkno"), (Checks{501}));
  EXPECT_DOUBLE_EQ(closing->FieldAsFloat("voidamount"), 4);
}

}  // namespace
}  // namespace volarin
