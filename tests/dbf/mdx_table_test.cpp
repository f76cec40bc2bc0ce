// The production index on a table: tags built from key expressions, navigation in tag order,
// seeks, and every append, change and zap keeping the tags equal to the records.
#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <map>
#include <random>

#include "dbf/mdx/indexerror.h"
#include "dbf/mdx/tableindex.h"
#include "mdx_test_support.h"

namespace volarin::dbf {
namespace {

const std::vector<FieldSpec> kCheckFields = {{"ACCOUNTNR", 'C', 15, 0},
                                             {"CHECKNO", 'N', 10, 0},
                                             {"ISSUED", 'D', 8, 0},
                                             {"AMOUNT", 'N', 12, 2},
                                             {"PAYEE", 'C', 20, 0}};

struct Check {
  std::string account;
  int checkno;
  std::string issued;  // CCYYMMDD
  double amount;
  std::string payee;
};

void Fill(Table& table, const Check& c) {
  table.AssignBytes(0, c.account);
  table.AssignNumber(1, c.checkno);
  table.AssignDate(2, *Date::FromDigits(c.issued));
  table.AssignNumber(3, c.amount);
  table.AssignBytes(4, c.payee);
}

void Append(Table& table, const Check& c) {
  table.StartAppend();
  Fill(table, c);
  ASSERT_EQ(table.Append(), WriteResult::kOk);
}

const std::vector<TagSpec> kTags = {
    {"ACCTCHK", "ACCOUNTNR+STR(CHECKNO,10)", "", false, false},
    {"ISSUED", "ISSUED", "", false, false},
    {"AMOUNTD", "AMOUNT", "", false, true},
    {"ACCTU", "ACCOUNTNR", "", true, false},
    {"PAID", "UPPER(PAYEE)", "AMOUNT > 0", false, false},
};

class TableIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = Table::Create(context_, dir_ / "checks.dbf", kCheckFields);
    const std::vector<Check> checks = {
        {"100200300", 1001, "20240315", 1250.50, "Smith"},
        {"100200300", 1002, "20240315", 0, "Adams"},
        {"ESCROW-7", 17, "20240229", 99.5, "Jones"},
        {"100200300", 999, "20231231", 5000, "Brown"},
        {"ESCROW-7", 18, "20240301", 12.34, "Miller"},
        {"100200300", 1003, "20240316", 1250.50, "Davis"},
        {"ZZ-LAST", 1, "20240102", -5, "Wilson"},
        {"ESCROW-7", 17, "20240229", 0.75, "Taylor"},
    };
    for (const Check& c : checks) Append(*table_, c);
    CreateProductionIndex(*table_, kTags);
  }

  // Record numbers in the order of the selected tag, walked with Skip.
  std::vector<uint32_t> Walk() {
    std::vector<uint32_t> order;
    for (bool ok = table_->Top(); ok && !table_->Eof(); table_->Skip())
      order.push_back(table_->RecNo());
    return order;
  }

  std::vector<uint32_t> WalkBack() {
    std::vector<uint32_t> order;
    if (!table_->Bottom()) return order;
    do {
      order.push_back(table_->RecNo());
    } while (table_->Skip(-1) == -1);
    std::reverse(order.begin(), order.end());
    return order;
  }

  mdxtest::TempFolder dir_;
  Context context_;
  std::unique_ptr<Table> table_;
};

TEST_F(TableIndexTest, TagsListTheirDefinitions) {
  const std::vector<TagInfo> tags = Tags(*table_);
  ASSERT_EQ(tags.size(), kTags.size());
  EXPECT_EQ(tags[0].name, "ACCTCHK");
  EXPECT_EQ(tags[0].keyType, 'C');
  EXPECT_EQ(tags[0].keyLength, 25);
  EXPECT_EQ(tags[1].keyType, 'D');
  EXPECT_EQ(tags[1].keyLength, 8);
  EXPECT_EQ(tags[2].keyType, 'N');
  EXPECT_TRUE(tags[2].descending);
  EXPECT_TRUE(tags[3].unique);
  EXPECT_EQ(tags[4].forExpression, "AMOUNT > 0");
  EXPECT_EQ(CheckIndex(*table_), "");
}

