// The table engine against plain file access, side by side in one run; read the ratios.
//   (a) Scan*:   reading two fields of every record of 1,000,000 (100-byte records)
//                against reading the file in blocks and touching the same bytes.
//   (b) Filter:  the same scan evaluating "checkno>=500000" per record, against (a).
//   (c) Append*: appending 100,000 records against writing the same bytes with plain writes.
//   (d) KeyText*: the check register's key ACCOUNTNR+STR(CHECKNO,10) of 100,000 record images,
//                written from the stored digits, against the same value taken through a double
//                (STR of IIF(), which cannot read the field's text).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/platform.h"
#include "dbf/expression.h"
#include "dbf/table.h"
#include "support/temp_folder.h"

namespace {

using namespace volarin;
using namespace volarin::dbf;

const std::vector<FieldSpec> kFields = {
    {"ACCOUNTNR", 'C', 15, 0}, {"CHECKNO", 'N', 10, 0}, {"DATE", 'D', 8, 0},
    {"STATUS", 'C', 2, 0},     {"AMOUNT", 'N', 12, 2},  {"PAYEE", 'C', 40, 0},
    {"BANKCODE", 'C', 12, 0}};  // 100 bytes a record with the deletion mark

constexpr uint32_t kScanRecords = 1000000;
constexpr uint32_t kAppendRecords = 100000;

using Folder = volarin::testing::TempFolder;

Folder& BenchFolder() {
  static Folder folder;
  return folder;
}

void FillRecord(Table& table, uint32_t i) {
  table.AssignBytes(0, "ACCT" + std::to_string(i % 977));
  table.AssignNumber(1, i);
  table.AssignDate(2, Date(45000 + static_cast<int32_t>(i % 900)));
  table.AssignBytes(3, i % 13 == 0 ? "02" : "00");
  table.AssignNumber(4, (i % 100000) / 100.0);
  table.AssignBytes(5, "PAYEE NUMBER " + std::to_string(i));
  table.AssignBytes(6, "BANK01");
}

// The million-record table, made once per run.
const std::string& ScanTable() {
  static const std::string path = [] {
    const std::string p = BenchFolder() / "scan.dbf";
    Context context;
    auto table = Table::Create(context, p, kFields, CreateOptions{0x01, OpenOptions{true, false}});
    for (uint32_t i = 1; i <= kScanRecords; ++i) {
      table->StartAppend();
      FillRecord(*table, i);
      table->Append();
    }
    table->Close();
    return p;
  }();
  return path;
}

// (a) baseline: the file's bytes in 64 KiB blocks, touching the two fields of each record.
void ScanRawBytes(benchmark::State& state) {
  const std::string& path = ScanTable();
  constexpr size_t kHeader = 32 + 7 * 32 + 1, kLength = 100, kBlock = 655 * kLength;
  std::vector<char> block(kBlock);
  for (auto _ : state) {
    auto file =
        platform::File::Open(path, platform::File::Access::ReadOnly, platform::File::Share::Shared);
    uint64_t sum = 0, offset = kHeader, records = 0;
    while (records < kScanRecords) {
      const size_t got = file->ReadAt(offset, block.data(), kBlock);
      const size_t n = std::min<uint64_t>(got / kLength, kScanRecords - records);
      for (size_t r = 0; r < n; ++r) {
        const char* record = block.data() + r * kLength;
        sum += static_cast<unsigned char>(record[1]) + static_cast<unsigned char>(record[36 + 11]);
      }
      records += n;
      offset += n * kLength;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kScanRecords);
}

// (a) engine: record-order scan reading the stored text of the same two fields.
void ScanEngine(benchmark::State& state) {
  const std::string& path = ScanTable();
  for (auto _ : state) {
    Context context;
    auto table = Table::Open(context, path);
    const int account = table->FieldIndex("ACCOUNTNR"), amount = table->FieldIndex("AMOUNT");
    uint64_t sum = 0;
    for (table->Top(); !table->Eof(); table->Skip()) {
      sum += static_cast<unsigned char>(table->StoredText(account)[0]) +
             static_cast<unsigned char>(table->StoredText(amount)[11]);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kScanRecords);
}

// (a') the same scan reading the amount as a number (decimal parsing per record).
void ScanEngineNumbers(benchmark::State& state) {
  const std::string& path = ScanTable();
  for (auto _ : state) {
    Context context;
    auto table = Table::Open(context, path);
    const int account = table->FieldIndex("ACCOUNTNR"), amount = table->FieldIndex("AMOUNT");
    double sum = 0;
    for (table->Top(); !table->Eof(); table->Skip()) {
      sum += static_cast<unsigned char>(table->StoredText(account)[0]) + table->AsDouble(amount);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kScanRecords);
}

// (b) the scan of (a) with a filter evaluated on every record.
void ScanEngineFilter(benchmark::State& state) {
  const std::string& path = ScanTable();
  for (auto _ : state) {
    Context context;
    auto table = Table::Open(context, path);
    auto filter = Expression::ParseOrThrow("checkno>=500000", table->Layout());
    const int account = table->FieldIndex("ACCOUNTNR"), amount = table->FieldIndex("AMOUNT");
    uint64_t sum = 0, passed = 0;
    for (table->Top(); !table->Eof(); table->Skip()) {
      if (!filter->IsTrue(table->Current())) continue;
      ++passed;
      sum += static_cast<unsigned char>(table->StoredText(account)[0]) +
             static_cast<unsigned char>(table->StoredText(amount)[11]);
    }
    if (passed != kScanRecords - 499999) state.SkipWithError("filter passed a wrong count");
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kScanRecords);
}

// The bytes of kAppendRecords records as the engine writes them, for the plain-write baselines.
const std::string& AppendBytes() {
  static const std::string bytes = [] {
    const std::string p = BenchFolder() / "bytes.dbf";
    Context context;
    auto table = Table::Create(context, p, kFields, CreateOptions{0x01, OpenOptions{true, false}});
    for (uint32_t i = 1; i <= kAppendRecords; ++i) {
      table->StartAppend();
      FillRecord(*table, i);
      table->Append();
    }
    table->Close();
    auto file =
        platform::File::Open(p, platform::File::Access::ReadOnly, platform::File::Share::Shared);
    std::string all(file->Size(), '\0');
    file->ReadAt(0, all.data(), all.size());
    return all;
  }();
  return bytes;
}

// (c) engine: new table opened exclusively, 100,000 appends assigning every field, close.
void AppendEngine(benchmark::State& state) {
  const bool exclusive = state.range(0) != 0;
  const std::string path = BenchFolder() / "append.dbf";
  for (auto _ : state) {
    Context context;
    auto table =
        Table::Create(context, path, kFields, CreateOptions{0x01, OpenOptions{exclusive, false}});
    for (uint32_t i = 1; i <= kAppendRecords; ++i) {
      table->StartAppend();
      FillRecord(*table, i);
      table->Append();
    }
    table->Close();
  }
  state.SetItemsProcessed(state.iterations() * kAppendRecords);
}

// (c) baseline: the same bytes, one plain write per record (header first, 0x1A at the end).
void AppendRawPerRecord(benchmark::State& state) {
  const std::string& bytes = AppendBytes();
  const std::string path = BenchFolder() / "raw.dbf";
  constexpr size_t kHeader = 32 + 7 * 32 + 1, kLength = 100;
  for (auto _ : state) {
    auto file = platform::File::Create(path);
    file->WriteAt(0, bytes.data(), kHeader);
    for (uint32_t i = 0; i < kAppendRecords; ++i) {
      file->WriteAt(kHeader + i * kLength, bytes.data() + kHeader + i * kLength, kLength);
    }
    file->WriteAt(kHeader + kAppendRecords * kLength, "\x1A", 1);
  }
  state.SetItemsProcessed(state.iterations() * kAppendRecords);
}

// (c) baseline: the same bytes written in 64 KiB blocks.
void AppendRawBlocks(benchmark::State& state) {
  const std::string& bytes = AppendBytes();
  const std::string path = BenchFolder() / "raw.dbf";
  for (auto _ : state) {
    auto file = platform::File::Create(path);
    for (size_t at = 0; at < bytes.size(); at += 65536) {
      file->WriteAt(at, bytes.data() + at, std::min<size_t>(65536, bytes.size() - at));
    }
  }
  state.SetItemsProcessed(state.iterations() * kAppendRecords);
}

// (d) ------------------------------------------------------------------------------------------

void KeyText(benchmark::State& state, const char* keyExpression) {
  const RecordLayout layout({{"ACCOUNTNR", 'C', 15, 0, 0}, {"CHECKNO", 'N', 10, 0, 0}});
  std::vector<std::string> records;
  for (uint32_t i = 0; i < kAppendRecords; ++i) {
    std::string record = layout.BlankRecord();
    record.replace(1, 9, "BANK00001");
    // Every fourth record blank, as a record appended blank before it is filled in.
    const std::string number = i % 4 == 0 ? "" : std::to_string(100000 + i * 7);
    record.replace(16 + 10 - number.size(), number.size(), number);
    records.push_back(std::move(record));
  }
  const auto key = Expression::ParseOrThrow(keyExpression, layout);
  std::string text;
  for (auto _ : state) {
    for (const std::string& record : records) {
      key->TextInto(RecordView{&layout, record, 1}, text);
      benchmark::DoNotOptimize(text.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kAppendRecords);
}

BENCHMARK(ScanRawBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanEngine)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanEngineNumbers)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanEngineFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(AppendRawPerRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(AppendRawBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(AppendEngine)->Arg(1)->ArgName("exclusive")->Unit(benchmark::kMillisecond);
BENCHMARK(AppendEngine)->Arg(0)->ArgName("exclusive")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KeyText, StoredDigits, "ACCOUNTNR+STR(CHECKNO,10)")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(KeyText, ThroughDouble, "ACCOUNTNR+STR(IIF(.T.,CHECKNO,0),10)")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
