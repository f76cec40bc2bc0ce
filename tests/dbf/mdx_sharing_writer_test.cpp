// A writer of ours changes a shared index under an exclusive lock of one byte and writes its blocks
// before the file header, so for a while a tag may name a block the header does not count yet.
// A reader that meets that state while the writer holds its lock must wait for it and, when it
// does not let go in time, report the file as busy, never as damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/platform.h"
#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/indexerror.h"
#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "mdx_sharing_support.h"
#include "support/half_written_index.h"
#include "support/other_process.h"
#include "support/temp_folder.h"

namespace volarin::dbf {
namespace {

using platform::File;
using sharingtest::MakeIndexedTable;
using sharingtest::NameOf;
using sharingtest::OpenShared;
using ::volarin::testing::HalfWrittenIndex;
using ::volarin::testing::OtherProcess;
using ::volarin::testing::TempFolder;

constexpr int kRecords = 2000;

// Lock waits that give up quickly, so the busy cases end fast.
void WaitBriefly(Context& context, int attempts) {
  context.Configure().lockAttempts = attempts;
  context.Configure().lockDelayMs = 1;
}

// The record numbers in the order of the NAME tag.
std::vector<uint32_t> ByName(int records) {
  std::vector<std::pair<std::string, uint32_t>> names;
  for (int i = 0; i < records; ++i) names.emplace_back(NameOf(i), static_cast<uint32_t>(i + 1));
  std::sort(names.begin(), names.end());
  std::vector<uint32_t> recnos;
  for (const auto& name : names) recnos.push_back(name.second);
  return recnos;
}

// The code of the IndexError the read raises, 0 when it raises none.
int ErrorCodeOf(const std::function<void()>& read, std::string& message) {
  try {
    read();
  } catch (const IndexError& e) {
    message = e.what();
    return e.Code();
  }
  return 0;
}

struct ReadCase {
  const char* what;
  const char* halfWrittenTag;
  // Puts the reader where it stands when the other open begins its change.
  std::function<void(Table&)> before;
  // The read that meets the half-written tag; the record it lands on.
  std::function<uint32_t(Table&)> read;
  uint32_t expected;
};

std::vector<ReadCase> ReadCases() {
  const std::vector<uint32_t> byName = ByName(kRecords);
  const auto select = [](const char* tag) {
    return [tag](Table& table) { ASSERT_TRUE(SelectTag(table, tag)); };
  };
  return {
      {"the first record of a tag", "NAME", select("NAME"),
       [](Table& table) {
         table.Top();
         return table.RecNo();
       },
       byName.front()},
      {"the last record of a tag", "N", select("N"),
       [](Table& table) {
         table.Bottom();
         return table.RecNo();
       },
       kRecords},
      {"a seek", "NAME", select("NAME"),
       [](Table& table) -> uint32_t {
         return Seek(table, NameOf(777)) == SeekOutcome::kFound ? table.RecNo() : 0;
       },
       778},
      // A read of another tag looked at the file again, so the walk's next step in this one
      // reads the tag afresh, without taking the read lock.
      {"a step of a walk", "NAME",
       [](Table& table) {
         ASSERT_TRUE(SelectTag(table, "NAME"));
         table.Top();
         table.Skip(3);
         ASSERT_TRUE(SelectTag(table, "N"));
         table.Top();
         ASSERT_EQ(table.RecNo(), 1u);
         ASSERT_TRUE(SelectTag(table, "NAME"));
       },
       [](Table& table) {
         table.Skip();
         return table.RecNo();
       },
       byName[static_cast<size_t>(std::find(byName.begin(), byName.end(), 1u) - byName.begin()) +
              1]},
  };
}

TEST(SharedIndexUnderAWriter, AReadMeetingItsHalfWrittenTreeReportsBusyAndSucceedsOnceItIsDone) {
  TempFolder dir;
  const std::string path = MakeIndexedTable(dir, kRecords);
  const std::string indexPath = ProductionIndexPath(path);
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(c.what);
    Context context;
    WaitBriefly(context, 3);
    auto table = OpenShared(context, path);
    c.before(*table);
    if (::testing::Test::HasFatalFailure()) return;

    HalfWrittenIndex writer(indexPath, c.halfWrittenTag);
    std::string message;
    EXPECT_EQ(ErrorCodeOf([&] { c.read(*table); }, message), kErrorLock) << message;
    EXPECT_NE(message.find(indexPath), std::string::npos) << message;
    EXPECT_NE(message.find("being changed by another user"), std::string::npos) << message;

    writer.Finish();
    EXPECT_EQ(c.read(*table), c.expected);
  }
}

TEST(SharedIndexUnderAWriter, ACheckWhileAWriterIsHalfWayReportsBusyAndFindsNoFaultOnceItIsDone) {
  TempFolder dir;
  const std::string path = MakeIndexedTable(dir, kRecords);
  const std::string indexPath = ProductionIndexPath(path);
  Context context;
  WaitBriefly(context, 3);
  auto table = OpenShared(context, path);
  HalfWrittenIndex writer(indexPath, "NAME");
  std::string fault;
  std::string message;
  EXPECT_EQ(ErrorCodeOf([&] { fault = CheckIndex(*table); }, message), kErrorLock)
      << "the check found: " << fault;
  EXPECT_NE(message.find("being changed by another user"), std::string::npos) << message;

  writer.Finish();
  EXPECT_EQ(CheckIndex(*table), "");
}

TEST(SharedIndexUnderAWriter, ReadsOfASoundFileGoOnWhileAnotherOpenHoldsTheLock) {
  TempFolder dir;
  const std::string path = MakeIndexedTable(dir, kRecords);
  Context context;
  WaitBriefly(context, 2);
  auto table = OpenShared(context, path);
  auto other = File::Open(ProductionIndexPath(path), File::Access::ReadWrite, File::Share::Shared);
  ASSERT_TRUE(other->TryLock(mdx::kUpdateLockOffset, 1));
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(c.what);
    c.before(*table);
    EXPECT_EQ(c.read(*table), c.expected);
  }
}

