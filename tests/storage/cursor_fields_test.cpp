// Reading fields by kind, code-page conversion, the filter, the calculated status, and tables
// that cannot be opened as they are.
#include <gtest/gtest.h>

#include "common/platform.h"
#include "common/text.h"
#include "storage/checkregister.h"
#include "storage/errors.h"
#include "storage_test_support.h"
#include "support/fake_record.h"

namespace volarin {
namespace {

using testing::Checks;
using testing::StorageSetup;
using testing::Walk;
using testing::Ymd;

fixtures::DataFolderRows Checks3() {
  fixtures::DataFolderRows rows;
  rows.checkRegister = {{"BANK1", 1001, Ymd(2024, 1, 15), "00", 1250.5, "Alpha", "K1"},
                        {"BANK1", 1002, Ymd(2024, 1, 14), "02", 75.25, "Beta", "K1"},
                        {"BANK1", 1003, Date(), "03", 2.5, "", "K1"}};
  // "Café" as the DOS-era suite stores it: e-acute is 0x82 in code page 437.
  rows.accountMap = {{"ACC1", "CAF\x82", "K1"}};
  return rows;
}

TEST(CursorFields, ReadsByFieldKind) {
  StorageSetup setup(Checks3());
  SetShortDateFormat("MM/DD/YYYY");
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  EXPECT_EQ(reg->FieldAsString("AMOUNT"), "1250.5");
  EXPECT_EQ(reg->FieldAsString("CHECKNO"), "1001");
  EXPECT_EQ(reg->FieldAsString("DATE"), "01/15/2024");
  EXPECT_EQ(reg->FieldAsDate("date"), Ymd(2024, 1, 15));
  EXPECT_DOUBLE_EQ(reg->FieldAsFloat("Amount"), 1250.5);
  EXPECT_EQ(reg->FieldAsInteger("AMOUNT"), 1251);  // nearest whole number
  reg->Skip(1);
  EXPECT_EQ(reg->FieldAsInteger("AMOUNT"), 75);
  reg->Skip(1);
  EXPECT_EQ(reg->FieldAsInteger("AMOUNT"), 3);
  // Blank fields read as empty text, zero and the zero date.
  EXPECT_EQ(reg->FieldAsString("COMPANY"), "");
  EXPECT_EQ(reg->FieldAsString("DATE"), "");
  EXPECT_TRUE(reg->FieldAsDate("DATE").IsNull());
  try {
    reg->FieldAsString("NOSUCH");
    FAIL();
  } catch (const EFieldError& e) {
    EXPECT_STREQ(e.what(), "Field 'NOSUCH' not found");
  }
}

TEST(CursorFields, TextIsConvertedBetweenTheOemFileAndWindowsMemory) {
  StorageSetup setup(Checks3());
  const struct {
    bool transliterate;
    EngineCodePage codePage;
    const char* read;
  } cases[] = {
      {true, EngineCodePage::kNone, "CAF\xE9"},
      {true, EngineCodePage::kMsDos, "CAF\xE9"},
      {true, EngineCodePage::kAnsi, "CAF\x82"},
      {false, EngineCodePage::kNone, "CAF\x82"},
  };
  for (const auto& c : cases) {
    setup.environment.SetTransliterateEnable(c.transliterate);
    setup.engine.SetCodePage(c.codePage);
    auto map = setup.Cursor("zorppsub");
    map->Open();
    EXPECT_EQ(map->FieldAsString("NEWACCNR"), c.read);
  }
  setup.environment.SetTransliterateEnable(true);
  setup.engine.SetCodePage(EngineCodePage::kNone);
  auto map = setup.Cursor("zorppsub");
  map->Open();
  map->StartEdit();
  map->AssignString("BANKCODE", "\xC9T\xC9");  // "ÉTÉ" in Windows text
  map->SaveEdit();
  map->Close();
  dbf::Context context;
  auto table = dbf::Table::Open(context, setup.Path("zorppsub.dbf"), {false, true});
  EXPECT_EQ(table->StoredText(table->FieldIndex("BANKCODE")).substr(0, 3), "\x90T\x90");
}

// Reads by a position found once give what the reads by name give, for every field of every
// record, while browsing and while editing, converted or not by the code page.
TEST(CursorFields, ReadsByPositionAsByName) {
  StorageSetup setup(Checks3());
  SetShortDateFormat("MM/DD/YYYY");
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  std::string scratch;
  auto compareRecord = [&](TableCursor& cursor) {
    const std::vector<std::string> fields = cursor.FieldNames();
    for (int i = 0; i < cursor.FieldCount(); ++i) {  // the table's own, not calculated ones
      const std::string& name = fields[static_cast<size_t>(i)];
      const int at = cursor.FieldIndex(name);
      EXPECT_EQ(at, i);
      EXPECT_EQ(cursor.TextAt(at), cursor.FieldAsString(name)) << name;
      EXPECT_EQ(cursor.TextViewAt(at, scratch), cursor.FieldAsString(name)) << name;
      EXPECT_EQ(cursor.TrimmedTextAt(at, scratch), TrimText(cursor.FieldAsString(name))) << name;
      if (name == "AMOUNT" || name == "CHECKNO") {
        EXPECT_EQ(cursor.FloatAt(at), cursor.FieldAsFloat(name)) << name;
        EXPECT_EQ(cursor.Int64At(at), cursor.FieldAsInt64(name)) << name;
      }
      if (name == "DATE") {
        EXPECT_EQ(cursor.DateAt(at), cursor.FieldAsDate(name));
      }
    }
  };
  for (reg->GoTop(); !reg->Eof(); reg->Skip(1)) compareRecord(*reg);
  reg->GoTop();
  reg->StartEdit();
  reg->AssignString("COMPANY", "  EDITED  ");
  reg->AssignFloat("AMOUNT", 9.75);
  compareRecord(*reg);
  EXPECT_EQ(reg->TrimmedTextAt(reg->FieldIndex("COMPANY"), scratch), "EDITED");
  reg->CancelEdit();

  for (const int outside : {-1, reg->FieldCount(), reg->FieldCount() + 5}) {
    EXPECT_THROW(reg->TextAt(outside), EFieldError);
    EXPECT_THROW(reg->TrimmedTextAt(outside, scratch), EFieldError);
    EXPECT_THROW(reg->TextViewAt(outside, scratch), EFieldError);
    EXPECT_THROW(reg->FloatAt(outside), EFieldError);
    EXPECT_THROW(reg->Int64At(outside), EFieldError);
    EXPECT_THROW(reg->DateAt(outside), EFieldError);
  }
  EXPECT_THROW(reg->FieldIndex("NOSUCH"), EFieldError);

  for (const bool transliterate : {true, false}) {
    setup.environment.SetTransliterateEnable(transliterate);
    auto map = setup.Cursor("zorppsub");
    map->Open();
    const int at = map->FieldIndex("NEWACCNR");
    EXPECT_EQ(map->TrimmedTextAt(at, scratch), transliterate ? "CAF\xE9" : "CAF\x82");
    EXPECT_EQ(map->TextAt(at), map->FieldAsString("NEWACCNR"));
    EXPECT_EQ(map->TextViewAt(at, scratch), map->FieldAsString("NEWACCNR"));
  }
}

// A text read trimmed is the text read in full and then trimmed, whatever stands at its ends:
// blanks, control characters, letters of the code page's upper half, converted or not.
TEST(CursorFields, TrimmedTextIsTheTextReadThenTrimmed) {
  // Octal escapes, so that no letter is read into the number of the byte before it.
  const std::vector<std::string> companies = {
      "PLAIN",         "  LEAD", "TAB\t",        "\001CTRL\002",
      "\202EDGES\202", " \202 ", "\377",         "\377\001",
      "\t \t",         "",       "MID \202 DLE", "\202\202\202\202\202\202\202\202\202 "};
  fixtures::DataFolderRows rows;
  for (size_t i = 0; i < companies.size(); ++i) {
    rows.checkRegister.push_back(
        {"BANK1", static_cast<int64_t>(1001 + i), Ymd(2024, 1, 15), "00", 1, companies[i], "K1"});
  }
  StorageSetup setup(rows);
  std::string scratch;
  for (const bool transliterate : {true, false}) {
    setup.environment.SetTransliterateEnable(transliterate);
    auto reg = setup.Cursor("zorppay");
    reg->Open();
    const int company = reg->FieldIndex("COMPANY");
    size_t read = 0;
    for (reg->GoTop(); !reg->Eof(); reg->Skip(1), ++read) {
      const std::string full = reg->FieldAsString("COMPANY");
      EXPECT_EQ(reg->TrimmedTextAt(company, scratch), TrimText(full))
          << "record " << reg->RecNo() << (transliterate ? ", converted" : "");
    }
    EXPECT_EQ(read, companies.size());
  }
}

TEST(CursorFields, FilterParsesOrSaysWhyNot) {
  StorageSetup setup(Checks3());
  auto reg = setup.Cursor("zorppay");
  reg->Open();
  const struct {
    const char* text;
    const char* message;
  } errors[] = {
      {"checkno>=", "Could not parse filter expression: checkno>="},
      {"CHECKNO + 1", "Expression: CHECKNO + 1 does not evaluate to a Boolean type."},
  };
  for (const auto& e : errors) {
    reg->SetFilter(e.text);
    try {
      reg->FilterOn(true);
      ADD_FAILURE() << e.text;
    } catch (const EFilterError& error) {
      EXPECT_STREQ(error.what(), e.message);
    }
    EXPECT_FALSE(reg->Filtered());
    EXPECT_EQ(Walk(*reg, "CHECKNO").size(), 3u);
  }
  reg->SetFilter("checkno>=1002");
  reg->FilterOn(true);
  EXPECT_EQ(Walk(*reg, "CHECKNO"), (Checks{1002, 1003}));
  reg->SetFilter("checkno>=1003");  // applied at once while on
  EXPECT_EQ(Walk(*reg, "CHECKNO"), (Checks{1003}));
  reg->FilterOn(false);
  EXPECT_EQ(Walk(*reg, "CHECKNO").size(), 3u);
  reg->SetFilter("");
  reg->FilterOn(true);  // no text: nothing changes
  EXPECT_FALSE(reg->Filtered());
  // The filter moves the cursor off a record it hides.
  reg->GoTop();
  reg->SetFilter("STATUSCODE = \"02\"");
  reg->FilterOn(true);
  EXPECT_EQ(reg->FieldAsInt64("CHECKNO"), 1002);
}

TEST(CursorFields, EveryFieldKindOfATableAnotherProgramWrote) {
  StorageSetup setup;
  for (const char* name : {"types.dbf", "types.dbt"}) {
    setup.folder.Write(name, testing::ReadBytes(std::string(STORAGE_EXAMPLE_DATA) + "/" + name));
  }
  SetShortDateFormat("MM/DD/YYYY");
  auto types = setup.Cursor("types");
  types->Open();
  const std::vector<std::pair<const char*, std::vector<std::string>>> fields = {
      {"ID", {"A1", "B2", "C3"}},      {"QTY", {"-42", "", ""}},
      {"RATE", {"3.125", "", ""}},     {"PAID", {"True", "", "False"}},
      {"DUE", {"02/29/2024", "", ""}}, {"NOTES", {"First memo text.", "", ""}},
  };
  std::vector<std::vector<std::string>> read(fields.size());
  for (types->GoTop(); !types->Eof(); types->Skip(1)) {
    for (size_t f = 0; f < fields.size(); ++f) {
      read[f].push_back(types->FieldAsString(fields[f].first));
    }
  }
  for (size_t f = 0; f < fields.size(); ++f)
    EXPECT_EQ(read[f], fields[f].second) << fields[f].first;
  types->GoTop();
  EXPECT_EQ(types->FieldAsInteger("QTY"), -42);
  EXPECT_DOUBLE_EQ(types->FieldAsFloat("RATE"), 3.125);
  EXPECT_EQ(types->FieldAsDate("DUE"), Ymd(2024, 2, 29));
}

TEST(CursorFields, CalculatedStatusIsExactOnTheCode) {
  const struct {
    const char* code;
    const char* status;
  } cases[] = {{"00", ""}, {"02", "Void"}, {"03", "Stop"}, {" 2", ""},
               {"2", ""},  {"3", ""},      {"", ""},       {"01", ""}};
  for (const auto& c : cases) {
    testing::FakeRecord record({{"STATUSCODE", c.code}});
    zorppayCalcFields(record);
    EXPECT_EQ(record.calculated["status"], c.status) << "'" << c.code << "'";
  }
}

TEST(CursorFields, StatusIsCalculatedForEveryRecordRead) {
  StorageSetup setup(Checks3());
  auto reg = setup.Cursor("zorppay");
  DeclareCheckRecord(*reg);
  reg->Open();
  std::vector<std::string> statuses;
  for (reg->GoTop(); !reg->Eof(); reg->Skip(1)) statuses.push_back(reg->FieldAsString("STATUS"));
  EXPECT_EQ(statuses, (std::vector<std::string>{"", "Void", "Stop"}));
  reg->Skip(1);  // at the end the last record's value stays
  EXPECT_EQ(reg->FieldAsString("status"), "Stop");
}

// A calculated field worked out from the record costs nothing on moves nobody reads it at; read,
// it follows the record it is read at, and an edit shows it as the record was when editing began.
TEST(CursorFields, ACalculatedFieldFromTheRecordIsWorkedOutWhenRead) {
  StorageSetup setup(Checks3());
  auto reg = setup.Cursor("zorppay", true);
  DeclareCheckRecord(*reg);
  int worked = 0;
  reg->calculatedFields[0].value = [&](FieldAccess& record) {
    ++worked;
    return RecordStatusText(record);
  };
  reg->Open();
  for (reg->GoTop(); !reg->Eof(); reg->Skip(1)) {
  }
  EXPECT_EQ(worked, 0);

  reg->GoTop();
  reg->Skip(1);
  EXPECT_EQ(reg->FieldAsString("status"), "Void");
  EXPECT_EQ(reg->FieldAsString("STATUS"), "Void");
  EXPECT_EQ(worked, 1) << "once per record";
  reg->Skip(1);
  EXPECT_EQ(reg->FieldAsString("status"), "Stop");
  EXPECT_EQ(worked, 2);

  reg->StartEdit();
  reg->AssignString("STATUSCODE", "02");
  EXPECT_EQ(reg->FieldAsString("status"), "Stop") << "as the edit began";
  reg->SaveEdit();
  EXPECT_EQ(reg->FieldAsString("status"), "Void");

  // A handler's value stands over the worked-out one; a record read aside works its own out.
  reg->onCalcFields = [](FieldAccess& record) { record.SetCalculated("status", "HandlerSet"); };
  reg->Skip(-1);
  EXPECT_EQ(reg->FieldAsString("status"), "Handl") << "cut to the field's size";
  reg->onCalcFields = nullptr;
  EXPECT_EQ(reg->ReadRow(3).FieldAsString("status"), "Void");
  EXPECT_EQ(reg->ReadRow(1).FieldAsString("status"), "");
  reg->Skip(1);
  reg->Skip(1);
  EXPECT_TRUE(reg->Eof());
  EXPECT_EQ(reg->FieldAsString("status"), "Void") << "at the end the last record's value stays";
}

TEST(CursorFields, TablesThatCannotBeOpenedAsTheyAre) {
  StorageSetup setup(Checks3());
  // No such file.
  auto missing = setup.Cursor("nosuch");
  try {
    missing->Open();
    FAIL();
  } catch (const EOpenError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Error opening: " + setup.database.DataPath() + "nosuch.DBF. (-10)");
  }

  // A field type outside the engine's kinds.
  testing::MakeTable(setup.Path("odd.dbf"), {{"A", 'C', 4}, {"B", 'N', 4}}, {{"x", "1"}}, {});
  {
    auto file = platform::File::Open(setup.Path("odd.dbf"), platform::File::Access::ReadWrite,
                                     platform::File::Share::Exclusive);
    const char type = 'Q';
    file->WriteAt(32 + 32 + 11, &type, 1);
  }
  auto odd = setup.Cursor("odd");
  try {
    odd->Open();
    FAIL();
  } catch (const EDataSetError& e) {
    EXPECT_STREQ(e.what(), "Invalid field type.");
  }

  // Without its index file the table opens without tags.
  testing::MakeTable(setup.Path("plain.dbf"), {{"A", 'C', 4}}, {{"x"}}, {});
  auto plain = setup.Cursor("plain");
  plain->Open();
  EXPECT_TRUE(plain->TagNames().empty());
  try {
    plain->SetTag("date");
    FAIL();
  } catch (const ETagError& e) {
    EXPECT_STREQ(e.what(), "The Index Tag \"date\" was not found.");
  }

  // A damaged index file: the open fails naming it, and the table is closed again.
  const std::string garbage(2048, '\x7F');
  setup.folder.Write("zorppsub.MDX", garbage);
  auto map = setup.Cursor("zorppsub");
  try {
    map->Open();
    FAIL();
  } catch (const EOpenError& e) {
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("Error opening index (", 0), 0u) << text;
    EXPECT_NE(text.find("): " + setup.database.IndexPath() + "zorppsub.MDX"), std::string::npos)
        << text;
  }
  EXPECT_FALSE(map->IsOpen());
  EXPECT_FALSE(platform::FileIsInUse(setup.Path("zorppsub.dbf")));
}

}  // namespace
}  // namespace volarin
