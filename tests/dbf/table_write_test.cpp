// Creating tables, changing and appending records, zapping ranges: the file must stay what
// dBASE programs expect (header count and date, 0x1A after the last record, field layouts).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "dbf/table.h"
#include "dbf_test_util.h"

namespace volarin::dbf {
namespace {

using testing::ReadBytes;
using testing::TempFolder;

const std::vector<FieldSpec> kCheckFields = {{"ACCOUNTNR", 'C', 15, 0}, {"CHECKNO", 'N', 10, 0},
                                             {"DATE", 'D', 0, 0},       {"AMOUNT", 'N', 12, 2},
                                             {"VOID", 'L', 0, 0},       {"PAYEE", 'C', 20, 0}};

uint32_t HeaderCount(const std::string& bytes) {
  uint32_t n = 0;
  std::memcpy(&n, bytes.data() + 4, 4);
  return n;
}

// The invariants every writer must keep: count, size, end marker, today's date.
void ExpectWellFormed(const std::string& path, uint32_t count, int headerLength, int recordLength) {
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(HeaderCount(bytes), count);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(headerLength) + count * recordLength + 1);
  EXPECT_EQ(bytes.back(), 0x1A);
  int y, m, d;
  Date::Today().ToYmd(y, m, d);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), y - 1900);
  EXPECT_EQ(static_cast<unsigned char>(bytes[2]), m);
  EXPECT_EQ(static_cast<unsigned char>(bytes[3]), d);
}

// The same for the file of a table held open exclusively. Windows lets no other open read such a
// file, so there the table is closed for the look and opened exclusively again.
void ExpectWellFormedWhileExclusive(std::unique_ptr<Table>& table, Context& context,
                                    const std::string& path, uint32_t count, int headerLength,
                                    int recordLength) {
  table->Flush();
#ifdef _WIN32
  table->Close();
  ExpectWellFormed(path, count, headerLength, recordLength);
  table = Table::Open(context, path, OpenOptions{true, false});
#else
  (void)context;
  ExpectWellFormed(path, count, headerLength, recordLength);
#endif
}

TEST(TableCreate, NewTableHeaderAndReopen) {
  TempFolder dir;
  Context context;
  const std::string path = dir / "zorppay.dbf";
  {
    auto table = Table::Create(context, path, kCheckFields);
    EXPECT_EQ(table->RecordCount(), 0u);
    EXPECT_TRUE(table->Eof());
    EXPECT_TRUE(table->Bof());
    EXPECT_FALSE(table->Top());
  }
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes[0], 0x03);
  EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0x01);
  EXPECT_EQ(bytes[32 + 6 * 32], 0x0D);
  ExpectWellFormed(path, 0, 32 + 6 * 32 + 1, 1 + 15 + 10 + 8 + 12 + 1 + 20);
  auto table = Table::Open(context, path);
  ASSERT_EQ(table->FieldCount(), 6);
  EXPECT_EQ(table->Field(2).name, "DATE");
  EXPECT_EQ(table->Field(2).width, 8);
  EXPECT_EQ(table->Field(4).width, 1);
  EXPECT_EQ(table->Field(3).decimals, 2);
}

TEST(TableCreate, RefusesBadFieldLists) {
  TempFolder dir;
  Context context;
  const std::vector<std::vector<FieldSpec>> bad = {
      {},
      {{"", 'C', 5, 0}},
      {{"1ST", 'C', 5, 0}},
      {{"ELEVENCHARS", 'C', 5, 0}},
      {{"A", 'C', 0, 0}},
      {{"A", 'C', 255, 0}},
      {{"A", 'N', 21, 0}},
      {{"A", 'N', 5, 4}},
      {{"A", 'D', 10, 0}},
      {{"A", 'X', 4, 0}},
      {{"A", 'C', 4, 0}, {"a", 'C', 4, 0}},
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    EXPECT_THROW(Table::Create(context, dir / "bad.dbf", bad[i]), Error);
    EXPECT_EQ(context.ErrorCode(), kErrorCreate);
  }
}

TEST(TableCreate, SafetyKeepsAnExistingFile) {
  TempFolder dir;
  Context context;
  const std::string path = dir / "t.dbf";
  Table::Create(context, path, {{"A", 'C', 3, 0}})->AppendBlank();
  context.Configure().safety = true;
  EXPECT_THROW(Table::Create(context, path, {{"B", 'C', 3, 0}}), Error);
  EXPECT_EQ(Table::Open(context, path)->RecordCount(), 1u);
}

