// A table and its index when a write fails at flush or close: nothing written is lost unseen, the
// failure is reported with its file and cause, and a later flush writes what was left.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "dbf/mdx/tableindex.h"
#include "support/fault_sweep.h"
#include "support/temp_folder.h"

namespace volarin::dbf {
namespace {

using testing::FailAt;
using testing::TempFolder;
namespace faults = platform::faults;

constexpr int kRecords = 400;  // enough keys for several index blocks

// Exclusive, as the program holds its register: appends and index blocks wait in memory for the
// flush.
std::unique_ptr<Table> TableWithRecords(Context& context, const std::string& path) {
  context.Configure().exclusive = true;
  auto table = Table::Create(context, path, {{"CHECKNO", 'N', 10, 0}, {"PAYEE", 'C', 30, 0}});
  CreateProductionIndex(*table, {{"CHECKNO", "CHECKNO", "", false, false},
                                 {"PAYEE", "UPPER(PAYEE)", "", false, false}});
  table->Flush();
  for (int i = 0; i < kRecords; ++i) {
    table->StartAppend();
    table->AssignNumber(0, (i * 7919) % 100000);
    table->AssignBytes(1, "PAYEE " + std::to_string(i));
    table->Append();
  }
  return table;
}

// Opens the table again and checks it holds every record and an index that agrees.
void ExpectComplete(const std::string& path, const std::string& when) {
  Context context;
  auto table = Table::Open(context, path);
  OpenIndex(*table, ProductionIndexPath(path));
  EXPECT_EQ(table->RecordCount(), static_cast<uint32_t>(kRecords)) << when;
  EXPECT_EQ(CheckIndex(*table), "") << when;
}

TEST(TableFaults, AFailedFlushIsReportedAndWhatItLeftIsWrittenAtClose) {
  for (int n = 1;; ++n) {
    TempFolder dir;
    const std::string path = dir / "checks.dbf";
    Context context;
    auto table = TableWithRecords(context, path);
    const auto message = FailAt(n, faults::Fault::kDiskFull, [&] { table->Flush(); });
    if (!message) break;  // n is past the flush's last write point
    const std::string when = "write point " + std::to_string(n);
    EXPECT_NE(message->find("No space left on device"), std::string::npos) << when;
    EXPECT_NE(message->find(dir.Path()), std::string::npos) << *message;
    context.ClearError();
    ASSERT_NO_THROW(table->Close()) << when;
    ExpectComplete(path, when);
    ASSERT_LT(n, 200) << "the flush never stopped failing";
  }
}

TEST(TableFaults, AFailedWriteAtCloseIsReportedNotSwallowed) {
  for (int n = 1;; ++n) {
    TempFolder dir;
    Context context;
    auto table = TableWithRecords(context, dir / "checks.dbf");
    const auto message = FailAt(n, faults::Fault::kIoError, [&] { table->Close(); });
    if (!message) break;
    EXPECT_NE(message->find("Input/output error"), std::string::npos) << *message;
    EXPECT_FALSE(table->IsOpen());
    ASSERT_LT(n, 200);
  }
}

// Whatever change of the file fails (a record written, the file cut by a zap, the sync), the
// caller gets the table's write error, and the context keeps its code.
TEST(TableFaults, EveryFailedFileChangeIsTheTablesWriteErrorAndStaysInTheContext) {
  struct Case {
    const char* name;
    faults::Operation operation;
    std::function<void(Table&)> work;
  };
  const std::vector<Case> cases = {
      {"write", faults::Operation::kWrite,
       [](Table& t) {
         t.Go(2);
         t.AssignNumber(0, 77);
         t.Write();
       }},
      {"zap", faults::Operation::kTruncate, [](Table& t) { t.Zap(1, 1); }},
      {"sync", faults::Operation::kSync, [](Table& t) { t.Sync(); }},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    const std::string path = dir / "checks.dbf";
    Context context;
    context.Configure().exclusive = true;
    auto table = Table::Create(context, path, {{"CHECKNO", 'N', 10, 0}});
    for (int i = 0; i < 3; ++i) table->AppendBlank();
    table->Flush();
    // The first point of the wanted kind, found on a copy of the table.
    const std::string copy = dir / "copy.dbf";
    table->Close();
    testing::WriteBytes(copy, testing::ReadBytes(path));
    int point = 0;
    {
      Context counting;
      counting.Configure().exclusive = true;
      auto other = Table::Open(counting, copy);
      const auto seen = testing::WritePoints([&] { c.work(*other); });
      for (size_t i = 0; i < seen.size() && point == 0; ++i) {
        if (seen[i].operation == c.operation) point = static_cast<int>(i) + 1;
      }
    }
    ASSERT_NE(point, 0) << c.name;
    table = Table::Open(context, path);
    faults::ArmedScope armed;
    faults::InjectAt(point, faults::Fault::kIoError);
    try {
      c.work(*table);
      ADD_FAILURE() << c.name << ": the failure was not reported";
    } catch (const Error& e) {
      EXPECT_EQ(e.Code(), kErrorWrite) << c.name;
      EXPECT_EQ(context.ErrorCode(), kErrorWrite) << c.name;
    } catch (const std::exception& e) {
      ADD_FAILURE() << c.name << ": reported as another error: " << e.what();
    }
  }
}

}  // namespace
}  // namespace volarin::dbf
