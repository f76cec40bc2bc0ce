// The extraction and the export against the plainest work that reads or writes the same data,
// side by side in one run; read the ratios.
//   DateExtraction / DayRangeWalk: the date-mode extraction of one account for one day (its
//       three passes, register writes included) against seeking that day on the escrow table's
//       print-date tag and walking its range with the engine alone.          aim: 3 or better
//   DateExtractionNoChecks: the same run for a day without checks: every open, the register's
//       zap and syncs and each pass's positioning, no record read; the floor of a date run.
//   OutstandingExtraction / EscrowScan: the outstanding-mode extraction up to the last day
//       against a plain record-order scan of the escrow table.                aim: 3 or better
//   OutstandingExtractionPeakMemory: its peak resident size (counter peak_MB).  aim: 64 MB
//   Export / PlainWrite: the Positive Pay file of a register of 100,000 checks against writing
//       the same bytes with plain file writes.                                aim: 2 or better
// The escrow table holds 1,000,000 check lines of 10 accounts over 400 days (2,500 a day); the
// closing table 100,000 checks.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "benchstorage.h"
#include "common/platform.h"
#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "extraction/extraction.h"
#include "positivepay/export.h"
#include "storage/fixtures/datafolder.h"
#include "storage/tablecursor.h"
#include "support/temp_folder.h"

namespace {

using namespace volarin;

constexpr int kDays = 400;
constexpr int kLinesPerDay = 2500;
constexpr int kAccounts = 10;
constexpr int kClosing = 100000;
constexpr int kRegisterChecks = 100000;
const Date kFirstDay = *Date::FromYmd(2023, 1, 1);
const Date kLastDay = kFirstDay + (kDays - 1);

std::string AccountName(int a) {
  return "ESC" + std::to_string(100 + a);
}

using Folder = testing::TempFolder;

const Folder& SuiteFolder() {
  static Folder folder;
  static bool made = false;
  if (made) return folder;
  fixtures::DataFolderRows rows;
  for (int a = 0; a < kAccounts; ++a) {
    rows.accountList.push_back({AccountName(a)});
    rows.accountMap.push_back({AccountName(a), "BANK" + std::to_string(a), "021000021"});
  }
  rows.escrow.reserve(static_cast<size_t>(kDays) * kLinesPerDay);
  int64_t number = 100000;
  for (int d = 0; d < kDays; ++d) {
    for (int i = 0; i < kLinesPerDay; ++i) {
      fixtures::EscrowRow row;
      row.checkNo = number++;
      row.accountNr = AccountName(i % kAccounts);
      row.prnDate = kFirstDay + d;
      row.amount = 10 + (i % 997) * 1.25;
      row.company = "PAYEE NUMBER " + std::to_string(i % 211);
      if (d < kDays - 30 && i % 10 < 8) row.clrStatus = "C";  // most old checks have cleared
      if (i % 50 == 7) {
        row.voidFlag = 1;
        row.voidDate = kFirstDay + std::min(kDays - 1, d + 3);
      }
      rows.escrow.push_back(row);
    }
  }
  for (int i = 0; i < kClosing; ++i) {
    fixtures::ClosingRow row;
    row.checkNo = 900000000 + i;
    row.accountNr = AccountName(i % kAccounts);
    row.date = kFirstDay + (i % kDays);
    row.amount = 20 + (i % 300);
    row.company = "CLOSING PAYEE";
    rows.closing.push_back(row);
  }
  fixtures::BuildDataFolder(folder.Path(), rows);
  made = true;
  return folder;
}

using bench::Storage;

void DateExtraction(benchmark::State& state) {
  Storage s(SuiteFolder().Path());
  const Date day = kLastDay - 10;
  for (auto _ : state) {
    RunExtraction({s.checkRegister, s.accountMap, s.escrow, s.closing},
                  {AccountName(3), day, false, SuiteFolder().Path()}, nullptr);
  }
  state.counters["register"] = s.checkRegister.RecCount();
}

void DateExtractionNoChecks(benchmark::State& state) {
  Storage s(SuiteFolder().Path());
  const Date day = kFirstDay - 10;
  for (auto _ : state) {
    RunExtraction({s.checkRegister, s.accountMap, s.escrow, s.closing},
                  {AccountName(3), day, false, SuiteFolder().Path()}, nullptr);
  }
  state.counters["register"] = s.checkRegister.RecCount();
}

void DayRangeWalk(benchmark::State& state) {
  dbf::Context context;
  const std::string path = SuiteFolder().Path() + "/zordis.dbf";
  auto table = dbf::Table::Open(context, path);
  dbf::OpenIndex(*table, dbf::ProductionIndexPath(path));
  if (!dbf::SelectTag(*table, "prndate")) std::abort();
  const std::string key = (kLastDay - 10).Digits();
  const int account = table->FieldIndex("accountnr");
  const int amount = table->FieldIndex("amount");
  const int prnDate = table->FieldIndex("prndate");
  for (auto _ : state) {
    double sum = 0;
    dbf::Seek(*table, key);
    for (; !table->Eof() && table->AsDate(prnDate).Digits() == key; table->Skip(1)) {
      sum += table->AsDouble(amount) + static_cast<double>(table->StoredText(account).size());
    }
    benchmark::DoNotOptimize(sum);
  }
}

void OutstandingExtraction(benchmark::State& state) {
  Storage s(SuiteFolder().Path());
  for (auto _ : state) {
    RunExtraction({s.checkRegister, s.accountMap, s.escrow, s.closing},
                  {AccountName(3), kLastDay, true, SuiteFolder().Path()}, nullptr);
  }
  state.counters["register"] = s.checkRegister.RecCount();
}

// Linux keeps the peak resident size of a process in /proc; writing 5 to clear_refs starts it
// again from the present size, so the fixture built before does not count. 0 elsewhere.
double StatusMegabytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024;
  }
  return 0;
}

