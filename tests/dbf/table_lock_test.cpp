// Sharing a table: open modes, record and file locks, appends from two places at once. Two
// contexts in one process must exclude each other exactly as two processes do.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <thread>

#include "dbf/table.h"
#include "dbf_test_util.h"
#include "support/other_process.h"

namespace volarin::dbf {
namespace {

using testing::TempFolder;
using ::volarin::testing::OtherProcess;

// Few quick attempts: a lock held elsewhere fails fast in these tests.
Context QuickContext() {
  Context context;
  context.Configure().lockAttempts = 2;
  context.Configure().lockDelayMs = 5;
  return context;
}

// Another program's parts, played in a second process (argument 0: the table's path).

// Opens the table shared and locks record 2.
VPP_OTHER_PROCESS_ROLE(HoldRecordTwoLocked) {
  struct Holding {
    Context context = QuickContext();
    std::unique_ptr<Table> table;
  };
  auto holding = std::make_shared<Holding>();
  holding->table = Table::Open(holding->context, role.Argument(0));
  if (!holding->table->LockRecord(2)) return nullptr;
  return holding;
}

bool AppendMany(const std::string& path, const std::string& who, int count) {
  Context context;
  context.Configure().lockAttempts = 2000;
  context.Configure().lockDelayMs = 1;
  auto table = Table::Open(context, path);
  for (int i = 1; i <= count; ++i) {
    table->StartAppend();
    table->AssignNumber(0, i);
    table->AssignBytes(1, who);
    if (table->Append() != WriteResult::kOk) return false;
  }
  return true;
}

constexpr int kAppendsPerProcess = 200;

VPP_OTHER_PROCESS_ROLE(AppendAsChild) {
  return OtherProcess::Finished(AppendMany(role.Argument(0), "CHILD", kAppendsPerProcess));
}

constexpr int kAppendsWhileOpening = 3000;

// Tells once the table is open, then appends with the default lock settings.
VPP_OTHER_PROCESS_ROLE(AppendAfterTellingOpen) {
  Context context;
  auto table = Table::Open(context, role.Argument(0));
  role.Ready();
  for (int i = 1; i <= kAppendsWhileOpening; ++i) {
    table->StartAppend();
    table->AssignNumber(0, i);
    table->AssignBytes(1, "CHILD");
    if (table->Append() != WriteResult::kOk) return OtherProcess::Finished(false);
  }
  return OtherProcess::Finished(true);
}

class LockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Context context;
    auto table = Table::Create(context, path_, {{"ID", 'N', 6, 0}, {"WHO", 'C', 6, 0}});
    for (int i = 1; i <= 5; ++i) {
      table->StartAppend();
      table->AssignNumber(0, i);
      table->Append();
    }
  }
  TempFolder dir_;
  std::string path_ = dir_ / "shared.dbf";
};

TEST_F(LockTest, OpenModesWithinOneProcess) {
  Context a = QuickContext(), b = QuickContext();
  {
    auto first = Table::Open(a, path_);
    auto second = Table::Open(b, path_);  // shared opens coexist
    EXPECT_EQ(second->RecordCount(), 5u);
    EXPECT_THROW(Table::Open(b, path_, OpenOptions{true, false}), Error);
    EXPECT_EQ(b.ErrorCode(), kErrorOpen);
  }
  auto exclusive = Table::Open(a, path_, OpenOptions{true, false});
  EXPECT_THROW(Table::Open(b, path_), Error);
  EXPECT_THROW(Table::Open(b, path_, OpenOptions{false, true}), Error);
}

TEST_F(LockTest, CreatingOverAnOpenTableIsRefusedAndLeavesItIntact) {
  Context a = QuickContext(), b = QuickContext();
  auto open = Table::Open(a, path_);
  const std::string before = testing::ReadBytes(path_);
  EXPECT_THROW(Table::Create(b, path_, {{"X", 'C', 1, 0}}), Error);
  EXPECT_EQ(testing::ReadBytes(path_), before);
  open->Top();
  EXPECT_EQ(open->RecordCount(), 5u);
}

