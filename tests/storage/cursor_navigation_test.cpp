// Moving a cursor: the visible-record rule, tags, scopes per tag, seeks.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "dbf/expression.h"
#include "dbf/mdx/tableindex.h"
#include "storage/scope.h"

#include "storage/errors.h"
#include "storage/keys.h"
#include "storage_test_support.h"

namespace volarin {
namespace {

using testing::Checks;
using testing::StorageSetup;
using testing::Walk;
using testing::Ymd;

fixtures::DataFolderRows EscrowRows() {
  fixtures::DataFolderRows rows;
  rows.escrow = {
      {.checkNo = 1, .accountNr = "acc1", .prnDate = Ymd(2024, 1, 14)},
      {.checkNo = 2, .accountNr = "acc1", .prnDate = Ymd(2024, 1, 15)},
      {.checkNo = 3, .accountNr = "ACC1", .prnDate = Ymd(2024, 1, 15)},
      {.checkNo = 4, .accountNr = "acc1", .prnDate = Ymd(2024, 1, 15), .deleted = true},
      {.checkNo = 5, .accountNr = "acc2", .prnDate = Ymd(2024, 1, 16)},
      {.checkNo = 6, .accountNr = "acc2", .prnDate = Ymd(1999, 12, 31)},
      {.checkNo = 7, .accountNr = "acc2"},  // never printed: no date
  };
  return rows;
}

fixtures::DataFolderRows RegisterRows() {
  fixtures::DataFolderRows rows;
  rows.checkRegister = {
      {"BANK1", 1001, Ymd(2024, 1, 15), "00", 100, "Alpha", "K1"},
      {"BANK1", 1002, Ymd(2024, 1, 14), "02", 50, "Beta", "K1"},
      {"BANK1", 1003, Ymd(2024, 1, 15), "00", 1, "Deleted", "K1", /*deleted=*/true},
      {"BANK2", 1001, Ymd(2024, 1, 16), "03", 75.25, "Gamma", "K2"},
      {"BANK1", 1003, Ymd(2024, 1, 16), "00", 3, "Live", "K1"},
      {"BANK1", 2147483648, Ymd(2024, 1, 17), "00", 4, "Big", "K1"},
      {"BANK1", 9999999999, Ymd(2024, 1, 18), "00", 5, "Biggest", "K1"},
  };
  return rows;
}

TEST(CursorNavigation, OpenLandsOnTheFirstVisibleRecordInRecordOrder) {
  StorageSetup setup(RegisterRows());
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  EXPECT_FALSE(reg->Eof());
  EXPECT_EQ(reg->RecNo(), 1u);
  EXPECT_EQ(reg->SelectedTag(), "");
  // Deleted records are hidden; RecCount still counts them.
  EXPECT_EQ(Walk(*reg, "CHECKNO"), (Checks{1001, 1002, 1001, 1003, 2147483648, 9999999999}));
  EXPECT_EQ(reg->RecCount(), 7u);
}

TEST(CursorNavigation, DeletedRecordsShowWhenTheCursorDoesNotHideThem) {
  StorageSetup setup(RegisterRows());
  auto reg = setup.Cursor("zorppay");
  reg->setDeleted = SetDeletedMode::kFalse;
  reg->Open();
  EXPECT_EQ(Walk(*reg, "CHECKNO").size(), 7u);
}

TEST(CursorNavigation, EmptyTableAndEmptyScopeAreAtEndAtOnce) {
  StorageSetup setup(EscrowRows());
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  EXPECT_TRUE(reg->Eof());
  EXPECT_EQ(reg->RecNo(), 0u);
  EXPECT_EQ(reg->FieldAsString("COMPANY"), "");
  EXPECT_EQ(reg->FieldAsFloat("AMOUNT"), 0);
  EXPECT_TRUE(reg->FieldAsDate("DATE").IsNull());
  reg->GoTop();
  EXPECT_TRUE(reg->Eof());
  reg->Skip(1);
  EXPECT_TRUE(reg->Eof());

  auto escrow = setup.Cursor("zordis");
  escrow->Open();
  escrow->SetTag("prndate");
  escrow->SetScope("20230101", "20230101");
  escrow->GoTop();
  EXPECT_TRUE(escrow->Eof());
}

TEST(CursorNavigation, DateScopes) {
  StorageSetup setup(EscrowRows());
  auto escrow = setup.Cursor("zordis");
  escrow->Open();
  escrow->SetTag("PRNDATE");
  const struct {
    const char* low;
    const char* high;
    Checks checks;
  } cases[] = {
      // One day: exactly that day's checks, the deleted one passed over.
      {"20240115", "20240115", {2, 3}},
      // Everything printed up to a day; "01/01/1900" sorts before every eight-digit date.
      {"01/01/1900", "20240115", {6, 1, 2, 3}},
      {"20240116", "20991231", {5}},
      {"2024", "2024", {1, 2, 3, 5}},  // a shorter bound compares the key cut to its length
  };
  for (const auto& c : cases) {
    escrow->SetScope(c.low, c.high);
    EXPECT_EQ(Walk(*escrow, "checkno"), c.checks) << c.low << ".." << c.high;
  }
  // An empty bound switches the scope off, as ClearScope does.
  escrow->SetScope("", "20240115");
  EXPECT_EQ(Walk(*escrow, "checkno"), (Checks{7, 6, 1, 2, 3, 5}));
  escrow->SetScope("20240115", "20240115");
  escrow->ClearScope();
  EXPECT_EQ(Walk(*escrow, "checkno").size(), 6u);
}

// The walk a scope allows, worked out with the engine alone: the tag's order, each record placed
// by the text of its key expression.
Checks ScopeWalkOf(const std::string& path, const std::string& tagName, const TagScope& scope) {
  dbf::Context context;
  auto table = dbf::Table::Open(context, path);
  dbf::OpenIndex(*table, dbf::ProductionIndexPath(path));
  EXPECT_TRUE(dbf::SelectTag(*table, tagName));
  dbf::TagInfo tag;
  for (const dbf::TagInfo& t : dbf::Tags(*table)) {
    if (t.name == tagName) tag = t;
  }
  const auto key = dbf::Expression::Parse(tag.keyExpression, *table).expression;
  Checks checks;
  for (table->Top(); !table->Eof(); table->Skip()) {
    const ScopePosition place =
        PlaceTextKey(key->Text(table->Current()), scope, tag.descending, false);
    if (place == ScopePosition::kAbove) break;
    if (place == ScopePosition::kInside && !table->Deleted()) {
      checks.push_back(table->AsInteger(table->FieldIndex("ID")));
    }
  }
  return checks;
}

// A scope judged from the keys the tag holds places every record as its key expression does:
// texts blank-padded or cut to the key length against bounds within and beyond what the key
// keeps, runs of equal dates, blank dates, a descending tag, one scope after another on the
// same keys, and a record whose key a change moved.
TEST(CursorNavigation, ScopesPlaceEveryRecordAsItsKeyExpressionDoes) {
  StorageSetup setup;
  const std::string path = setup.Path("scoped.dbf");
  // PADDED keys the name trimmed (so blank-padded by the tag) where FLAG is 1, as stored
  // where it is 0; CUT keys are three bytes of a longer text.
  testing::MakeTable(path, {{"ID", 'N', 4}, {"NAME", 'C', 6}, {"FLAG", 'N', 1}, {"DUE", 'D', 8}},
                     {{"1", "AB", "1", "20240115"},
                      {"2", "AB", "0", "20240115"},
                      {"3", "ABC", "1", "20240116"},
                      {"4", "A", "1", ""},
                      {"5", "ABD", "0", "20240114"},
                      {"*6", "AB", "1", "20240115"},
                      {"7", "B", "0", "20240115"},
                      {"8", "AB", "1", "20240117"}},
                     {testing::TagOf("PADDED", "IIF(FLAG>0, TRIM(NAME), NAME)"),
                      testing::TagOf("CUT", "TRIM(NAME)+\"xyz\""), testing::TagOf("DUE", "DUE"),
                      testing::TagOf("DUEDOWN", "DUE", true)});
  auto cursor = setup.Cursor("scoped");
  cursor->Open();
  const struct {
    const char* tag;
    const char* low;
    const char* high;
  } cases[] = {
      {"PADDED", "AB ", "AB "},         // the padding is no part of a trimmed name's text
      {"PADDED", "AB", "AB"},           // within what every key keeps
      {"PADDED", "A", "ABC"},           //
      {"PADDED", "AB    X", "B"},       // a bound longer than the key
      {"CUT", "ABxy", "ABxz"},          // a bound longer than the key: the text decides
      {"CUT", "AB", "AB"},              //
      {"DUE", "20240115", "20240115"},  // a run of equal dates
      {"DUE", "20240116", "20240117"},  // starts on the key the walk before stopped at
      {"DUE", "01/01/1900", "20240116"},
      {"DUE", "        ", "20240114"},  // blank dates in the scope
      {"DUE", "2024", "2024"},
      {"DUEDOWN", "20240118", "20240118"},  // nothing: the first date is past the scope
      {"DUEDOWN", "20240117", "20240115"},  // the same first date, now inside
      {"DUEDOWN", "20240116", "20240114"},
  };
  for (const auto& c : cases) {
    cursor->SetTag(c.tag);
    cursor->SetScope(c.low, c.high);
    EXPECT_EQ(testing::Walk(*cursor, "ID"), ScopeWalkOf(path, c.tag, {c.low, c.high, true}))
        << c.tag << " " << c.low << ".." << c.high;
  }
  // A record moved out of the scope by a change is placed by its new key.
  cursor->SetTag("DUE");
  cursor->SetScope("20240115", "20240115");
  cursor->GoTop();
  cursor->StartEdit();
  cursor->AssignDate("DUE", *Date::FromYmd(2024, 1, 16));
  cursor->SaveEdit();
  const Checks after = testing::Walk(*cursor, "ID");
  EXPECT_EQ(after, ScopeWalkOf(path, "DUE", {"20240115", "20240115", true}));
  EXPECT_EQ(after.size(), 2u);
}

TEST(CursorNavigation, SkipPastTheEndAndBack) {
  StorageSetup setup(EscrowRows());
  auto escrow = setup.Cursor("zordis");
  escrow->Open();
  escrow->SetTag("prndate");
  escrow->SetScope("20240115", "20240115");
  escrow->GoTop();
  escrow->Skip(1);
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 3);
  escrow->Skip(1);
  EXPECT_TRUE(escrow->Eof());
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 3);  // the last record stays current
  escrow->Skip(1);
  EXPECT_TRUE(escrow->Eof());
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 3);

  escrow->Skip(-1);
  EXPECT_FALSE(escrow->Eof());
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 2);
  EXPECT_FALSE(escrow->Bof());
  escrow->Skip(-1);  // below the low bound: back on the first visible record, BOF set
  EXPECT_TRUE(escrow->Bof());
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 2);
  escrow->Skip(2);
  EXPECT_TRUE(escrow->Eof());
  EXPECT_FALSE(escrow->Bof());
}