class WriteTest : public ::testing::Test {
 protected:
  void SetUp() override { table_ = Table::Create(context_, path_, kCheckFields); }
  TempFolder dir_;
  Context context_;
  std::string path_ = dir_ / "checks.dbf";
  std::unique_ptr<Table> table_;
};

TEST_F(WriteTest, NumbersAreRoundedRightAlignedAndNeverStoredWrong) {
  struct Case {
    int width, decimals;
    double value;
    const char* stored;  // nullptr: must be refused
  };
  const Case cases[] = {
      {10, 2, 1250.5, "   1250.50"},
      {6, 0, -5, "    -5"},
      {12, 2, 0, "        0.00"},
      {5, 0, 99999, "99999"},
      {5, 0, 100000, nullptr},
      {5, 0, -9999, "-9999"},
      {5, 0, -10000, nullptr},
      {8, 2, 1250.455, " 1250.46"},
      {4, 0, 0.5, "   1"},
      {4, 0, -0.5, "  -1"},
      {6, 2, -0.001, "  0.00"},
      {7, 2, 9999.995, nullptr},
      {7, 2, 999.995, "1000.00"},
      {10, 2, 1e300, nullptr},
      {10, 2, NAN, nullptr},
      {10, 2, INFINITY, nullptr},
      {20, 0, 12345678901234567.0, "   12345678901234568"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "," + std::to_string(c.decimals) + " " +
                 std::to_string(c.value));
    Context context;
    TempFolder dir;
    auto table = Table::Create(context, dir / "n.dbf", {{"N", 'N', c.width, c.decimals}});
    table->AppendBlank();
    const std::string before(table->StoredText(0));
    if (c.stored) {
      table->AssignNumber(0, c.value);
      EXPECT_EQ(table->StoredText(0), c.stored);
      table->Write();
      table->Refresh();
      EXPECT_EQ(table->StoredText(0), c.stored);
    } else {
      EXPECT_THROW(table->AssignNumber(0, c.value), FieldError);
      EXPECT_EQ(table->StoredText(0), before);
      EXPECT_EQ(context.ErrorCode(), kErrorField);
    }
  }
}