TEST(SharedIndexUnderAWriter, AHalfWrittenTreeThatNobodyIsChangingIsDamage) {
  TempFolder dir;
  const std::string path = MakeIndexedTable(dir, kRecords);
  const std::string indexPath = ProductionIndexPath(path);
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(c.what);
    Context context;
    WaitBriefly(context, 3);
    auto table = OpenShared(context, path);
    c.before(*table);
    if (::testing::Test::HasFatalFailure()) return;
    HalfWrittenIndex leftBehind(indexPath, c.halfWrittenTag, /*lock=*/false);
    std::string message;
    EXPECT_EQ(ErrorCodeOf([&] { c.read(*table); }, message), kErrorFormat) << message;
    EXPECT_NE(message.find("lies outside the file"), std::string::npos) << message;
  }
}

TEST(SharedIndexUnderAWriter, AnOpenMeetingAHalfWrittenTreeReportsBusyAndSucceedsOnceItIsDone) {
  TempFolder dir;
  const std::string path = MakeIndexedTable(dir, kRecords);
  const std::string indexPath = ProductionIndexPath(path);
  Context context;
  WaitBriefly(context, 3);
  HalfWrittenIndex writer(indexPath, "N");
  auto table = Table::Open(context, path, OpenOptions{false, false});
  std::string message;
  EXPECT_EQ(ErrorCodeOf([&] { OpenIndex(*table, indexPath); }, message), kErrorLock) << message;
  EXPECT_NE(message.find("being changed by another user"), std::string::npos) << message;

  writer.Finish();
  OpenIndex(*table, indexPath);
  ASSERT_TRUE(SelectTag(*table, "N"));
  table->Bottom();
  EXPECT_EQ(table->RecNo(), static_cast<uint32_t>(kRecords));
}

// Another program in the middle of a change: it holds the update lock over a half-written tag
// until the parent lets go, and comes to the end of its change a little later.
VPP_OTHER_PROCESS_ROLE(HoldIndexHalfWritten) {
  struct Finishing {
    explicit Finishing(const std::string& indexPath) : writer(indexPath, "N") {}
    ~Finishing() {
      platform::SleepMilliseconds(100);  // the parent is reading meanwhile, most likely
      writer.Finish();
    }
    HalfWrittenIndex writer;
  };
  return std::make_shared<Finishing>(role.Argument(0));
}

TEST(SharedIndexUnderAWriter, AReadWaitsForAnotherProcessToFinishItsChange) {
  TempFolder dir;
  const std::string path = MakeIndexedTable(dir, kRecords);
  Context context;
  // As patient as a writer on a loaded machine may need.
  context.Configure().lockAttempts = 4000;
  context.Configure().lockDelayMs = 5;
  auto table = OpenShared(context, path);
  ASSERT_TRUE(SelectTag(*table, "N"));

  OtherProcess child("HoldIndexHalfWritten", {ProductionIndexPath(path)});
  ASSERT_TRUE(child.WaitUntilHolding());
  child.Release();
  table->Bottom();
  EXPECT_EQ(table->RecNo(), static_cast<uint32_t>(kRecords));
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_EQ(CheckIndex(*table), "");
}

}  // namespace
}  // namespace volarin::dbf