TEST(CursorNavigation, ScopesBelongToTheirTags) {
  StorageSetup setup(EscrowRows());
  auto escrow = setup.Cursor("zordis");
  escrow->Open();
  escrow->SetTag("prndate");
  escrow->SetScope("20240115", "20240115");
  // Tag names come back as the index file holds them.
  EXPECT_EQ(escrow->SetTag("acccheck"), "PRNDATE");
  EXPECT_EQ(Walk(*escrow, "checkno"), (Checks{1, 2, 3, 5, 6, 7}));
  escrow->SetScope("ACC2", "ACC2");
  EXPECT_EQ(Walk(*escrow, "checkno"), (Checks{5, 6, 7}));
  escrow->SetTag("prndate");
  EXPECT_EQ(Walk(*escrow, "checkno"), (Checks{2, 3}));
  // Close forgets every scope and the tag.
  escrow->Close();
  escrow->Open();
  EXPECT_EQ(escrow->SelectedTag(), "");
  escrow->SetTag("prndate");
  EXPECT_EQ(Walk(*escrow, "checkno").size(), 6u);
}

TEST(CursorNavigation, SetTagKeepsTheRecordOrTakesTheNextVisible) {
  StorageSetup setup(EscrowRows());
  auto escrow = setup.Cursor("zordis");
  escrow->Open();
  escrow->SetTag("acccheck");
  ASSERT_TRUE(escrow->Seek(EscrowCheckKey("acc1", 3)));
  escrow->SetTag("prndate");
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 3);
  escrow->Skip(1);
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 5);  // now in date order

  // Check 1 (14 Jan) lies outside the date tag's scope: the next visible record in date order.
  escrow->SetScope("20240115", "20240116");
  escrow->SetTag("acccheck");
  ASSERT_TRUE(escrow->Seek(EscrowCheckKey("acc1", 1)));
  escrow->SetTag("prndate");
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 2);
  // A record that sorts before the range: the range's first record.
  escrow->SetTag("acccheck");
  ASSERT_TRUE(escrow->Seek(EscrowCheckKey("acc2", 6)));  // 1999: before the range
  escrow->SetTag("prndate");
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 2);
  // A record after the range: the one before it.
  escrow->SetScope("20240114", "20240115");
  escrow->SetTag("acccheck");
  ASSERT_TRUE(escrow->Seek(EscrowCheckKey("acc2", 5)));
  escrow->SetTag("prndate");
  EXPECT_EQ(escrow->FieldAsInt64("checkno"), 3);

  try {
    escrow->SetTag("nosuch");
    FAIL();
  } catch (const ETagError& e) {
    EXPECT_STREQ(e.what(), "The Index Tag \"nosuch\" was not found.");
  }
  EXPECT_EQ(escrow->SelectedTag(), "PRNDATE");
  EXPECT_EQ(escrow->SetTag(""), "PRNDATE");
  EXPECT_EQ(escrow->SelectedTag(), "");
}