TEST_F(WriteTest, AssignEachKindAndWriteBack) {
  ASSERT_EQ(table_->AppendBlank(), WriteResult::kOk);
  EXPECT_EQ(table_->RecNo(), 1u);
  table_->AssignBytes(0, "ABCDEFGHIJKLMNOPQRST");  // 20 into 15: cut
  table_->AssignBytes(1, "42");                    // numeric text is right-aligned
  table_->AssignDate(2, *Date::FromYmd(2024, 2, 29));
  table_->AssignNumber(3, -12.345);
  table_->AssignLogical(4, true);
  table_->AssignBytes(5, "J. SMITH");
  EXPECT_TRUE(table_->Changed());
  ASSERT_EQ(table_->Write(), WriteResult::kOk);
  EXPECT_FALSE(table_->Changed());
  table_->Close();

  auto table = Table::Open(context_, path_);
  ASSERT_TRUE(table->Top());
  EXPECT_EQ(table->StoredText(0), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(table->StoredText(1), "        42");
  EXPECT_EQ(table->StoredText(2), "20240229");
  EXPECT_EQ(table->StoredText(3), "      -12.35");
  EXPECT_EQ(table->StoredText(4), "T");
  EXPECT_EQ(table->StoredText(5), "J. SMITH            ");
  table->AssignDate(2, Date());
  table->AssignBlank(3);
  table->AssignLogical(4, false);
  table->Write();
  table->Refresh();
  EXPECT_EQ(table->StoredText(2), "        ");
  EXPECT_EQ(table->StoredText(3), "            ");
  EXPECT_EQ(table->StoredText(4), "F");
  EXPECT_THROW(table->AssignDate(0, Date()), FieldError);
  EXPECT_THROW(table->AssignNumber(0, 1), FieldError);
  EXPECT_THROW(table->AssignLogical(1, true), FieldError);
  EXPECT_THROW(table->AssignBytes(6, "x"), FieldError);
}

TEST_F(WriteTest, DiscardAndMovingWriteBack) {
  for (int i = 1; i <= 3; ++i) {
    table_->AppendBlank();
    table_->AssignNumber(1, i);
    table_->Write();
  }
  table_->Go(2);
  table_->AssignNumber(1, 99);
  table_->DiscardChanges();
  EXPECT_EQ(table_->AsInteger(1), 2);
  EXPECT_FALSE(table_->Changed());
  // A move writes a pending change, as dBASE does.
  table_->AssignNumber(1, 77);
  table_->Skip(1);
  table_->Go(2);
  EXPECT_EQ(table_->AsInteger(1), 77);
  // Deletion mark: written, read back, recalled.
  table_->Delete();
  EXPECT_TRUE(table_->Deleted());
  table_->Write();
  table_->Close();
  const std::string bytes = ReadBytes(path_);
  const int header = 32 + 6 * 32 + 1, length = 67;
  EXPECT_EQ(bytes[header + length], '*');
  EXPECT_EQ(bytes[header], ' ');
  auto table = Table::Open(context_, path_);
  table->Go(2);
  EXPECT_TRUE(table->Deleted());
  table->Recall();
  table->Write();
  table->Refresh();
  EXPECT_FALSE(table->Deleted());
}

TEST_F(WriteTest, StartAppendThenAppendAndAbandon) {
  table_->StartAppend();
  EXPECT_TRUE(table_->Appending());
  table_->AssignBytes(0, "ACC1");
  EXPECT_EQ(table_->RecordCount(), 0u);
  ASSERT_EQ(table_->Append(), WriteResult::kOk);
  EXPECT_EQ(table_->RecordCount(), 1u);
  EXPECT_EQ(table_->RecNo(), 1u);
  // A new record that is never appended is dropped by a move.
  table_->StartAppend();
  table_->AssignBytes(0, "NEVER");
  table_->Top();
  EXPECT_EQ(table_->RecordCount(), 1u);
  EXPECT_EQ(table_->StoredText(0).substr(0, 4), "ACC1");
  EXPECT_THROW(table_->Append(), Error);  // no StartAppend
}

TEST_F(WriteTest, ExclusiveAppendsAreBufferedButFlushedCorrectly) {
  table_->Close();
  table_ = Table::Open(context_, path_, OpenOptions{true, false});
  const uint32_t n = 5000;  // several write-behind blocks
  for (uint32_t i = 1; i <= n; ++i) {
    table_->StartAppend();
    table_->AssignNumber(1, i);
    table_->Append();
  }
  // Changing a record still held in memory, then reading across the block boundary.
  table_->AssignBytes(0, "LAST");
  table_->Write();
  // Going about the records still held in memory, and changing one of them there.
  ASSERT_TRUE(table_->Go(n - 1));
  EXPECT_EQ(table_->AsInteger(1), n - 1);
  table_->AssignBytes(0, "NEXT TO LAST");
  ASSERT_TRUE(table_->Go(n));
  EXPECT_EQ(table_->StoredText(0).substr(0, 4), "LAST");
  ASSERT_TRUE(table_->Go(n - 1));
  EXPECT_EQ(table_->StoredText(0).substr(0, 12), "NEXT TO LAST");
  EXPECT_EQ(table_->AsInteger(1), n - 1);
  ASSERT_TRUE(table_->Go(1));
  EXPECT_EQ(table_->AsInteger(1), 1);
  ASSERT_TRUE(table_->Go(n));
  EXPECT_EQ(table_->AsInteger(1), n);
  EXPECT_EQ(table_->StoredText(0).substr(0, 4), "LAST");
  ExpectWellFormedWhileExclusive(table_, context_, path_, n, 32 + 6 * 32 + 1, 67);
  table_->Close();
  auto table = Table::Open(context_, path_);
  uint32_t seen = 0;
  for (table->Top(); !table->Eof(); table->Skip()) {
    ++seen;
    ASSERT_EQ(table->AsInteger(1), seen);
  }
  EXPECT_EQ(seen, n);
  ASSERT_TRUE(table->Go(n - 1));
  EXPECT_EQ(table->StoredText(0).substr(0, 12), "NEXT TO LAST");
}

TEST_F(WriteTest, SharedAppendsWriteCountAndMarkerAtOnce) {
  for (uint32_t i = 1; i <= 3; ++i) {
    table_->AppendBlank();
    ExpectWellFormed(path_, i, 32 + 6 * 32 + 1, 67);
  }
}

struct ZapCase {
  uint32_t first, last;
  std::vector<int> remaining;
};

class ZapTest : public ::testing::TestWithParam<ZapCase> {};

TEST_P(ZapTest, RemovesTheRangeAndMovesLaterRecordsDown) {
  TempFolder dir;
  Context context;
  const std::string path = dir / "z.dbf";
  auto table = Table::Create(context, path, {{"ID", 'N', 4, 0}, {"NAME", 'C', 8, 0}},
                             CreateOptions{0x01, OpenOptions{true, false}});
  for (int i = 1; i <= 10; ++i) {
    table->StartAppend();
    table->AssignNumber(0, i);
    table->AssignBytes(1, "R" + std::to_string(i));
    table->Append();
  }
  table->Zap(GetParam().first, GetParam().last);
  std::vector<int> ids;
  for (table->Top(); !table->Eof(); table->Skip()) {
    ids.push_back(static_cast<int>(table->AsInteger(0)));
    EXPECT_EQ(std::string(table->StoredText(1)).substr(0, 1 + std::to_string(ids.back()).size()),
              "R" + std::to_string(ids.back()));
  }
  EXPECT_EQ(ids, GetParam().remaining);
  EXPECT_EQ(table->RecordCount(), GetParam().remaining.size());
  ExpectWellFormedWhileExclusive(table, context, path,
                                 static_cast<uint32_t>(GetParam().remaining.size()),
                                 32 + 2 * 32 + 1, 13);
  // Appending after a zap continues at the new end.
  table->AppendBlank();
  EXPECT_EQ(table->RecNo(), GetParam().remaining.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(Ranges, ZapTest,
                         ::testing::Values(ZapCase{1, 10, {}},
                                           ZapCase{3, 5, {1, 2, 6, 7, 8, 9, 10}},
                                           ZapCase{10, 10, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
                                           ZapCase{1, 1, {2, 3, 4, 5, 6, 7, 8, 9, 10}},
                                           ZapCase{8, 20, {1, 2, 3, 4, 5, 6, 7}},
                                           ZapCase{5, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                                           ZapCase{11, 12, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}));

TEST(TableZap, EmptyTableAndSharedTableWithoutLock) {
  TempFolder dir;
  Context context;
  const std::string path = dir / "z.dbf";
  auto table = Table::Create(context, path, {{"ID", 'N', 4, 0}});
  table->Zap(1, table->RecordCount());  // 1..0 on an empty table: nothing to do
  EXPECT_EQ(table->RecordCount(), 0u);
  table->AppendBlank();
  table->AppendBlank();
  EXPECT_THROW(table->Zap(1, 2), LockError);  // shared and not locked
  EXPECT_EQ(table->RecordCount(), 2u);
  ASSERT_TRUE(table->LockFile());
  table->Zap(1, 2);
  EXPECT_EQ(table->RecordCount(), 0u);
  table->Unlock();
  ExpectWellFormed(path, 0, 32 + 32 + 1, 5);
}

TEST(TableModes, ReadOnlyRefusesEveryChange) {
  TempFolder dir;
  Context context;
  const std::string path = dir / "r.dbf";
  Table::Create(context, path, {{"ID", 'N', 4, 0}})->AppendBlank();
  const std::string before = ReadBytes(path);
  auto table = Table::Open(context, path, OpenOptions{false, true});
  EXPECT_TRUE(table->ReadOnly());
  table->Top();
  EXPECT_THROW(table->AssignNumber(0, 1), Error);
  EXPECT_THROW(table->Delete(), Error);
  EXPECT_THROW(table->AppendBlank(), Error);
  EXPECT_THROW(table->Zap(1, 1), Error);
  table->Close();
  EXPECT_EQ(ReadBytes(path), before);
}

TEST(TableModes, ClosedTableRefusesOperations) {
  TempFolder dir;
  Context context;
  auto table = Table::Create(context, dir / "c.dbf", {{"ID", 'N', 4, 0}});
  table->Close();
  EXPECT_FALSE(table->IsOpen());
  EXPECT_THROW(table->Top(), Error);
  EXPECT_EQ(context.ErrorCode(), kErrorClosed);
  table->Close();  // a second close is harmless
}

TEST(TableMemo, NewTableWithMemoFieldHasAnEmptyMemoFile) {
  TempFolder dir;
  Context context;
  const std::string path = dir / "m.dbf";
  auto table = Table::Create(context, path, {{"ID", 'C', 4, 0}, {"NOTES", 'M', 0, 0}});
  EXPECT_TRUE(table->HasMemoFile());
  table->AppendBlank();
  EXPECT_EQ(table->MemoText(1), "");
  table->Close();
  EXPECT_EQ(static_cast<unsigned char>(ReadBytes(path)[0]), 0x8B);
  EXPECT_EQ(ReadBytes(dir / "m.dbt").size(), 512u);
}

}  // namespace
}  // namespace volarin::dbf