TEST_F(TableIndexTest, NavigatesInTagOrderBothWays) {
  struct Case {
    const char* tag;
    std::vector<uint32_t> order;
  };
  const std::vector<Case> cases = {
      {"acctchk", {4, 1, 2, 6, 3, 8, 5, 7}}, {"Issued", {4, 7, 3, 8, 5, 1, 2, 6}},
      {"AMOUNTD", {4, 1, 6, 3, 5, 8, 2, 7}}, {"ACCTU", {1, 3, 7}},
      {"PAID", {4, 6, 3, 5, 1, 8}},          {"", {1, 2, 3, 4, 5, 6, 7, 8}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SelectTag(*table_, c.tag)) << c.tag;
    EXPECT_EQ(Walk(), c.order) << c.tag;
    EXPECT_EQ(WalkBack(), c.order) << c.tag;
  }
  EXPECT_FALSE(SelectTag(*table_, "NOSUCH"));
  EXPECT_EQ(SelectedTag(*table_), "");
}

TEST_F(TableIndexTest, SkipsAndStopsAtBothEnds) {
  ASSERT_TRUE(SelectTag(*table_, "ACCTCHK"));
  table_->Top();
  EXPECT_EQ(table_->Skip(3), 3);
  EXPECT_EQ(table_->RecNo(), 6u);
  EXPECT_EQ(table_->Skip(-2), -2);
  EXPECT_EQ(table_->RecNo(), 1u);
  EXPECT_EQ(table_->Skip(-5), -1);
  EXPECT_TRUE(table_->Bof());
  EXPECT_EQ(table_->RecNo(), 4u);
  EXPECT_EQ(table_->Skip(100), 7);  // to the last record, then off the end
  EXPECT_TRUE(table_->Eof());
  EXPECT_EQ(table_->Skip(1), 0);
  // Selecting a tag keeps the record; the walk goes on in the new order.
  table_->Go(3);
  ASSERT_TRUE(SelectTag(*table_, "ISSUED"));
  EXPECT_EQ(table_->RecNo(), 3u);
  table_->Skip();
  EXPECT_EQ(table_->RecNo(), 8u);
}

TEST_F(TableIndexTest, SeekFindsOrSaysWhereItStopped) {
  struct Case {
    const char* tag;
    const char* key;
    SeekOutcome outcome;
    uint32_t recno;  // the current record afterwards (0: at end)
  };
  const std::vector<Case> cases = {
      {"ACCTCHK", "100200300            1002", SeekOutcome::kFound, 2},
      {"ACCTCHK", "ESCROW-7", SeekOutcome::kFound, 3},  // a shorter key matches as a prefix
      {"ACCTCHK", "ESCROW-7               17", SeekOutcome::kFound, 3},
      {"ACCTCHK", "ESCROW-8", SeekOutcome::kAfterKey, 7},
      {"ACCTCHK", "ZZZ", SeekOutcome::kEndOfFile, 0},
      {"ISSUED", "20240229", SeekOutcome::kFound, 3},
      {"ISSUED", "20240228", SeekOutcome::kAfterKey, 3},
      {"ISSUED", "20250101", SeekOutcome::kEndOfFile, 0},
      {"AMOUNTD", "1250.50", SeekOutcome::kFound, 1},
      {"AMOUNTD", "1250.5", SeekOutcome::kFound, 1},
      {"AMOUNTD", "100", SeekOutcome::kAfterKey, 3},  // descending: 99.50 follows 100
      {"AMOUNTD", "-10", SeekOutcome::kEndOfFile, 0},
      {"PAID", "ADAMS", SeekOutcome::kAfterKey, 4},  // record 2 has no key: AMOUNT is 0
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SelectTag(*table_, c.tag));
    EXPECT_EQ(Seek(*table_, c.key), c.outcome) << c.tag << " " << c.key;
    EXPECT_EQ(table_->Eof() ? 0u : table_->RecNo(), c.recno) << c.tag << " " << c.key;
  }
}