TEST(CursorNavigation, SeekFindsVisibleRecordsAndRestoresOnAMiss) {
  StorageSetup setup(RegisterRows());
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  reg->SetTag("accountnr");

  // The key is held by a deleted record first, then by a live one: the live one is found.
  ASSERT_TRUE(reg->Seek(RegisterKey("bank1", 1003)));
  EXPECT_EQ(reg->FieldAsString("COMPANY"), "Live");
  EXPECT_EQ(reg->RecNo(), 5u);

  // A miss keeps the record and EOF as they were.
  EXPECT_FALSE(reg->Seek(RegisterKey("BANK1", 1004)));
  EXPECT_EQ(reg->RecNo(), 5u);
  EXPECT_FALSE(reg->Eof());
  reg->GoTop();
  reg->Skip(10);
  ASSERT_TRUE(reg->Eof());
  const uint32_t last = reg->RecNo();
  EXPECT_FALSE(reg->Seek(RegisterKey("BANK9", 1)));
  EXPECT_TRUE(reg->Eof());
  EXPECT_EQ(reg->RecNo(), last);

  // Check numbers beyond 32 bits are found by their full key.
  ASSERT_TRUE(reg->Seek(RegisterKey("BANK1", 2147483648)));
  EXPECT_EQ(reg->FieldAsInt64("CHECKNO"), 2147483648);
  EXPECT_FALSE(reg->Eof());

  // Outside the scope, or refused by the filter: not found.
  reg->SetScope("BANK2", "BANK2");
  EXPECT_FALSE(reg->Seek(RegisterKey("BANK1", 1001)));
  EXPECT_TRUE(reg->Seek(RegisterKey("BANK2", 1001)));
  reg->ClearScope();
  reg->SetFilter("CHECKNO > 1001");
  reg->FilterOn(true);
  EXPECT_FALSE(reg->Seek(RegisterKey("BANK1", 1001)));
  EXPECT_TRUE(reg->Seek(RegisterKey("BANK1", 1002)));

  reg->SetTag("");
  EXPECT_THROW(reg->Seek("x"), ETagError);
}