TEST_F(LockTest, RecordAndFileLocksWithinOneProcess) {
  Context a = QuickContext(), b = QuickContext();
  auto ta = Table::Open(a, path_);
  auto tb = Table::Open(b, path_);
  ASSERT_TRUE(ta->LockRecord(1));
  EXPECT_TRUE(ta->HoldsRecordLock(1));
  EXPECT_FALSE(tb->LockRecord(1));
  EXPECT_EQ(b.ErrorCode(), kErrorLock);
  EXPECT_TRUE(tb->LockRecord(2));
  // A record held elsewhere cannot be written; one we do not hold is locked for the write.
  tb->Go(1);
  tb->AssignBytes(1, "B");
  EXPECT_THROW(tb->Write(), LockError);
  tb->DiscardChanges();
  // The file lock conflicts with any record lock, both ways.
  EXPECT_FALSE(tb->LockFile());
  EXPECT_FALSE(ta->LockFile());  // b holds record 2
  tb->Unlock();
  ta->Unlock();
  ASSERT_TRUE(tb->LockFile());
  EXPECT_FALSE(ta->LockRecord(3));
  EXPECT_THROW(ta->AppendBlank(), LockError);  // appending needs the header byte
  EXPECT_EQ(ta->RecordCount(), 5u);
  tb->Unlock();
  EXPECT_TRUE(ta->LockRecord(1));
  ta->Go(1);
  ta->AssignBytes(1, "A");
  EXPECT_EQ(ta->Write(), WriteResult::kOk);
  ta->Unlock();
  // The other handle sees the change after re-reading the record.
  tb->Go(1);
  tb->Refresh();
  EXPECT_EQ(tb->StoredText(1), "A     ");
}

TEST_F(LockTest, RecordsKeptFromJumpsAreReadAgainByALockOrARefresh) {
  {
    // Far more records than one read-ahead block holds, so the jumps below land outside it.
    Context context;
    auto table = Table::Open(context, path_);
    for (int i = 6; i <= 20000; ++i) {
      table->StartAppend();
      table->AssignNumber(0, i);
      table->Append();
    }
  }
  Context a = QuickContext(), b = QuickContext();
  auto ta = Table::Open(a, path_);
  auto tb = Table::Open(b, path_);
  // Jumps about the end of the file: those records are kept in memory from here on.
  for (uint32_t recno : {19005u, 19002u, 19004u, 19001u, 19003u}) ASSERT_TRUE(ta->Go(recno));
  const auto change = [&](uint32_t recno, const char* text) {
    ASSERT_TRUE(tb->Go(recno));
    tb->AssignBytes(1, text);
    ASSERT_EQ(tb->Write(), WriteResult::kOk);
  };
  change(19003, "LOCKED");
  ASSERT_TRUE(ta->Go(19005));
  ASSERT_TRUE(ta->LockRecord(19003));
  ASSERT_TRUE(ta->Go(19003));
  EXPECT_EQ(ta->StoredText(1), "LOCKED");
  ta->Unlock();

  change(19001, "FRESH");
  ASSERT_TRUE(ta->Go(19001));
  ta->Refresh();
  EXPECT_EQ(ta->StoredText(1), "FRESH ");
  ASSERT_TRUE(ta->Go(19005));
  ASSERT_TRUE(ta->Go(19001));
  EXPECT_EQ(ta->StoredText(1), "FRESH ");  // the kept copy took the bytes read again

  // Our own write is what we read back.
  ASSERT_TRUE(ta->Go(19004));
  ta->AssignBytes(1, "OWN");
  ASSERT_EQ(ta->Write(), WriteResult::kOk);
  ASSERT_TRUE(ta->Go(19002));
  ASSERT_TRUE(ta->Go(19004));
  EXPECT_EQ(ta->StoredText(1), "OWN   ");
}

TEST_F(LockTest, AppendsOfOneHandleAreSeenByTheOther) {
  Context a, b;
  auto ta = Table::Open(a, path_);
  auto tb = Table::Open(b, path_);
  ASSERT_TRUE(tb->Go(5));
  ta->StartAppend();
  ta->AssignNumber(0, 6);
  ASSERT_EQ(ta->Append(), WriteResult::kOk);
  EXPECT_EQ(tb->RecordCount(), 5u);  // not yet looked
  // Skipping past what b knew as the last record finds the new one.
  ASSERT_EQ(tb->Skip(1), 1);
  EXPECT_EQ(tb->RecNo(), 6u);
  EXPECT_EQ(tb->RecordCount(), 6u);
  EXPECT_EQ(tb->AsInteger(0), 6);
  // b appends next: it must get number 7, not overwrite 6.
  tb->StartAppend();
  tb->AssignNumber(0, 7);
  tb->Append();
  EXPECT_EQ(tb->RecNo(), 7u);
  ta->Go(6);
  EXPECT_EQ(ta->AsInteger(0), 6);
  EXPECT_TRUE(ta->Go(7));
  EXPECT_EQ(ta->AsInteger(0), 7);
}

