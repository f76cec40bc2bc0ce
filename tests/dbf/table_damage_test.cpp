// Damaged and foreign files: a clear error naming the file, never a crash or a read outside it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "dbf/table.h"
#include "dbf_test_util.h"

namespace volarin::dbf {
namespace {

using testing::ExampleFile;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

void Put16(std::string& b, size_t at, int v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  std::memcpy(&b[at], &v, 4);
}

struct Damage {
  const char* what;
  std::function<void(std::string&)> apply;
  const char* messagePart;  // a word the message must contain besides the file name
};

// tiny.dbf: header 129 (3 fields), record length 31, 3 records, 223 bytes.
const std::vector<Damage>& Damages() {
  static const std::vector<Damage> damages = {
      {"shorter than a header", [](std::string& b) { b.resize(20); }, "shorter"},
      {"Visual FoxPro table", [](std::string& b) { b[0] = 0x30; }, "version"},
      {"dBASE 7 table", [](std::string& b) { b[0] = 0x04; }, "version"},
      {"header length too small", [](std::string& b) { Put16(b, 8, 40); }, "header length"},
      {"header longer than the file", [](std::string& b) { Put16(b, 8, 5000); }, "header"},
      {"record count beyond the file", [](std::string& b) { Put32(b, 4, 4); }, "records"},
      {"record count absurd", [](std::string& b) { Put32(b, 4, 0xFFFFFFFF); }, "record count"},
      {"record length too long", [](std::string& b) { Put16(b, 10, 32); }, "record length"},
      {"record length too short", [](std::string& b) { Put16(b, 10, 30); }, "record length"},
      {"record length zero", [](std::string& b) { Put16(b, 10, 0); }, "record length"},
      {"no end of field list", [](std::string& b) { b[128] = 'X'; }, "no end marker"},
      {"descriptor overruns the header",
       [](std::string& b) {
         b[128] = 'X';
         Put16(b, 8, 140);
       },
       "overrun"},
      {"field of width 0", [](std::string& b) { b[32 + 16] = 0; }, "width"},
      {"date field of width 9",
       [](std::string& b) {
         b[32 + 64 + 16] = 9;
         Put16(b, 10, 32);
       },
       "width"},
      {"field without a name", [](std::string& b) { std::memset(&b[32], 0, 11); }, "name"},
      {"truncated inside the last record", [](std::string& b) { b.resize(200); }, "records"},
      {"encrypted", [](std::string& b) { b[15] = 1; }, "encrypted"},
  };
  return damages;
}

TEST(TableDamage, EachDamageGivesAClearErrorNamingTheFile) {
  const std::string good = ReadBytes(ExampleFile("tiny.dbf"));
  ASSERT_EQ(good.size(), 223u);
  for (const Damage& damage : Damages()) {
    SCOPED_TRACE(damage.what);
    TempFolder dir;
    std::string bytes = good;
    damage.apply(bytes);
    const std::string path = dir / "damaged.dbf";
    WriteBytes(path, bytes);
    Context context;
    try {
      auto table = Table::Open(context, path, OpenOptions{false, true});
      FAIL() << "opened";
    } catch (const FormatError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(path), std::string::npos) << message;
      EXPECT_NE(message.find(damage.messagePart), std::string::npos) << message;
      EXPECT_EQ(context.ErrorCode(), e.Code());
    }
  }
}

TEST(TableDamage, UnknownFieldTypeIsRefusedWithItsOwnMessage) {
  std::string bytes = ReadBytes(ExampleFile("tiny.dbf"));
  bytes[32 + 32 + 11] = 'I';  // CHECKNO becomes a dBASE 7 long integer
  TempFolder dir;
  WriteBytes(dir / "t.dbf", bytes);
  Context context;
  try {
    Table::Open(context, dir / "t.dbf");
    FAIL() << "opened";
  } catch (const InvalidFieldType& e) {
    EXPECT_STREQ(e.what(), "Invalid field type.");
    EXPECT_NE(e.Detail().find("CHECKNO"), std::string::npos);
    EXPECT_NE(e.Detail().find(dir / "t.dbf"), std::string::npos);
  }
}

TEST(TableDamage, MissingEndMarkerIsAccepted) {
  std::string bytes = ReadBytes(ExampleFile("tiny.dbf"));
  bytes.pop_back();  // several writers omit the 0x1A
  TempFolder dir;
  WriteBytes(dir / "t.dbf", bytes);
  Context context;
  auto table = Table::Open(context, dir / "t.dbf");
  EXPECT_EQ(table->RecordCount(), 3u);
  ASSERT_TRUE(table->Bottom());
  EXPECT_EQ(table->AsInteger(1), 1250);
}

TEST(TableDamage, DamagedMemoReferencesAndBlocks) {
  TempFolder dir;
  const std::string path = testing::CopyExample(dir, "types.dbf");
  testing::CopyExample(dir, "types.dbt");
  std::string bytes = ReadBytes(path);
  const size_t memo = 225 + 27;  // NOTES of record 1
  for (const char* stored : {"00000000x1", "0000000099", "4294967295"}) {
    SCOPED_TRACE(stored);
    std::memcpy(&bytes[memo], stored, 10);
    WriteBytes(path, bytes);
    Context context;
    auto table = Table::Open(context, path, OpenOptions{false, true});
    table->Go(1);
    EXPECT_THROW(table->MemoText(table->FieldIndex("NOTES")), FormatError);
  }
  // A memo block whose length runs beyond the file.
  std::memcpy(&bytes[memo], "0000000001", 10);
  WriteBytes(path, bytes);
  std::string dbt = ReadBytes(dir / "types.dbt");
  Put32(dbt, 512 + 4, 100000);
  WriteBytes(dir / "types.dbt", dbt);
  Context context;
  auto table = Table::Open(context, path, OpenOptions{false, true});
  table->Go(1);
  EXPECT_THROW(table->MemoText(table->FieldIndex("NOTES")), FormatError);
}

// Random damage to the header and descriptors of a real table: only engine errors, and every
// record of a table that opens reads inside the file.
TEST(TableDamage, RandomHeaderDamageNeverEscapesAsAnythingElse) {
  const std::string good = ReadBytes(ExampleFile("checks.dbf"));
  std::mt19937 random(20241210);
  TempFolder dir;
  const std::string path = dir / "r.dbf";
  int opened = 0;
  for (int round = 0; round < 400; ++round) {
    std::string bytes = good;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes; ++i) {
      bytes[random() % 226] = static_cast<char>(random() % 256);
    }
    if (random() % 8 == 0) bytes.resize(random() % bytes.size());
    WriteBytes(path, bytes);
    Context context;
    try {
      auto table = Table::Open(context, path, OpenOptions{false, true});
      ++opened;
      for (table->Top(); !table->Eof(); table->Skip()) {
        for (int f = 0; f < table->FieldCount(); ++f) {
          (void)table->StoredText(f);
          (void)table->AsDouble(f);
        }
      }
    } catch (const Error&) {
      EXPECT_NE(context.ErrorCode(), 0);
    }
  }
  EXPECT_GT(opened, 0);  // some damage (e.g. to a name) leaves a readable table
}

}  // namespace
}  // namespace volarin::dbf