TEST(CursorNavigation, AccountMapSeekWithTheAccountKey) {
  fixtures::DataFolderRows rows;
  rows.accountMap = {
      {"acc1", "bank1", "K1"}, {"Acc2", "bank2", "K2"}, {"ACC3LONGER12345", "bank3", "K3"}};
  StorageSetup setup(rows);
  auto map = setup.Cursor("zorppsub");
  map->Open();
  map->SetTag("accountnr");
  EXPECT_TRUE(map->Seek(AccountKey("ACC2")));
  EXPECT_EQ(map->FieldAsString("NEWACCNR"), "bank2");
  EXPECT_TRUE(map->Seek(AccountKey("acc3longer12345XYZ")));  // first 15 characters only
  EXPECT_EQ(map->FieldAsString("BANKCODE"), "K3");
  EXPECT_FALSE(map->Seek(AccountKey("acc")));  // a padded key is no prefix
  EXPECT_EQ(map->FieldAsString("BANKCODE"), "K3");
}

TEST(CursorNavigation, NumericAndDescendingTags) {
  StorageSetup setup;
  testing::MakeTable(setup.Path("nums.dbf"), {{"N", 'N', 6, 1}, {"C", 'C', 3}},
                     {{"5", "E"}, {"100", "A"}, {"9", "C"}, {"*50", "D"}, {"-3", "B"}},
                     {testing::TagOf("N", "N"), testing::TagOf("CDOWN", "C", true)});
  auto nums = setup.Cursor("nums");
  nums->Open();
  nums->SetTag("n");
  nums->SetScope("9", "100");  // as numbers, not as texts
  std::vector<int64_t> got = Walk(*nums, "N");
  EXPECT_EQ(got, (Checks{9, 100}));
  nums->SetScope("-5", "5.0");
  EXPECT_EQ(Walk(*nums, "N"), (Checks{-3, 5}));
  try {
    nums->SetScope("1", "abc");
    FAIL();
  } catch (const EScopeError& e) {
    EXPECT_STREQ(e.what(), "abc is not a numeric string for the numeric tag key.");
  }
  nums->ClearScope();
  EXPECT_TRUE(nums->Seek("9"));
  EXPECT_EQ(nums->FieldAsString("C"), "C");

  nums->SetTag("cdown");
  EXPECT_EQ(Walk(*nums, "N"), (Checks{5, 9, -3, 100}));  // E C B A; D is deleted
  nums->SetScope("D", "B");                              // bounds in walking order
  EXPECT_EQ(Walk(*nums, "N"), (Checks{9, -3}));

  nums->SetTag("");
  try {
    nums->SetScope("1", "2");
    FAIL();
  } catch (const EScopeError& e) {
    EXPECT_STREQ(e.what(), "No tag set for scope.");
  }
}

