// The table cursor against the engine it stands on, side by side in one run; read the ratio.
//   CursorWalk: GoTop, then Skip(1) to the end of 1,000,000 records, reading three fields of
//               each by name (text, number, date) through the cursor.
//   EngineScan: the same walk with the engine's own table: Top/Skip and the same three fields
//               by position.
//   CursorWalkByPosition: CursorWalk with the three positions looked up once.
// Aim: CursorWalk / EngineScan at 1.5 or better.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "dbf/table.h"
#include "storage/environment.h"
#include "storage/fixtures/datafolder.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"
#include "storage/tablecursor.h"
#include "support/temp_folder.h"

namespace {

using namespace volarin;

constexpr uint32_t kRecords = 1000000;

using Folder = volarin::testing::TempFolder;

// A check register of a million records, made once per run with the engine (no index: the walk
// is in record order for both sides).
const Folder& BenchFolder() {
  static Folder folder;
  static bool made = false;
  if (!made) {
    dbf::Context context;
    dbf::CreateOptions options;
    options.open.exclusive = true;
    auto table = dbf::Table::Create(context, folder.Path() + "/zorppay.dbf",
                                    {{"ACCOUNTNR", 'C', 15, 0},
                                     {"CHECKNO", 'N', 10, 0},
                                     {"DATE", 'D', 8, 0},
                                     {"STATUSCODE", 'C', 2, 0},
                                     {"AMOUNT", 'N', 12, 2},
                                     {"COMPANY", 'C', 60, 0},
                                     {"BANKCODE", 'C', 15, 0},
                                     {"DUMMY1", 'C', 1, 0}},
                                    options);
    for (uint32_t i = 0; i < kRecords; ++i) {
      table->StartAppend();
      table->AssignBytes(0, "BANK" + std::to_string(i % 97));
      table->AssignNumber(1, i + 1);
      table->AssignDate(2, Date(45000 + static_cast<int32_t>(i % 900)));
      table->AssignBytes(3, i % 13 == 0 ? "02" : "00");
      table->AssignNumber(4, (i % 100000) / 100.0);
      table->AssignBytes(5, "PAYEE NUMBER " + std::to_string(i));
      table->AssignBytes(6, "K1");
      table->Append();
    }
    table->Close();
    made = true;
  }
  return folder;
}

// The register of the bench folder open in a cursor, as the window opens it.
struct OpenRegister {
  Environment environment;
  StorageEngine engine{environment, "Engine1"};
  StorageDataBase database{environment, "DataBase1"};
  TableCursor cursor{environment, "zorppay"};
  OpenRegister() {
    database.SetEngine(&engine);
    database.SetDataPath(BenchFolder().Path());
    cursor.fileAlias = "zorppay";
    cursor.dataBaseName = "DataBase1";
    cursor.Open();
  }
};

// Walks the cursor over every record, reading a text, a number and a date of each with `read`.
struct Sums {
  size_t text = 0;
  double sum = 0;
  int64_t days = 0;
};
template <typename ReadRecord>
void WalkCursor(benchmark::State& state, TableCursor& cursor, ReadRecord read) {
  for (auto _ : state) {
    Sums sums;
    uint32_t n = 0;
    for (cursor.GoTop(); !cursor.Eof(); cursor.Skip(1)) {
      read(sums);
      ++n;
    }
    if (n != kRecords) state.SkipWithError("wrong record count");
    benchmark::DoNotOptimize(sums);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRecords);
}

void CursorWalk(benchmark::State& state) {
  OpenRegister opened;
  TableCursor& cursor = opened.cursor;
  WalkCursor(state, cursor, [&](Sums& sums) {
    sums.text += cursor.FieldAsString("ACCOUNTNR").size();
    sums.sum += cursor.FieldAsFloat("AMOUNT");
    sums.days += cursor.FieldAsDate("DATE").Serial();
  });
}
BENCHMARK(CursorWalk)->Unit(benchmark::kMillisecond);

// The same walk with the positions looked up once (TextAt, FloatAt, DateAt).
void CursorWalkByPosition(benchmark::State& state) {
  OpenRegister opened;
  TableCursor& cursor = opened.cursor;
  const int account = cursor.FieldIndex("ACCOUNTNR");
  const int amount = cursor.FieldIndex("AMOUNT");
  const int date = cursor.FieldIndex("DATE");
  WalkCursor(state, cursor, [&](Sums& sums) {
    sums.text += cursor.TextAt(account).size();
    sums.sum += cursor.FloatAt(amount);
    sums.days += cursor.DateAt(date).Serial();
  });
}
BENCHMARK(CursorWalkByPosition)->Unit(benchmark::kMillisecond);

void EngineScan(benchmark::State& state) {
  const Folder& folder = BenchFolder();
  dbf::Context context;
  auto table = dbf::Table::Open(context, folder.Path() + "/zorppay.dbf", {false, false});
  const int account = table->FieldIndex("ACCOUNTNR");
  const int amount = table->FieldIndex("AMOUNT");
  const int date = table->FieldIndex("DATE");
  for (auto _ : state) {
    size_t text = 0;
    double sum = 0;
    int64_t days = 0;
    uint32_t n = 0;
    for (table->Top(); !table->Eof(); table->Skip()) {
      text += table->StoredText(account).size();
      sum += table->AsDouble(amount);
      days += table->AsDate(date).Serial();
      ++n;
    }
    if (n != kRecords) state.SkipWithError("wrong record count");
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(days);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(EngineScan)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