TEST_F(TableIndexTest, SeekNextVisitsEveryRecordWithTheKey) {
  ASSERT_TRUE(SelectTag(*table_, "ACCTCHK"));
  const std::string key = "ESCROW-7               17";
  ASSERT_EQ(Seek(*table_, key), SeekOutcome::kFound);
  EXPECT_EQ(table_->RecNo(), 3u);
  ASSERT_TRUE(SeekNext(*table_, key));
  EXPECT_EQ(table_->RecNo(), 8u);
  EXPECT_FALSE(SeekNext(*table_, key));
  EXPECT_EQ(table_->RecNo(), 8u);
  ASSERT_TRUE(SelectTag(*table_, ""));
  EXPECT_THROW(Seek(*table_, key), Error);
}

TEST_F(TableIndexTest, WritesKeepEveryTagRight) {
  // A key field changes: the entry moves.
  table_->Go(7);
  table_->AssignBytes(0, "000");
  ASSERT_EQ(table_->Write(), WriteResult::kOk);
  ASSERT_TRUE(SelectTag(*table_, "ACCTCHK"));
  table_->Top();
  EXPECT_EQ(table_->RecNo(), 7u);
  EXPECT_EQ(CheckIndex(*table_), "");
  // A deletion mark leaves the keys alone.
  table_->Go(4);
  table_->Delete();
  ASSERT_EQ(table_->Write(), WriteResult::kOk);
  EXPECT_EQ(CheckIndex(*table_), "");
  EXPECT_EQ(Walk().size(), 8u);
  // The FOR condition decides: record 2 gets an amount and enters the PAID tag.
  table_->Go(2);
  table_->AssignNumber(3, 10);
  ASSERT_EQ(table_->Write(), WriteResult::kOk);
  ASSERT_TRUE(SelectTag(*table_, "PAID"));
  EXPECT_EQ(Seek(*table_, "ADAMS"), SeekOutcome::kFound);
  EXPECT_EQ(table_->RecNo(), 2u);
  EXPECT_EQ(CheckIndex(*table_), "");
}

TEST_F(TableIndexTest, UniqueTagRefusesOrPassesOver) {
  ASSERT_TRUE(SelectTag(*table_, "ACCTU"));
  context_.Configure().uniqueMode = UniqueMode::kRefuse;
  table_->StartAppend();
  Fill(*table_, {"ESCROW-7", 40, "20240401", 1, "X"});
  EXPECT_EQ(table_->Append(), WriteResult::kUniqueRefused);
  EXPECT_EQ(table_->RecordCount(), 8u);
  table_->Go(1);
  table_->AssignBytes(0, "ZZ-LAST");
  EXPECT_EQ(table_->Write(), WriteResult::kUniqueRefused);
  table_->DiscardChanges();

  context_.Configure().uniqueMode = UniqueMode::kPassOver;
  table_->StartAppend();
  Fill(*table_, {"ESCROW-7", 41, "20240401", 1, "Y"});
  EXPECT_EQ(table_->Append(), WriteResult::kUniquePassedOver);
  EXPECT_EQ(table_->RecordCount(), 9u);
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{1, 3, 7}));
  // The other tags did take the record.
  ASSERT_TRUE(SelectTag(*table_, "ACCTCHK"));
  EXPECT_EQ(Seek(*table_, "ESCROW-7               41"), SeekOutcome::kFound);
  EXPECT_EQ(CheckIndex(*table_), "");
  // A record leaving the key frees it; a new account is a new key.
  table_->Go(7);
  table_->AssignBytes(0, "NEW");
  EXPECT_EQ(table_->Write(), WriteResult::kOk);
  ASSERT_TRUE(SelectTag(*table_, "ACCTU"));
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{1, 3, 7}));
  EXPECT_EQ(CheckIndex(*table_), "");
}