// Records of a numeric tag are placed in its scope from the keys the tag holds: the walk finds
// exactly the records whose key value lies in the range, for a field and for an expression.
TEST(CursorNavigation, NumericScopesAgreeWithTheKeyValues) {
  StorageSetup setup;
  std::vector<std::vector<std::string>> rows;
  std::vector<double> values;
  for (int i = 0; i < 240; ++i) {
    const double value = ((i * 37) % 241 - 120) / 4.0;  // -30 .. 30 in quarters, shuffled
    values.push_back(value);
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", value);
    rows.push_back({text});
  }
  testing::MakeTable(setup.Path("nums.dbf"), {{"N", 'N', 8, 2}}, rows,
                     {testing::TagOf("N", "N"), testing::TagOf("TWICE", "N*2-1", true)});
  auto nums = setup.Cursor("nums");
  nums->Open();
  const struct {
    const char* tag;
    const char* low;
    const char* high;
  } cases[] = {{"N", "-2.5", "7"}, {"N", "0", "0"},      {"N", "-30", "-29.75"},
               {"N", "31", "40"},  {"TWICE", "9", "-4"}, {"TWICE", "0.5", "-0.5"}};
  for (const auto& c : cases) {
    const bool twice = std::string(c.tag) == "TWICE";
    nums->SetTag(c.tag);
    nums->SetScope(c.low, c.high);
    std::multiset<double> expected;
    for (const double value : values) {
      const double key = twice ? value * 2 - 1 : value;
      const double low = std::stod(c.low);
      const double high = std::stod(c.high);
      if (twice ? (key <= low && key >= high) : (key >= low && key <= high)) expected.insert(value);
    }
    std::multiset<double> walked;
    for (nums->GoTop(); !nums->Eof(); nums->Skip(1)) walked.insert(nums->FieldAsFloat("N"));
    EXPECT_EQ(walked, expected) << c.tag << " " << c.low << ".." << c.high;
  }
}