// A child that opens the table shared and locks record 2, then holds until released.
TEST_F(LockTest, ChildHoldsARecordLockAndASharedOpen) {
  OtherProcess child("HoldRecordTwoLocked", {path_});
  ASSERT_TRUE(child.WaitUntilHolding()) << "child failed to lock";

  Context context = QuickContext();
  EXPECT_THROW(Table::Open(context, path_, OpenOptions{true, false}), Error);
  auto table = Table::Open(context, path_);
  EXPECT_FALSE(table->LockRecord(2));
  EXPECT_TRUE(table->LockRecord(1));
  EXPECT_FALSE(table->LockFile());
  child.Release();
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_TRUE(table->LockRecord(2));
  EXPECT_TRUE(table->LockFile());
  table->Close();
  EXPECT_NO_THROW(Table::Open(context, path_, OpenOptions{true, false}));
}

// A lock held briefly elsewhere is had by retrying: attempts and delay come from the context.
TEST_F(LockTest, RetriesUntilAnotherProcessReleasesTheRecord) {
  OtherProcess child("HoldRecordTwoLocked", {path_});
  ASSERT_TRUE(child.WaitUntilHolding()) << "child failed to lock";
  std::thread releaseSoon([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    child.Release();  // the lock goes with the child's table
  });
  Context context;
  context.Configure().lockAttempts = 6000;  // up to half a minute on a very busy machine
  context.Configure().lockDelayMs = 5;
  auto table = Table::Open(context, path_);
  EXPECT_TRUE(table->LockRecord(2));
  releaseSoon.join();
  EXPECT_EQ(child.Wait(), 0);
}

// Two processes append at the same time: every record arrives once, none is overwritten.
TEST_F(LockTest, ConcurrentAppendsFromTwoProcesses) {
  const int perProcess = kAppendsPerProcess;
  OtherProcess child("AppendAsChild", {path_});
  EXPECT_TRUE(AppendMany(path_, "PARENT", perProcess));
  EXPECT_EQ(child.Wait(), 0);

  Context context;
  auto table = Table::Open(context, path_);
  EXPECT_EQ(table->RecordCount(), 5u + 2 * perProcess);
  std::set<std::pair<std::string, int64_t>> seen;
  for (table->Go(6); !table->Eof(); table->Skip()) {
    seen.emplace(std::string(table->StoredText(1)), table->AsInteger(0));
  }
  EXPECT_EQ(seen.size(), 2u * perProcess);
  EXPECT_TRUE(seen.count({"CHILD ", perProcess}));
  EXPECT_TRUE(seen.count({"PARENT", 1}));
  const std::string bytes = testing::ReadBytes(path_);
  EXPECT_EQ(bytes.size(), 32u + 64 + 1 + (5 + 2 * perProcess) * 13 + 1);
  EXPECT_EQ(bytes.back(), 0x1A);
}

// Opening a table while another process appends to it: the header may count a record the
// opener's earlier look at the file size did not include; that is growth, not damage.
TEST_F(LockTest, OpeningWhileAnotherProcessAppendsSeesAWholeTable) {
  const int appends = kAppendsWhileOpening;
  OtherProcess child("AppendAfterTellingOpen", {path_});
  ASSERT_TRUE(child.WaitUntilHolding());
  std::vector<std::string> errors;
  uint32_t lastCount = 0;
  for (int i = 0; i < 2000 && lastCount < 5u + appends; ++i) {
    try {
      Context context;
      auto table = Table::Open(context, path_, OpenOptions{false, true});
      EXPECT_GE(table->RecordCount(), lastCount);
      lastCount = table->RecordCount();
    } catch (const std::exception& e) {
      errors.push_back(e.what());
    }
  }
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_TRUE(errors.empty()) << errors.size() << " opens failed, the first: " << errors.front();
}

}  // namespace
}  // namespace volarin::dbf