TEST_F(TableIndexTest, ZapRenumbersTheEntries) {
  ASSERT_TRUE(table_->LockFile());
  table_->Zap(2, 4);
  EXPECT_EQ(table_->RecordCount(), 5u);
  EXPECT_EQ(CheckIndex(*table_), "");
  ASSERT_TRUE(SelectTag(*table_, "ACCTCHK"));
  // Left: old 1, 5, 6, 7, 8 as 1 to 5.
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{1, 3, 5, 2, 4}));
  table_->Zap(1, table_->RecordCount());
  EXPECT_EQ(CheckIndex(*table_), "");
  EXPECT_FALSE(table_->Top());
  EXPECT_TRUE(table_->Eof());
  Append(*table_, {"NEW", 5, "20240101", 1, "Z"});
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{1}));
  EXPECT_EQ(CheckIndex(*table_), "");
}

TEST_F(TableIndexTest, CheckFindsAnIndexThatDisagreesWithTheTable) {
  // Another program changes a key field without updating the index.
  table_->Flush();
  const std::string path = table_->Path();
  table_.reset();
  std::string bytes = mdxtest::ReadBytes(path);
  const size_t header =
      static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8);
  const size_t length =
      static_cast<unsigned char>(bytes[10]) | (static_cast<unsigned char>(bytes[11]) << 8);
  bytes[header + 2 * length + 1] = 'Q';  // record 3's account: ESCROW-7 -> QSCROW-7
  mdxtest::WriteBytes(path, bytes);
  table_ = Table::Open(context_, path);
  OpenIndex(*table_, ProductionIndexPath(path));
  const std::string fault = CheckIndex(*table_);
  EXPECT_NE(fault.find("record 3"), std::string::npos) << fault;
}

TEST(TableIndex, ExampleIndexesAgreeWithTheirTables) {
  // Keys written by an independent program equal the keys our expressions compute.
  mdxtest::TempFolder dir;
  Context context;
  for (const char* name : {"tiny", "checks", "tree2"}) {
    const std::string dbf = mdxtest::CopyExample(dir, std::string(name) + ".dbf");
    mdxtest::CopyExample(dir, std::string(name) + ".mdx");
    auto table = Table::Open(context, dbf);
    ProductionIndex& index = OpenIndex(*table, ProductionIndexPath(dbf));
    // The same file (Windows finds it under any case of its name).
    EXPECT_TRUE(std::filesystem::equivalent(index.Path(), dir / (std::string(name) + ".mdx")))
        << index.Path();
    EXPECT_EQ(CheckIndex(*table), "") << name;
  }
}

TEST(TableIndex, TagsThatDoNotFitTheTableAreRefused) {
  mdxtest::TempFolder dir;
  Context context;
  const std::string dbf = mdxtest::CopyExample(dir, "tiny.dbf");
  const std::string other = mdxtest::CopyExample(dir, "checks.mdx");
  auto table = Table::Open(context, dbf);
  try {
    OpenIndex(*table, other);
    FAIL() << "an index of another table was accepted";
  } catch (const IndexError& e) {
    EXPECT_NE(std::string(e.what()).find(other), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("ACCTCHK"), std::string::npos) << e.what();
  }
  // A key length that differs from the expression's.
  const std::string mdx = mdxtest::CopyExample(dir, "tiny.mdx");
  std::string bytes = mdxtest::ReadBytes(mdx);
  bytes[2048 + 12] = 11;  // PAYEE tag: 11 instead of 12
  bytes[2048 + 18] = 16;
  mdxtest::WriteBytes(mdx, bytes);
  EXPECT_THROW(OpenIndex(*table, mdx), IndexError);
  EXPECT_THROW(CreateProductionIndex(*table, {{"L", "PAYEE = 'X'", "", false, false}}), IndexError);
  EXPECT_THROW(CreateProductionIndex(*table, {{"BAD", "NOFIELD", "", false, false}}), IndexError);
}

}  // namespace
}  // namespace volarin::dbf