TEST(CursorNavigation, GoToRecordOnlyLandsOnVisibleRecords) {
  StorageSetup setup(RegisterRows());
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  EXPECT_TRUE(reg->GoToRecord(4));
  EXPECT_EQ(reg->FieldAsString("COMPANY"), "Gamma");
  EXPECT_FALSE(reg->GoToRecord(3));  // deleted
  EXPECT_FALSE(reg->GoToRecord(99));
  EXPECT_EQ(reg->RecNo(), 4u);
}

TEST(CursorNavigation, EveryOperationNeedsAnOpenCursor) {
  StorageSetup setup(RegisterRows());
  auto reg = setup.Cursor("zorppay");
  const std::vector<std::function<void()>> operations = {
      [&] { reg->GoTop(); },
      [&] { reg->Skip(1); },
      [&] { (void)reg->Eof(); },
      [&] { reg->SetTag("date"); },
      [&] { reg->SetScope("a", "b"); },
      [&] { reg->ClearScope(); },
      [&] { reg->Seek("x"); },
      [&] { reg->RecCount(); },
      [&] { reg->Zap(1, 1); },
      [&] { reg->AppendBlank(); },
      [&] { reg->StartEdit(); },
      [&] { reg->SaveEdit(); },
      [&] { reg->Unlock(); },
      [&] { reg->DeleteRecord(); },
      [&] { reg->IsModified(); },
      [&] { reg->FieldAsString("COMPANY"); },
      [&] { reg->FieldAsFloat("AMOUNT"); },
      [&] { reg->FieldAsInteger("CHECKNO"); },
      [&] { reg->FieldAsDate("DATE"); },
      [&] { reg->AssignString("COMPANY", "x"); },
      [&] { reg->SetFilter("CHECKNO>1"); },
      [&] { reg->FilterOn(true); },
  };
  for (size_t i = 0; i < operations.size(); ++i) {
    try {
      operations[i]();
      ADD_FAILURE() << "operation " << i << " ran on a closed cursor";
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), "Cannot perform this operation on a closed dataset") << i;
    }
  }
  EXPECT_FALSE(reg->IsOpen());
  reg->Close();  // closing a closed cursor does nothing
  reg->Open();
  reg->Open();  // nor does opening an open one
  EXPECT_TRUE(reg->IsOpen());
}

}  // namespace
}  // namespace volarin
