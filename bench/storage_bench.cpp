// The table cursor against the engine it stands on, side by side in one run; read the ratio.
//   CursorWalk: GoTop, then Skip(1) to the end of 1,000,000 records, reading three fields of
//               each by name (text, number, date) through the cursor.
//   EngineScan: the same walk with the engine's own table: Top/Skip and the same three fields
//               by position.
//   CursorWalkByPosition: CursorWalk with the three positions looked up once.
//   CursorWalkByView: CursorWalkByPosition reading the text as a view, without a string.
//   CursorWalkInScope: the walk on a copy of the register with a tag on DATE, in tag order,
//               under a scope that holds every record (each record's place in it is judged).
//   EngineTagWalk: the engine's own walk of that tag reading the same three fields.
// Aim: CursorWalk / EngineScan at 1.5 or better; CursorWalkInScope / EngineTagWalk likewise.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "dbf/mdx/tableindex.h"
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
constexpr int32_t kFirstDay = 45000;  // the dates of the register: 900 days from here
constexpr int32_t kLastDay = kFirstDay + 899;

using Folder = volarin::testing::TempFolder;

// A check register of a million records made with the engine; `day` gives the date of
// record i (a serial day).
std::unique_ptr<dbf::Table> MakeRegister(dbf::Context& context, const std::string& path,
                                         int32_t (*day)(uint32_t)) {
  dbf::CreateOptions options;
  options.open.exclusive = true;
  auto table = dbf::Table::Create(context, path,
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
    table->AssignDate(2, Date(day(i)));
    table->AssignBytes(3, i % 13 == 0 ? "02" : "00");
    table->AssignNumber(4, (i % 100000) / 100.0);
    table->AssignBytes(5, "PAYEE NUMBER " + std::to_string(i));
    table->AssignBytes(6, "K1");
    table->Append();
  }
  return table;
}

// The register made once per run, its dates spread over the file (no index: the walk is in
// record order for both sides).
const Folder& BenchFolder() {
  static Folder folder;
  static bool made = false;
  if (!made) {
    dbf::Context context;
    MakeRegister(context, folder.Path() + "/zorppay.dbf", [](uint32_t i) {
      return kFirstDay + static_cast<int32_t>(i % 900);
    })->Close();
    made = true;
  }
  return folder;
}

// A register filled in date order, as an extraction fills it, with a tag on DATE: its walk in
// tag order reads the file from front to back.
const Folder& TaggedFolder() {
  static Folder folder;
  static bool made = false;
  if (!made) {
    dbf::Context context;
    auto table = MakeRegister(context, folder.Path() + "/zorppay.dbf", [](uint32_t i) {
      return kFirstDay + static_cast<int32_t>(static_cast<uint64_t>(i) * 900 / kRecords);
    });
    dbf::CreateProductionIndex(*table, {{"DATE", "DATE", "", false, false}});
    table->Close();
    made = true;
  }
  return folder;
}

// The register of a bench folder open in a cursor, as the window opens it.
struct OpenRegister {
  Environment environment;
  StorageEngine engine{environment, "Engine1"};
  StorageDataBase database{environment, "DataBase1"};
  TableCursor cursor{environment, "zorppay"};
  explicit OpenRegister(const Folder& folder = BenchFolder()) {
    database.SetEngine(&engine);
    database.SetDataPath(folder.Path());
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

// The cursor's walk reading the three fields at positions looked up once (TextAt, FloatAt,
// DateAt).
void WalkByPosition(benchmark::State& state, TableCursor& cursor) {
  const int account = cursor.FieldIndex("ACCOUNTNR");
  const int amount = cursor.FieldIndex("AMOUNT");
  const int date = cursor.FieldIndex("DATE");
  WalkCursor(state, cursor, [&](Sums& sums) {
    sums.text += cursor.TextAt(account).size();
    sums.sum += cursor.FloatAt(amount);
    sums.days += cursor.DateAt(date).Serial();
  });
}

void CursorWalkByPosition(benchmark::State& state) {
  OpenRegister opened;
  WalkByPosition(state, opened.cursor);
}
BENCHMARK(CursorWalkByPosition)->Unit(benchmark::kMillisecond);

// The walk by position reading the text as a view (TextViewAt), as the program's readers do
// where no string is kept.
void CursorWalkByView(benchmark::State& state) {
  OpenRegister opened;
  TableCursor& cursor = opened.cursor;
  const int account = cursor.FieldIndex("ACCOUNTNR");
  const int amount = cursor.FieldIndex("AMOUNT");
  const int date = cursor.FieldIndex("DATE");
  std::string scratch;
  WalkCursor(state, cursor, [&](Sums& sums) {
    sums.text += cursor.TextViewAt(account, scratch).size();
    sums.sum += cursor.FloatAt(amount);
    sums.days += cursor.DateAt(date).Serial();
  });
}
BENCHMARK(CursorWalkByView)->Unit(benchmark::kMillisecond);

void CursorWalkInScope(benchmark::State& state) {
  OpenRegister opened(TaggedFolder());
  opened.cursor.SetTag("DATE");
  opened.cursor.SetScope(Date(kFirstDay).Digits(), Date(kLastDay).Digits());
  WalkByPosition(state, opened.cursor);
}
BENCHMARK(CursorWalkInScope)->Unit(benchmark::kMillisecond);

// The engine's own walk in the table's current order, reading the same three fields.
void WalkEngine(benchmark::State& state, dbf::Table& table) {
  const int account = table.FieldIndex("ACCOUNTNR");
  const int amount = table.FieldIndex("AMOUNT");
  const int date = table.FieldIndex("DATE");
  for (auto _ : state) {
    Sums sums;
    uint32_t n = 0;
    for (table.Top(); !table.Eof(); table.Skip()) {
      sums.text += table.StoredText(account).size();
      sums.sum += table.AsDouble(amount);
      sums.days += table.AsDate(date).Serial();
      ++n;
    }
    if (n != kRecords) state.SkipWithError("wrong record count");
    benchmark::DoNotOptimize(sums);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kRecords);
}

void EngineTagWalk(benchmark::State& state) {
  dbf::Context context;
  auto table = dbf::Table::Open(context, TaggedFolder().Path() + "/zorppay.dbf", {false, false});
  dbf::OpenIndex(*table, dbf::ProductionIndexPath(table->Path()));
  dbf::SelectTag(*table, "DATE");
  WalkEngine(state, *table);
}
BENCHMARK(EngineTagWalk)->Unit(benchmark::kMillisecond);

void EngineScan(benchmark::State& state) {
  dbf::Context context;
  auto table = dbf::Table::Open(context, BenchFolder().Path() + "/zorppay.dbf", {false, false});
  WalkEngine(state, *table);
}
BENCHMARK(EngineScan)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