namespace volarin::dbf {
namespace {

TEST(SharedTableIndex, TwoOpensChangeOneIndexInTurn) {
  // Two shared opens (as two programs): each change re-reads the index under its update lock,
  // so neither overwrites the other's entries, and each sees the other's keys when it seeks.
  mdxtest::TempFolder dir;
  Context context;
  const std::string path = dir / "shared.dbf";
  auto first = Table::Create(context, path, {{"NAME", 'C', 60, 0}});
  CreateProductionIndex(*first, {{"NAME", "NAME", "", false, false}});
  auto second = Table::Open(context, path);
  OpenIndex(*second, ProductionIndexPath(path));
  SelectTag(*first, "NAME");
  SelectTag(*second, "NAME");
  for (int i = 0; i < 300; ++i) {
    Table& table = i % 2 == 0 ? *first : *second;
    table.StartAppend();
    table.AssignBytes(0, "K" + std::to_string(i * 37 % 1000));
    ASSERT_EQ(table.Append(), WriteResult::kOk) << i;
  }
  EXPECT_EQ(Seek(*first, "K" + std::to_string(1 * 37)), SeekOutcome::kFound);
  EXPECT_EQ(Seek(*second, "K0"), SeekOutcome::kFound);
  EXPECT_EQ(first->RecNo(), 2u);
  EXPECT_EQ(second->RecNo(), 1u);
  EXPECT_EQ(CheckIndex(*first), "");
  EXPECT_EQ(CheckIndex(*second), "");
  EXPECT_GE(IndexOf(*first)->Tag(0).Height(), 3);
}

}  // namespace
}  // namespace volarin::dbf

namespace volarin::dbf {
namespace {

TEST(AutoOpenIndex, OpensWithTheTableWhenTheHeaderNamesIt) {
  mdxtest::TempFolder dir;
  const std::string path = dir / "auto.dbf";
  {
    Context context;
    auto table = Table::Create(context, path, {{"NAME", 'C', 10, 0}});
    for (const char* name : {"B", "C", "A"}) {
      table->StartAppend();
      table->AssignBytes(0, name);
      table->Append();
    }
    EXPECT_FALSE(table->HasProductionIndex());
    CreateProductionIndex(*table, {{"NAME", "NAME", "", false, false}});
    EXPECT_TRUE(table->HasProductionIndex());
  }
  Context context;
  context.Configure().autoOpen = true;
  // Without an index opener the setting has nothing to open the index with.
  EXPECT_EQ(IndexOf(*Table::Open(context, path)), nullptr);
  context.SetIndexOpener(&ProductionIndexOpener());
  auto table = Table::Open(context, path);
  ASSERT_NE(IndexOf(*table), nullptr);
  // An explicit open of the same file keeps the one already open.
  EXPECT_EQ(&OpenIndex(*table, ProductionIndexPath(path)), IndexOf(*table));
  ASSERT_TRUE(SelectTag(*table, "name"));
  table->Top();
  EXPECT_EQ(table->RecNo(), 3u);
  // Appends through the opened index keep it right.
  table->StartAppend();
  table->AssignBytes(0, "0");
  table->Append();
  table->Top();
  EXPECT_EQ(table->RecNo(), 4u);
  EXPECT_EQ(CheckIndex(*table), "");

  Context manual;  // autoOpen off: the table opens without its index
  table.reset();
  EXPECT_EQ(IndexOf(*Table::Open(manual, path)), nullptr);

  // A damaged index refuses the open, naming the index file.
  std::string bytes = mdxtest::ReadBytes(ProductionIndexPath(path));
  bytes[0] = 9;
  mdxtest::WriteBytes(ProductionIndexPath(path), bytes);
  try {
    Table::Open(context, path);
    FAIL() << "a damaged index was opened";
  } catch (const IndexError& e) {
    EXPECT_NE(std::string(e.what()).find(ProductionIndexPath(path)), std::string::npos);
    EXPECT_EQ(context.ErrorCode(), kErrorFormat);
  }
}

}  // namespace
}  // namespace volarin::dbf
