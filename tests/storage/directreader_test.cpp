// The direct table reader: neutral results instead of errors, deleted records passed over,
// stored texts unconverted, and the long date text.
#include <gtest/gtest.h>

#include "common/paths.h"
#include "common/text.h"
#include "storage/directreader.h"
#include "storage/keys.h"
#include "storage/tablecursor.h"
#include "storage_test_support.h"

namespace volarin {
namespace {

using testing::StorageSetup;
using testing::TempFolder;
using testing::Ymd;

fixtures::DataFolderRows Rows() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"OLD", true}, {"ABC"}, {"acc2"}, {"GONE", true}};
  rows.escrow = {
      {.checkNo = 10, .accountNr = "acc1", .amount = 5, .seq = "1"},
      {.checkNo = 10, .accountNr = "acc1", .amount = 7, .seq = "2", .deleted = true},
      {.checkNo = 10, .accountNr = "acc1", .amount = 11, .seq = "3"},
      {.checkNo = 11, .accountNr = "acc1", .amount = 9},
      {.checkNo = 12, .accountNr = "acc1", .amount = 1, .deleted = true},
      {.checkNo = 12, .accountNr = "acc1", .amount = 2, .deleted = true},
      {.checkNo = 13, .accountNr = "acc1", .prnDate = Ymd(2024, 3, 5), .amount = 1250.5},
  };
  return rows;
}

// The sum of a check's sequence lines, walked as the extraction walks them.
double SequenceTotal(DirectReader& reader, const std::string& folder, const std::string& account,
                     int64_t check) {
  int h = reader.Open(JoinPath(folder, "zordis.dbf"));
  reader.SelectTag(h, "accchecks");
  const std::string key = EscrowCheckKey(account, check);
  double sum = 0;
  if (reader.Seek(h, key) > 0) {
    std::string run = key;
    while (!reader.Eof(h) && run == key) {
      sum += reader.FieldFloat(h, "amount");
      reader.Skip(h, 1);
      run = AccountKey(reader.FieldText(h, "accountnr")) + reader.FieldText(h, "checkno");
    }
  }
  reader.Close(h);
  return sum;
}

TEST(DirectReader, OpensByNameAndReadsInRecordOrderPastDeletedRecords) {
  StorageSetup setup(Rows());
  DirectReader reader;
  int h = reader.Open(setup.Path("ZORACC"));  // ".DBF" added
  ASSERT_GT(h, 0);
  std::vector<std::string> accounts;
  for (reader.Top(h); !reader.Eof(h); reader.Skip(h, 1)) {
    accounts.push_back(reader.FieldText(h, "ACCOUNTNR"));
  }
  // Stored texts keep their blanks: C(15) holding "ABC" reads as ABC and twelve blanks.
  EXPECT_EQ(accounts, (std::vector<std::string>{"ABC" + std::string(12, ' '),
                                                "acc2" + std::string(11, ' ')}));
  reader.Skip(h, -1);
  EXPECT_FALSE(reader.Eof(h));
  EXPECT_EQ(reader.FieldText(h, "ACCOUNTNR").substr(0, 4), "acc2");
  reader.Skip(h, -5);  // stops at the beginning
  EXPECT_FALSE(reader.Eof(h));
  reader.Close(h);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(reader.OpenHandles(), 0u);
}

TEST(DirectReader, MissingFilesTagsFieldsAndHandleZeroGiveNeutralResults) {
  StorageSetup setup(Rows());
  DirectReader reader;
  EXPECT_EQ(reader.Open(setup.Path("NOSUCH")), 0);
  ASSERT_TRUE(reader.Started());
  EXPECT_EQ(reader.Context()->Engine().ErrorCode(), 0);
  EXPECT_EQ(reader.Open(setup.Path("nosuch.dbf")), 0);

  int zero = 0;
  EXPECT_TRUE(reader.Eof(0));
  EXPECT_EQ(reader.FieldText(0, "ACCOUNTNR"), "");
  EXPECT_EQ(reader.FieldFloat(0, "amount"), 0);
  EXPECT_FALSE(reader.SelectTag(0, "accchecks"));
  EXPECT_EQ(reader.Seek(0, "x"), -1);
  reader.Top(0);
  reader.Skip(0, 1);
  reader.Close(zero);
  EXPECT_EQ(zero, 0);

  int h = reader.Open(setup.Path("zordis.dbf"));
  ASSERT_GT(h, 0);
  EXPECT_EQ(reader.FieldText(h, "nosuch"), "");
  EXPECT_EQ(reader.FieldFloat(h, "nosuch"), 0);
  EXPECT_FALSE(reader.SelectTag(h, "nosuch"));
  EXPECT_TRUE(reader.SelectTag(h, "  "));  // blank: record order
  EXPECT_TRUE(reader.SelectTag(h, "ACCCHECKS"));
  EXPECT_EQ(reader.Seek(h, "no such key"), -1);
  EXPECT_TRUE(reader.Eof(h));
  EXPECT_EQ(reader.Context()->Engine().ErrorCode(), 0);
  int closed = h;
  reader.Close(h);
  EXPECT_TRUE(reader.Eof(closed));  // a closed handle reads like handle 0
}

