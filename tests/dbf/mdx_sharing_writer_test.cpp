// A writer of ours changes a shared index under an exclusive lock of one byte and writes its blocks
// before the file header, so for a while a tag may name a block the header does not count yet.
// A reader that meets that state while the writer holds its lock must wait for it and, when it
// does not let go in time, report the file as busy, never as damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/platform.h"
#include "dbf/mdx/blockstore.h"
#include "dbf/mdx/bytes.h"
#include "dbf/mdx/indexerror.h"
#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "mdx_sharing_support.h"
#include "support/other_process.h"
#include "support/temp_folder.h"

namespace volarin::dbf {
namespace {

using platform::File;
using sharingtest::MakeIndexedTable;
using sharingtest::NameOf;
using sharingtest::OpenShared;
using ::volarin::testing::OtherProcess;
using ::volarin::testing::TempFolder;

constexpr int kRecords = 2000;

// Another open of the index in the middle of a change that gave a tag a new root: the tag's
// header block names the root already, the file header does not count its block yet.
class HalfWrittenIndex {
 public:
  // `lock`: the open holds the update lock as our writers do; without it the state is what a
  // failed or foreign writer left behind.
  HalfWrittenIndex(const std::string& indexPath, const std::string& tagName, bool lock = true)
      : file_(File::Open(indexPath, File::Access::ReadWrite, File::Share::Shared)) {
    if (lock && !file_->TryLock(mdx::kUpdateLockOffset, 1)) {
      throw std::runtime_error("the update lock of the index is taken");
    }
    locked_ = lock;
    uint8_t header[mdx::kHeaderBytes];
    if (file_->ReadAt(0, header, sizeof header) != sizeof header) {
      throw std::runtime_error("the index header cannot be read");
    }
    const uint16_t tags = mdx::GetU16(header + mdx::kTagsInUseAt);
    for (uint16_t slot = 0; slot < tags; ++slot) {
      const uint8_t* entry = header + mdx::kTagTableAt + slot * mdx::kTagEntryLength;
      if (std::strncmp(reinterpret_cast<const char*>(entry + 4), tagName.c_str(), 11) == 0) {
        rootAt_ = static_cast<uint64_t>(mdx::GetU32(entry)) * mdx::kPageBytes;
      }
    }
    if (rootAt_ == 0) throw std::runtime_error("no tag " + tagName);
    file_->ReadAt(rootAt_, oldRoot_, sizeof oldRoot_);
    uint8_t newRoot[4];
    mdx::PutU32(newRoot, mdx::GetU32(header + mdx::kPagesInFileAt));
    file_->WriteAt(rootAt_, newRoot, sizeof newRoot);
  }
  ~HalfWrittenIndex() { Finish(); }

  // The change comes to an end (here by going back on it) and the lock is let go.
  void Finish() {
    if (finished_) return;
    finished_ = true;
    file_->WriteAt(rootAt_, oldRoot_, sizeof oldRoot_);
    if (locked_) file_->Unlock(mdx::kUpdateLockOffset, 1);
  }

 private:
  std::unique_ptr<File> file_;
  bool locked_ = false;
  bool finished_ = false;
  uint64_t rootAt_ = 0;
  uint8_t oldRoot_[4] = {};
};

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
    context.Configure().lockAttempts = 3;
    context.Configure().lockDelayMs = 1;
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
  context.Configure().lockAttempts = 3;
  context.Configure().lockDelayMs = 1;
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
  context.Configure().lockAttempts = 2;
  context.Configure().lockDelayMs = 1;
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
    context.Configure().lockAttempts = 3;
    context.Configure().lockDelayMs = 1;
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
  context.Configure().lockAttempts = 3;
  context.Configure().lockDelayMs = 1;
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
