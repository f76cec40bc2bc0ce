// The program's own tables get their index rebuilt on open when it is unreadable or out of step
// with the records (after a crash or a full disk); the suite's tables never do.
#include "storage/indexrepair.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/confirmbox.h"
#include "dbf/context.h"
#include "dbf/mdx/tableindex.h"
#include "storage/checkregister.h"
#include "storage/errors.h"
#include "storage_test_support.h"

namespace volarin::testing {
namespace {

namespace fs = std::filesystem;

fixtures::CheckRecordRow Check(int64_t number, const char* payee) {
  fixtures::CheckRecordRow row;
  row.accountNr = "777";
  row.checkNo = number;
  row.date = Ymd(2024, 3, 15);
  row.statusCode = "00";
  row.amount = 5;
  row.company = payee;
  return row;
}

fixtures::DataFolderRows Rows() {
  fixtures::DataFolderRows rows;
  rows.checkRegister = {Check(1002, "B"), Check(1001, "A"), Check(1003, "C")};
  rows.accountMap = {{"ESC100", "777", "BNK01"}, {"ESC200", "888", "BNK02"}};
  fixtures::EscrowRow escrow;
  escrow.checkNo = 1;
  escrow.accountNr = "ESC100";
  rows.escrow = {escrow};
  return rows;
}

std::string IndexFile(const StorageSetup& s, const std::string& table) {
  return dbf::ProductionIndexPath(s.Path(table + ".dbf"));
}

// The index of the same table without any record: well formed, but missing every key.
void GiveEmptyIndex(const StorageSetup& s, const std::string& table) {
  TempFolder empty;
  fixtures::BuildDataFolder(empty.Path(), {});
  // Removed first: MinGW's copy_file refuses to overwrite even when told to.
  fs::remove(IndexFile(s, table));
  fs::copy_file(dbf::ProductionIndexPath(empty / (table + ".dbf")), IndexFile(s, table));
}

void Truncate(const std::string& path, uintmax_t size) {
  fs::resize_file(path, size);
}

void MarkUnfinished(const std::string& tablePath) {
  dbf::Context context;
  auto table = dbf::Table::Open(context, tablePath, {true, false});
  table->SetIncompleteTransaction(true);
}

std::string IndexFault(const std::string& tablePath) {
  dbf::Context context;
  auto table = dbf::Table::Open(context, tablePath);
  dbf::OpenIndex(*table, dbf::ProductionIndexPath(tablePath));
  return dbf::CheckIndex(*table);
}

struct Case {
  const char* what;
  const char* table;
  std::function<void(StorageSetup&)> damage;
};

struct OwnTable {
  const char* table;
  bool exclusive;
  const char* tag;
  const char* field;
  std::vector<std::string> inTagOrder;
};

const OwnTable kRegister{"zorppay", true, "ACCOUNTNR", "COMPANY", {"A", "B", "C"}};
const OwnTable kAccountMap{"zorppsub", false, "accountnr", "NEWACCNR", {"777", "888"}};

TEST(IndexRepair, TheProgramsOwnTablesAreRebuiltOnOpenAndTheOperatorTold) {
  const std::pair<Case, const OwnTable*> cases[] = {
      {{"register index cut short", "zorppay",
        [](StorageSetup& s) { Truncate(IndexFile(s, "zorppay"), 1024); }},
       &kRegister},
      {{"register index missing keys, run unfinished", "zorppay",
        [](StorageSetup& s) {
          GiveEmptyIndex(s, "zorppay");
          MarkUnfinished(s.Path("zorppay.dbf"));
        }},
       &kRegister},
      {{"account map index missing keys", "zorppsub",
        [](StorageSetup& s) { GiveEmptyIndex(s, "zorppsub"); }},
       &kAccountMap},
      {{"account map index cut short", "zorppsub",
        [](StorageSetup& s) { Truncate(IndexFile(s, "zorppsub"), 700); }},
       &kAccountMap},
  };
  for (const auto& [c, own] : cases) {
    StorageSetup s(Rows());
    c.damage(s);
    std::vector<std::string> shown;
    ScopedConfirmPresenter presenter([&](const std::string&, const std::string& message) {
      shown.push_back(message);
      return true;
    });
    auto cursor = s.Cursor(own->table, own->exclusive);
    if (own == &kRegister) DeclareCheckRecord(*cursor);  // which asks for the repair
    cursor->repairIndexOnOpen = true;
    ASSERT_NO_THROW(cursor->Open()) << c.what;
    ASSERT_EQ(shown.size(), 1u) << c.what;
    EXPECT_EQ(shown[0], IndexRebuiltNotice(IndexFile(s, own->table))) << c.what;
    cursor->SetTag(own->tag);
    std::vector<std::string> values;
    for (cursor->GoTop(); !cursor->Eof(); cursor->Skip(1)) {
      values.push_back(cursor->FieldAsString(own->field));
    }
    EXPECT_EQ(values, own->inTagOrder) << c.what;
    cursor->Close();
    EXPECT_EQ(IndexFault(s.Path(std::string(own->table) + ".dbf")), "") << c.what;
  }
}

TEST(IndexRepair, ASoundIndexIsLeftAlone) {
  StorageSetup s(Rows());
  const std::string before = ReadBytes(IndexFile(s, "zorppsub"));
  std::vector<std::string> shown;
  ScopedConfirmPresenter presenter([&](const std::string&, const std::string& message) {
    shown.push_back(message);
    return true;
  });
  auto cursor = s.Cursor("zorppsub");
  cursor->repairIndexOnOpen = true;
  cursor->Open();
  cursor->Close();
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(ReadBytes(IndexFile(s, "zorppsub")), before);
}

TEST(IndexRepair, TheSuitesTablesAreNeverRebuiltUnasked) {
  StorageSetup s(Rows());
  Truncate(IndexFile(s, "zordis"), 1024);
  const std::string damaged = ReadBytes(IndexFile(s, "zordis"));
  auto cursor = s.Cursor("zordis");
  try {
    cursor->Open();
    ADD_FAILURE() << "a damaged suite index was opened";
  } catch (const EOpenError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Error opening index (", 0), 0u) << e.what();
  }
  EXPECT_EQ(ReadBytes(IndexFile(s, "zordis")), damaged);
}

TEST(IndexRepair, KnownTagsCoverTheFiveTablesInAnyCase) {
  EXPECT_EQ(KnownTags("/data/ZORPPAY.DBF").size(), 2u);
  EXPECT_EQ(KnownTags("zorppsub.dbf").size(), 1u);
  EXPECT_EQ(KnownTags("ZORACC.DBF").size(), 1u);
  EXPECT_EQ(KnownTags("zordis.dbf").size(), 4u);
  EXPECT_EQ(KnownTags("RPSDIS.dbf").size(), 1u);
  EXPECT_TRUE(KnownTags("other.dbf").empty());
}

}  // namespace
}  // namespace volarin::testing