TEST(DirectReader, SeekPassesOverDeletedRecords) {
  StorageSetup setup(Rows());
  DirectReader reader;
  int h = reader.Open(setup.Path("zordis.dbf"));
  ASSERT_TRUE(reader.SelectTag(h, "acccheck"));
  EXPECT_EQ(reader.Seek(h, EscrowCheckKey("ACC1", 12)), -1);  // only deleted records
  EXPECT_TRUE(reader.Eof(h));
  EXPECT_EQ(reader.Seek(h, EscrowCheckKey("ACC1", 11)), 4);
  EXPECT_DOUBLE_EQ(reader.FieldFloat(h, "amount"), 9);
  reader.Close(h);
  // Lines 1 and 3 of check 10; line 2 is deleted.
  EXPECT_DOUBLE_EQ(SequenceTotal(reader, setup.folder.Path(), "acc1", 10), 16);
  EXPECT_DOUBLE_EQ(SequenceTotal(reader, setup.folder.Path(), "acc1", 12), 0);
  EXPECT_DOUBLE_EQ(SequenceTotal(reader, setup.folder.Path(), "acc9", 10), 0);
}

TEST(DirectReader, TheSkipDeletedSwitch) {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"A", true}, {"B", true}};
  StorageSetup setup(rows);
  DirectReader reader;
  int h = reader.Open(setup.Path("ZORACC.DBF"));
  ASSERT_GT(h, 0);
  EXPECT_TRUE(reader.Eof(h));  // every record deleted: at end at once
  reader.SetSkipDeleted(false);
  reader.Top(h);
  EXPECT_FALSE(reader.Eof(h));
  EXPECT_EQ(reader.FieldText(h, "ACCOUNTNR").substr(0, 1), "A");
  reader.Close(h);
}

TEST(DirectReader, FieldTextIsTheStoredTextAndSetsTheShortDateFormat) {
  StorageSetup setup(Rows());
  DirectReader reader;
  SetShortDateFormat("M/D/YYYY");
  int h = reader.Open(setup.Path("zordis"));
  reader.SelectTag(h, "acccheck");
  reader.Seek(h, EscrowCheckKey("acc1", 13));
  EXPECT_EQ(reader.FieldText(h, "prndate"), "20240305");
  EXPECT_EQ(ShortDateFormat(), "MM/DD/YYYY");
  EXPECT_EQ(reader.FieldText(h, "amount"), "     1250.50");
  EXPECT_EQ(reader.FieldText(h, "checkno"), "0000000013");
  EXPECT_DOUBLE_EQ(reader.FieldFloat(h, "AMOUNT"), 1250.5);
  reader.Close(h);
}

TEST(DirectReader, FoldersWithADotInTheirNameStillGetTheExtension) {
  TempFolder root;
  const std::string folder = root / "data.2024";
  fixtures::DataFolderRows rows;
  rows.accountList = {{"A"}};
  fixtures::BuildDataFolder(folder, rows);
  DirectReader reader;
  int h = reader.Open(JoinPath(folder, "ZORACC"));
  EXPECT_GT(h, 0);
  reader.Close(h);
}

TEST(DirectReader, ATableHeldExclusivelyCannotBeOpened) {
  StorageSetup setup(Rows());
  auto reg = setup.Cursor("zorppay", /*exclusive=*/true);
  reg->Open();
  DirectReader reader;
  EXPECT_EQ(reader.Open(setup.Path("zorppay.dbf")), 0);
  EXPECT_EQ(reader.Context()->Engine().ErrorCode(), 0);
  reg->Close();
  int h = reader.Open(setup.Path("zorppay.dbf"));
  EXPECT_GT(h, 0);
  reader.Close(h);
}

TEST(DirectReader, SettingsArePassedOnceInOrderThenBeforeEachOpen) {
  StorageSetup setup(Rows());
  DirectReader reader;
  int h = reader.Open(setup.Path("ZORACC"));
  reader.Close(h);
  std::string passed;
  for (const PassedSetting& s : reader.Context()->Passed()) {
    passed += std::string(SettingName(s.setting)) + "=" + std::to_string(s.value) + " ";
  }
  EXPECT_EQ(passed,
            "LockEnforce=1 SingleOpen=0 ReadLock=0 AutoUnlock=2 AutoOpen=1 ErrGo=0 ErrOpen=0 "
            "ErrSkip=0 ErrTagName=1 ErrFieldName=0 ErrOff=0 LockAttempts=5 AccessMode=0 Safety=0 "
            "Optimize=-1 OptimizeWrite=-1 "
            "AutoOpen=0 Safety=0 ReadOnly=0 SingleOpen=0 AccessMode=0 ");
}

TEST(DirectReader, TheProcessReaderServesTheFreeFunctions) {
  StorageSetup setup(Rows());
  int h = DirectOpen(setup.Path("ZORACC"));
  ASSERT_GT(h, 0);
  EXPECT_EQ(TrimText(DirectFieldText(h, "ACCOUNTNR")), "ABC");
  DirectSkip(h, 1);
  EXPECT_FALSE(DirectEof(h));
  DirectSkip(h, 1);
  EXPECT_TRUE(DirectEof(h));
  EXPECT_TRUE(DirectSelectTag(h, ""));
  EXPECT_EQ(DirectSeek(h, "x"), -1);
  EXPECT_EQ(DirectFieldFloat(h, "ACCOUNTNR"), 0);
  DirectTop(h);
  DirectClose(h);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(&ProcessDirectReader(), &ProcessDirectReader());
}

TEST(DirectReader, LongDateText) {
  const struct {
    Date date;
    const char* text;
  } cases[] = {
      {Date(), ""},
      {Ymd(2025, 12, 31), "December 31, 2025"},
      {Ymd(2024, 3, 5), "March 05, 2024"},
      {Ymd(2024, 5, 1), "May 01, 2024"},
      {Ymd(2000, 9, 30), "September 30, 2000"},
  };
  for (const auto& c : cases) EXPECT_EQ(LongDateText(c.date), c.text);
}

}  // namespace
}  // namespace volarin
