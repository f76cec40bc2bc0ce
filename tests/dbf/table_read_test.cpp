// Reading the example tables written by an independent dBASE IV writer, field for field.
#include <gtest/gtest.h>

#include "dbf/table.h"
#include "dbf_test_util.h"

namespace volarin::dbf {
namespace {

using testing::ExampleFile;

std::unique_ptr<Table> OpenExample(Context& context, const std::string& name) {
  return Table::Open(context, ExampleFile(name), OpenOptions{false, true});
}

TEST(TableRead, ChecksHeaderAndFieldList) {
  Context context;
  auto table = OpenExample(context, "checks.dbf");
  EXPECT_EQ(table->RecordCount(), 8u);
  EXPECT_EQ(table->RecordLength(), 68);
  EXPECT_EQ(table->HeaderLength(), 225);
  EXPECT_TRUE(table->HasProductionIndex());
  EXPECT_EQ(table->LanguageByte(), 0x01);
  EXPECT_EQ(table->TextCodePage(), CodePage::kOem437);
  EXPECT_EQ(table->LastUpdate(), *Date::FromYmd(2026, 12, 10));
  struct Expected {
    const char* name;
    char type;
    int width, decimals, offset;
  };
  const Expected fields[] = {{"ACCOUNTNR", 'C', 15, 0, 1}, {"CHECKNO", 'N', 10, 0, 16},
                             {"ISSUED", 'D', 8, 0, 26},    {"STATUS", 'C', 2, 0, 34},
                             {"AMOUNT", 'N', 12, 2, 36},   {"PAYEE", 'C', 20, 0, 48}};
  ASSERT_EQ(table->FieldCount(), 6);
  for (int i = 0; i < 6; ++i) {
    const FieldInfo& f = table->Field(i);
    EXPECT_EQ(f.name, fields[i].name);
    EXPECT_EQ(f.type, fields[i].type);
    EXPECT_EQ(f.width, fields[i].width);
    EXPECT_EQ(f.decimals, fields[i].decimals);
    EXPECT_EQ(f.offset, fields[i].offset);
  }
  EXPECT_EQ(table->FindField("checkno"), 1);
  EXPECT_EQ(table->FindField("CheckNo"), 1);
  EXPECT_EQ(table->FindField("nosuch"), -1);
  EXPECT_THROW(table->FieldIndex("nosuch"), FieldError);
}

TEST(TableRead, ChecksRecordsFieldForField) {
  Context context;
  auto table = OpenExample(context, "checks.dbf");
  struct Row {
    const char* account;
    int64_t checkno;
    const char* issued;
    const char* status;
    double amount;
    const char* payee;
    bool deleted;
  };
  const Row rows[] = {
      {"100200300", 1001, "20240315", "00", 1250.50, "ACME SUPPLY", false},
      {"100200300", 1002, "20240315", "02", 0.00, "VOID", false},
      {"ESCROW-7", 17, "20240229", "00", 99.50, "J. SMITH", false},
      {"100200300", 999, "20231231", "00", 5000.00, "CITY WATER", false},
      {"ESCROW-7", 18, "20240301", "03", 12.34, "STOPPED PAYEE", false},
      {"100200300", 1003, "20240316", "00", 1250.50, "DELETED LATER", true},
      {"ZZ-LAST", 1, "20240102", "00", -5.00, "NEGATIVE AMOUNT", false},
      {"ESCROW-7", 17, "20240229", "00", 0.75, "DUPLICATE KEY", false},
  };
  const int account = table->FieldIndex("ACCOUNTNR"), checkno = table->FieldIndex("checkno"),
            issued = table->FieldIndex("issued"), status = table->FieldIndex("status"),
            amount = table->FieldIndex("amount"), payee = table->FieldIndex("payee");
  ASSERT_TRUE(table->Top());
  for (uint32_t i = 0; i < 8; ++i) {
    SCOPED_TRACE("record " + std::to_string(i + 1));
    const Row& row = rows[i];
    ASSERT_FALSE(table->Eof());
    EXPECT_EQ(table->RecNo(), i + 1);
    EXPECT_EQ(table->Deleted(), row.deleted);
    std::string paddedAccount = row.account;
    paddedAccount.resize(15, ' ');
    EXPECT_EQ(table->StoredText(account), paddedAccount);
    EXPECT_EQ(table->AsInteger(checkno), row.checkno);
    EXPECT_EQ(table->AsDate(issued).Digits(), row.issued);
    EXPECT_EQ(table->StoredText(issued), row.issued);
    EXPECT_EQ(table->StoredText(status), row.status);
    EXPECT_DOUBLE_EQ(table->AsDouble(amount), row.amount);
    EXPECT_EQ(std::string(table->StoredText(payee)).substr(0, strlen(row.payee)), row.payee);
    table->Skip(1);
  }
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->RecNo(), 9u);
}

TEST(TableRead, TypesTableWithMemo) {
  Context context;
  auto table = OpenExample(context, "types.dbf");
  ASSERT_EQ(table->FieldCount(), 6);
  EXPECT_TRUE(table->HasMemoFile());
  const int id = table->FieldIndex("ID"), qty = table->FieldIndex("QTY"),
            rate = table->FieldIndex("RATE"), paid = table->FieldIndex("PAID"),
            due = table->FieldIndex("DUE"), notes = table->FieldIndex("NOTES");
  EXPECT_EQ(table->Field(rate).type, 'F');
  EXPECT_EQ(table->Field(notes).type, 'M');

  ASSERT_TRUE(table->Go(1));
  EXPECT_EQ(table->StoredText(id), "A1  ");
  EXPECT_EQ(table->AsInteger(qty), -42);
  EXPECT_DOUBLE_EQ(table->AsDouble(rate), 3.125);
  EXPECT_TRUE(table->AsLogical(paid));
  EXPECT_EQ(table->AsDate(due), *Date::FromYmd(2024, 2, 29));
  EXPECT_EQ(table->MemoText(notes), "First memo text.");

  // Record 2: every field but ID blank.
  ASSERT_TRUE(table->Go(2));
  EXPECT_EQ(table->StoredText(id), "B2  ");
  EXPECT_EQ(table->StoredText(qty), "     ");
  EXPECT_EQ(table->AsDouble(qty), 0.0);
  EXPECT_FALSE(table->AsLogical(paid));
  EXPECT_TRUE(table->AsDate(due).IsNull());
  EXPECT_EQ(table->MemoText(notes), "");

  ASSERT_TRUE(table->Go(3));
  EXPECT_EQ(table->StoredText(paid), "F");
  EXPECT_FALSE(table->AsLogical(paid));
  EXPECT_THROW(table->MemoText(id), FieldError);
}

// Stored dates are read in place; whatever is not eight digits of a real day is no date.
TEST(TableRead, StoredDates) {
  const struct {
    const char* stored;
    int year, month, day;  // 0: no date
  } cases[] = {
      {"20240229", 2024, 2, 29},    {"19991231", 1999, 12, 31}, {"00010101", 1, 1, 1},
      {"99991231", 9999, 12, 31},   {"20230229", 0, 0, 0},      {"20241301", 0, 0, 0},
      {"20240100", 0, 0, 0},        {"00000101", 0, 0, 0},      {"        ", 0, 0, 0},
      {"2024 229", 0, 0, 0},        {"2024-2-9", 0, 0, 0},      {"2024022", 0, 0, 0},
      {"20240229XYZ", 2024, 2, 29}, {"/0240229", 0, 0, 0},      {":0240229", 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    const Date read = ParseStoredDate(c.stored);
    if (c.year == 0) {
      EXPECT_TRUE(read.IsNull());
    } else {
      EXPECT_EQ(read, *Date::FromYmd(c.year, c.month, c.day));
    }
  }
}

TEST(TableRead, NavigationInRecordOrder) {
  Context context;
  auto table = OpenExample(context, "tree2.dbf");
  ASSERT_EQ(table->RecordCount(), 120u);
  const int name = table->FieldIndex("NAME"), num = table->FieldIndex("NUM");
  // Appended in the order n = (i * 37) mod 120.
  for (uint32_t recno : {1u, 2u, 60u, 119u, 120u}) {
    ASSERT_TRUE(table->Go(recno));
    const int n = static_cast<int>(((recno - 1) * 37) % 120);
    char key[8];
    std::snprintf(key, sizeof key, "KEY%03d", n);
    EXPECT_EQ(std::string(table->StoredText(name)).substr(0, 6), key);
    EXPECT_EQ(table->AsInteger(num), 10 * n);
  }
  EXPECT_TRUE(table->Bottom());
  EXPECT_EQ(table->RecNo(), 120u);
  EXPECT_EQ(table->Skip(1), 0);  // onto the end: no record reached
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->Skip(1), 0);  // nothing beyond the end
  EXPECT_EQ(table->Skip(-1), -1);
  EXPECT_EQ(table->RecNo(), 120u);
  EXPECT_EQ(table->Skip(-200), -119);
  EXPECT_EQ(table->RecNo(), 1u);
  EXPECT_TRUE(table->Bof());
  EXPECT_EQ(table->Skip(50), 50);
  EXPECT_EQ(table->RecNo(), 51u);
  EXPECT_FALSE(table->Bof());
  EXPECT_FALSE(table->Go(0));
  EXPECT_TRUE(table->Eof());
  EXPECT_FALSE(table->Go(121));
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->StoredText(name), std::string(30, ' '));  // at end: blank record
  // Backwards across read-ahead blocks lands on the right records.
  table->Bottom();
  for (uint32_t expected = 119; expected >= 1; --expected) {
    ASSERT_EQ(table->Skip(-1), -1);
    ASSERT_EQ(table->RecNo(), expected);
    const int n = static_cast<int>(((expected - 1) * 37) % 120);
    ASSERT_EQ(table->AsInteger(num), 10 * n);
  }
}

TEST(TableRead, ReadAheadOffReadsTheSameRecords) {
  Context context;
  context.Configure().readAhead = false;
  auto table = OpenExample(context, "tiny.dbf");
  const int payee = table->FieldIndex("payee");
  std::vector<std::string> names;
  for (table->Top(); !table->Eof(); table->Skip()) names.emplace_back(table->StoredText(payee));
  EXPECT_EQ(names, (std::vector<std::string>{"Smith       ", "adams       ", "Jones       "}));
}

TEST(TableRead, MissingFileIsAnOpenErrorLeftInTheContext) {
  Context context;
  testing::TempFolder dir;
  try {
    Table::Open(context, dir / "missing.dbf");
    FAIL() << "opened a missing file";
  } catch (const Error& e) {
    EXPECT_EQ(e.Code(), kErrorOpen);
    EXPECT_NE(std::string(e.what()).find("missing.dbf"), std::string::npos) << e.what();
  }
  EXPECT_EQ(context.ErrorCode(), kErrorOpen);
  context.ClearError();
  EXPECT_EQ(context.ErrorCode(), 0);
}

}  // namespace
}  // namespace volarin::dbf