// The peak resident size while the outstanding extraction runs over the 1,000,000 escrow lines
// (counter peak_MB; resident_before_MB is the process before the run).          aim: 64 MB
void OutstandingExtractionPeakMemory(benchmark::State& state) {
  const std::string folder = SuiteFolder().Path();
  Storage s(folder);
  const double before = StatusMegabytes("VmRSS");
  std::ofstream("/proc/self/clear_refs") << "5";
  for (auto _ : state) {
    RunExtraction({s.checkRegister, s.accountMap, s.escrow, s.closing},
                  {AccountName(3), kLastDay, true, folder}, nullptr);
  }
  state.counters["resident_before_MB"] = before;
  state.counters["peak_MB"] = StatusMegabytes("VmHWM");
}

void EscrowScan(benchmark::State& state) {
  dbf::Context context;
  auto table = dbf::Table::Open(context, SuiteFolder().Path() + "/zordis.dbf");
  const int account = table->FieldIndex("accountnr");
  const int amount = table->FieldIndex("amount");
  for (auto _ : state) {
    double sum = 0;
    for (table->Top(); !table->Eof(); table->Skip(1)) {
      sum += table->AsDouble(amount) + static_cast<double>(table->StoredText(account).size());
    }
    benchmark::DoNotOptimize(sum);
  }
}

const Folder& RegisterFolder() {
  static Folder folder;
  static bool made = false;
  if (made) return folder;
  fixtures::DataFolderRows rows;
  for (int i = 0; i < kRegisterChecks; ++i) {
    rows.checkRegister.push_back({"987654321", 100000 + i, kLastDay, i % 40 == 0 ? "02" : "00",
                                  12.5 + (i % 1000), "PAYEE NUMBER " + std::to_string(i % 211),
                                  "021000021"});
  }
  fixtures::BuildDataFolder(folder.Path(), rows);
  made = true;
  return folder;
}

void Export(benchmark::State& state) {
  Storage s(RegisterFolder().Path());
  s.checkRegister.Open();
  s.checkRegister.SetTag("date");
  const std::string pickup = RegisterFolder().Path() + "/pickup";
  const std::string saved = platform::CurrentFolder();
  for (auto _ : state) {
    CreatePositivePayFile(s.checkRegister, {kLastDay, RegisterFolder().Path(), pickup, {}});
  }
  platform::SetCurrentFolder(saved);
}

void PlainWrite(benchmark::State& state) {
  const std::string path = RegisterFolder().Path() + "/plain.txt";
  std::string bytes;
  for (int i = 0; i < kRegisterChecks; ++i) {
    bytes += "02/04/2024," + std::to_string(100000 + i) + ",\"PAYEE NUMBER " +
             std::to_string(i % 211) + "\"," + std::to_string(12 + (i % 1000)) + ".5\r\n";
  }
  bytes += "97500,1234567.50\r\n";
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    // The export copies its file into the pickup folder: so does the base.
    std::filesystem::copy_file(path, path + ".copy",
                               std::filesystem::copy_options::overwrite_existing);
  }
}

BENCHMARK(DateExtraction)->Unit(benchmark::kMillisecond);
BENCHMARK(DateExtractionNoChecks)->Unit(benchmark::kMillisecond);
BENCHMARK(DayRangeWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(OutstandingExtraction)->Unit(benchmark::kMillisecond);
BENCHMARK(EscrowScan)->Unit(benchmark::kMillisecond);
BENCHMARK(OutstandingExtractionPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Export)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainWrite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
