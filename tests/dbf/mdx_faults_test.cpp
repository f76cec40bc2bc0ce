// A table and its index when a write fails at flush or close: nothing written is lost unseen, the
// failure is reported with its file and cause, and a later flush writes what was left.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace volarin::dbf
