// The production index against plain in-memory work on the same keys, side by side in one run;
// read the ratios. The table has 1,000,000 records, indexed by a character tag (NAME) and a
// date tag (DUE).
//   (a) Seek*:   random seeks of existing keys against std::lower_bound over the sorted keys.
//   (b) Create*: building both tags from the table against std::sort of the same keys.
//   (c) Append*: 100,000 appends keeping both tags against the same appends without an index.
//   (d) Walk*:   walking a whole tag in order against the record-order scan.
//   (e) RegisterRefill*: an emptied table with the register's two tags refilled by 100,000
//       appends in date and check order, against the same appends without an index, and
//       against those appends followed by a bulk build of both tags; FilledBlanks appends each
//       record blank and fills it in, as the extraction writes the register.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "dbf/mdx/tableindex.h"
#include "dbf/mdx/tagcursor.h"
#include "dbf/table.h"
#include "support/temp_folder.h"

namespace {

using namespace volarin;
using namespace volarin::dbf;

constexpr uint32_t kRecords = 1000000;
constexpr uint32_t kAppends = 100000;
constexpr int kSeeksPerIteration = 10000;

const std::vector<FieldSpec> kFields = {
    {"NAME", 'C', 20, 0}, {"DUE", 'D', 8, 0}, {"AMOUNT", 'N', 12, 2}, {"MEMO", 'C', 40, 0}};
const std::vector<TagSpec> kTags = {{"NAME", "NAME", "", false, false},
                                    {"DUE", "DUE", "", false, false}};

using Folder = volarin::testing::TempFolder;

Folder& BenchFolder() {
  static Folder folder;
  return folder;
}

std::string NameOf(uint32_t i) {
  // Distinct names in scrambled order.
  return "N" + std::to_string(1000000 + (static_cast<uint64_t>(i) * 7919u) % kRecords);
}

Date DueOf(uint32_t i) {
  return *Date::FromYmd(2000, 1, 1) + static_cast<int>((i * 31u) % 9000u);
}

void Fill(Table& table, uint32_t i) {
  table.AssignBytes(0, NameOf(i));
  table.AssignDate(1, DueOf(i));
  table.AssignNumber(2, (i % 100000) / 100.0);
  table.AssignBytes(3, "MEMO TEXT");
}

Context& BenchContext() {
  static Context context;
  return context;
}

// The million-record table and its index, made once per run.
const std::string& IndexedTable() {
  static const std::string path = [] {
    const std::string p = BenchFolder() / "big.dbf";
    CreateOptions options;
    options.open.exclusive = true;
    auto table = Table::Create(BenchContext(), p, kFields, options);
    for (uint32_t i = 0; i < kRecords; ++i) {
      table->StartAppend();
      Fill(*table, i);
      table->Append();
    }
    CreateProductionIndex(*table, kTags);
    table->Close();
    return p;
  }();
  return path;
}

std::unique_ptr<Table> OpenIndexed(const std::string& path) {
  OpenOptions options;
  options.exclusive = true;
  auto table = Table::Open(BenchContext(), path, options);
  OpenIndex(*table, ProductionIndexPath(path));
  return table;
}

double IndexMegabytes(const std::string& table) {
  return static_cast<double>(std::filesystem::file_size(ProductionIndexPath(table))) / (1 << 20);
}

struct Keys {
  std::vector<std::string> names;  // as stored in the tag
  std::vector<std::string> dues;
};

const Keys& AllKeys() {
  static const Keys keys = [] {
    Keys k;
    for (uint32_t i = 0; i < kRecords; ++i) {
      k.names.push_back(CharacterKey(NameOf(i), 20));
      k.dues.push_back(DueOf(i).Digits());
    }
    return k;
  }();
  return keys;
}

std::vector<std::string> SeekSample(const std::vector<std::string>& keys) {
  std::mt19937 random(5);
  std::vector<std::string> sample;
  for (int i = 0; i < kSeeksPerIteration; ++i) sample.push_back(keys[random() % keys.size()]);
  return sample;
}

// (a) ------------------------------------------------------------------------------------------

void SeekTag(benchmark::State& state) {
  auto table = OpenIndexed(IndexedTable());
  ProductionIndex& index = *IndexOf(*table);
  const size_t tag = static_cast<size_t>(state.range(0));
  const auto sample = SeekSample(tag == 0 ? AllKeys().names : AllKeys().dues);
  std::vector<std::string> searchKeys;
  for (const auto& text : sample) searchKeys.push_back(index.SearchKeyOf(tag, text));
  TagCursor cursor(index.Tag(tag));
  for (const auto& key : searchKeys) cursor.Seek(key);  // warm the block cache
  for (auto _ : state) {
    for (const auto& key : searchKeys) {
      if (cursor.Seek(key) != SeekResult::Found) state.SkipWithError("a key was not found");
      benchmark::DoNotOptimize(cursor.RecNo());
    }
  }
  state.SetItemsProcessed(state.iterations() * kSeeksPerIteration);
}
BENCHMARK(SeekTag)->Arg(0)->Arg(1)->ArgNames({"tag"})->Unit(benchmark::kMillisecond);

void SeekSortedMemory(benchmark::State& state) {
  std::vector<std::string> sorted = state.range(0) == 0 ? AllKeys().names : AllKeys().dues;
  std::sort(sorted.begin(), sorted.end());
  const auto sample = SeekSample(state.range(0) == 0 ? AllKeys().names : AllKeys().dues);
  for (auto _ : state) {
    for (const auto& key : sample) {
      benchmark::DoNotOptimize(std::lower_bound(sorted.begin(), sorted.end(), key));
    }
  }
  state.SetItemsProcessed(state.iterations() * kSeeksPerIteration);
}
BENCHMARK(SeekSortedMemory)->Arg(0)->Arg(1)->ArgNames({"tag"})->Unit(benchmark::kMillisecond);

// Seeks through the table: the record is read too.
void SeekTable(benchmark::State& state) {
  auto table = OpenIndexed(IndexedTable());
  SelectTag(*table, "NAME");
  const auto sample = SeekSample(AllKeys().names);
  for (auto _ : state) {
    for (const auto& key : sample) {
      if (Seek(*table, key) != SeekOutcome::kFound) state.SkipWithError("a key was not found");
    }
  }
  state.SetItemsProcessed(state.iterations() * kSeeksPerIteration);
}
BENCHMARK(SeekTable)->Unit(benchmark::kMillisecond);

// (b) ------------------------------------------------------------------------------------------

void CreateTags(benchmark::State& state) {
  IndexedTable();
  OpenOptions options;
  options.exclusive = true;
  auto table = Table::Open(BenchContext(), IndexedTable(), options);
  for (auto _ : state) CreateProductionIndex(*table, kTags);
}
BENCHMARK(CreateTags)->Unit(benchmark::kMillisecond)->Iterations(3);

void CreateSortMemory(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> names = AllKeys().names;
    std::vector<std::string> dues = AllKeys().dues;
    state.ResumeTiming();
    std::sort(names.begin(), names.end());
    std::sort(dues.begin(), dues.end());
    benchmark::DoNotOptimize(names.data());
    benchmark::DoNotOptimize(dues.data());
  }
}
BENCHMARK(CreateSortMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

// (c) ------------------------------------------------------------------------------------------

void Appends(benchmark::State& state, bool indexed) {
  const std::string source = IndexedTable();
  const std::string copy = BenchFolder() / "append.dbf";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::copy_file(source, copy, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(ProductionIndexPath(source), ProductionIndexPath(copy),
                               std::filesystem::copy_options::overwrite_existing);
    OpenOptions options;
    options.exclusive = true;
    auto table = Table::Open(BenchContext(), copy, options);
    if (indexed) OpenIndex(*table, ProductionIndexPath(copy));
    state.ResumeTiming();
    for (uint32_t i = 0; i < kAppends; ++i) {
      table->StartAppend();
      Fill(*table, kRecords + i * 13);
      table->Append();
    }
    table->Close();  // everything written
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
  state.counters["index_MB"] = IndexMegabytes(copy);
}
BENCHMARK_CAPTURE(Appends, WithIndex, true)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Appends, WithoutIndex, false)->Unit(benchmark::kMillisecond)->Iterations(3);

// (e) ------------------------------------------------------------------------------------------

enum class RefillIndex { None, KeptByAppends, BuiltAfter, FilledBlanks };

void RegisterRefill(benchmark::State& state, RefillIndex mode) {
  const std::vector<FieldSpec> fields = {{"ACCOUNTNR", 'C', 15, 0},
                                         {"CHECKNO", 'N', 10, 0},
                                         {"DATE", 'D', 8, 0},
                                         {"AMOUNT", 'N', 12, 2},
                                         {"COMPANY", 'C', 60, 0}};
  const std::vector<TagSpec> tags = {{"ACCOUNTNR", "ACCOUNTNR+STR(CHECKNO,10)", "", false, false},
                                     {"DATE", "DATE", "", false, false}};
  const std::string path = BenchFolder() / "register.dbf";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(path);
    std::filesystem::remove(ProductionIndexPath(path));
    CreateOptions options;
    options.open.exclusive = true;
    auto table = Table::Create(BenchContext(), path, fields, options);
    if (mode == RefillIndex::KeptByAppends || mode == RefillIndex::FilledBlanks) {
      CreateProductionIndex(*table, tags);
    }
    state.ResumeTiming();
    for (uint32_t i = 0; i < kAppends; ++i) {
      if (mode == RefillIndex::FilledBlanks) {
        table->AppendBlank();
      } else {
        table->StartAppend();
      }
      table->AssignBytes(0, "BANK000000");
      table->AssignNumber(1, 100000.0 + i);
      table->AssignDate(2, *Date::FromYmd(2023, 1, 1) + static_cast<int>(i / 250));
      table->AssignNumber(3, (i % 997) * 1.25);
      table->AssignBytes(4, "PAYEE");
      if (mode == RefillIndex::FilledBlanks) {
        table->Write();
      } else {
        table->Append();
      }
    }
    if (mode == RefillIndex::BuiltAfter) CreateProductionIndex(*table, tags);
    table->Close();
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
  if (mode != RefillIndex::None) state.counters["index_MB"] = IndexMegabytes(path);
}
BENCHMARK_CAPTURE(RegisterRefill, KeptByAppends, RefillIndex::KeptByAppends)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RegisterRefill, FilledBlanks, RefillIndex::FilledBlanks)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RegisterRefill, BuiltAfter, RefillIndex::BuiltAfter)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RegisterRefill, WithoutIndex, RefillIndex::None)->Unit(benchmark::kMillisecond);

// (d) ------------------------------------------------------------------------------------------

void Walk(benchmark::State& state, const char* tag) {
  auto table = OpenIndexed(IndexedTable());
  SelectTag(*table, tag);
  for (auto _ : state) {
    uint64_t records = 0;
    for (bool ok = table->Top(); ok && !table->Eof(); table->Skip()) ++records;
    if (records != kRecords) state.SkipWithError("the walk missed records");
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK_CAPTURE(Walk, NameTag, "NAME")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Walk, DueTag, "DUE")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(Walk, RecordOrder, "")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
