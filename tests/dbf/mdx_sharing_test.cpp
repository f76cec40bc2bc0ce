// A production index shared with another program that changes it: reads in between its writes
// must not take the half-written tree for damage, and damage that stays is still reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dbf/mdx/indexerror.h"
#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "mdx_sharing_support.h"
#include "mdx_test_support.h"
#include "support/other_process.h"

namespace volarin::dbf {
namespace {

using sharingtest::MakeIndexedTable;
using sharingtest::NameOf;
using sharingtest::OpenShared;
using ::volarin::testing::OtherProcess;

constexpr int kAppends = 4000;

// Another program that tells once the indexed table is open, then appends to it.
VPP_OTHER_PROCESS_ROLE(AppendToIndexedTable) {
  Context context;
  context.Configure().lockAttempts = 5000;
  context.Configure().lockDelayMs = 1;
  auto table = OpenShared(context, role.Argument(0));
  role.Ready();
  for (int i = 50; i < 50 + kAppends; ++i) {
    table->StartAppend();
    table->AssignBytes(0, NameOf(i));
    table->AssignNumber(1, i);
    if (table->Append() != WriteResult::kOk) return OtherProcess::Finished(false);
  }
  table->Close();
  return OtherProcess::Finished(true);
}

TEST(SharedIndexReading, WalksAndSeeksWhileAnotherProcessAppendsMeetNoDamage) {
  mdxtest::TempFolder dir;
  const std::string path = MakeIndexedTable(dir, 50);
  const int appends = kAppends;
  OtherProcess child("AppendToIndexedTable", {path});
  ASSERT_TRUE(child.WaitUntilHolding());

  std::vector<std::string> errors;
  int rounds = 0;
  for (bool childDone = false; !childDone && rounds < 5000; ++rounds) {
    try {
      Context context;
      // As patient as the writer: a read that meets the writer half way waits for it, however
      // long a loaded machine keeps the writer from finishing.
      context.Configure().lockAttempts = 5000;
      context.Configure().lockDelayMs = 1;
      auto table = OpenShared(context, path);
      SelectTag(*table, "NAME");
      std::string previous;
      int walked = 0;
      for (table->Top(); !table->Eof() && walked < 300; table->Skip(), ++walked) {
        const std::string name(table->StoredText(0));
        EXPECT_LE(previous, name);  // still in key order
        previous = name;
      }
      Seek(*table, NameOf(rounds % 2000));
      SelectTag(*table, "N");
      table->Bottom();
    } catch (const std::exception& e) {
      errors.push_back(e.what());
    }
    childDone = child.Exited();
  }
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_TRUE(errors.empty()) << errors.size() << " of " << rounds
                              << " reads failed, the first: " << errors.front();

  Context context;
  auto table = OpenShared(context, path);
  EXPECT_EQ(table->RecordCount(), 50u + appends);
  EXPECT_EQ(CheckIndex(*table), "");
}

// Another program that gives record 1 a key above every other, in place: no block is added or
// freed, so the index file's header stays as it was.
VPP_OTHER_PROCESS_ROLE(RenameFirstRecord) {
  Context context;
  auto table = OpenShared(context, role.Argument(0));
  table->Go(1);
  table->AssignBytes(0, role.Argument(1));
  const bool written = table->Write() == WriteResult::kOk;
  table->Close();
  return OtherProcess::Finished(written);
}

std::string HeaderWithoutDate(const std::string& indexPath) {
  std::string header = mdxtest::ReadBytes(indexPath).substr(0, 2048);
  header.replace(44, 3, 3, '\0');  // the date of the last change
  return header;
}

TEST(SharedIndexReading, AChangeThatLeavesTheHeaderAsItWasIsSeenByTheNextSeek) {
  mdxtest::TempFolder dir;
  const std::string path = MakeIndexedTable(dir, 300);
  const std::string indexPath = ProductionIndexPath(path);
  Context context;
  auto table = OpenShared(context, path);
  ASSERT_TRUE(SelectTag(*table, "NAME"));
  // Every block of the tag is read and cached before the other program's change.
  int walked = 0;
  for (table->Top(); !table->Eof(); table->Skip()) ++walked;
  ASSERT_EQ(walked, 300);
  EXPECT_EQ(Seek(*table, "ZZZ"), SeekOutcome::kEndOfFile);
  const std::string before = HeaderWithoutDate(indexPath);

  OtherProcess child("RenameFirstRecord", {path, "ZZZ"});
  ASSERT_EQ(child.Wait(), 0);
  ASSERT_EQ(HeaderWithoutDate(indexPath), before) << "the change was meant to leave the header";

  EXPECT_EQ(Seek(*table, "ZZZ"), SeekOutcome::kFound);
  EXPECT_EQ(table->RecNo(), 1u);
  table->Bottom();
  EXPECT_EQ(table->RecNo(), 1u);
  table->Top();
  EXPECT_NE(table->RecNo(), 1u);
  walked = 0;
  for (table->Top(); !table->Eof(); table->Skip()) ++walked;
  EXPECT_EQ(walked, 300);
}

// A read in one tag re-reads the file's header and that tag only; every other tag is read again
// when its turn comes, even by a step of a walk, which does not look at the file again.
TEST(SharedIndexReading, ATagLeftAloneDuringAnotherTagsReadIsReadAgainWhenNextUsed) {
  mdxtest::TempFolder dir;
  const std::string path = MakeIndexedTable(dir, 50);
  Context context;
  auto table = OpenShared(context, path);
  ASSERT_TRUE(SelectTag(*table, "N"));
  table->Bottom();
  ASSERT_EQ(table->RecNo(), 50u);
  ASSERT_TRUE(SelectTag(*table, "NAME"));
  table->Top();

  // The other program's appends give both tags new roots and more levels.
  OtherProcess child("AppendToIndexedTable", {path});
  ASSERT_TRUE(child.WaitUntilHolding());
  ASSERT_EQ(child.Wait(), 0);

  EXPECT_EQ(Seek(*table, NameOf(3000)), SeekOutcome::kFound);
  EXPECT_EQ(table->RecNo(), 3001u);
  ASSERT_TRUE(SelectTag(*table, "N"));
  ASSERT_TRUE(table->Go(1001));
  table->Skip();
  EXPECT_EQ(table->RecNo(), 1002u);
  table->Skip(-2);
  EXPECT_EQ(table->RecNo(), 1000u);
  table->Bottom();
  EXPECT_EQ(table->RecNo(), 50u + kAppends);
  EXPECT_EQ(CheckIndex(*table), "");
}

TEST(SharedIndexReading, DamageThatStaysIsReportedAfterTheTries) {
  mdxtest::TempFolder dir;
  const std::string path = MakeIndexedTable(dir, 3000);
  Context context;
  context.Configure().lockAttempts = 3;
  context.Configure().lockDelayMs = 1;
  auto table = OpenShared(context, path);
  ASSERT_TRUE(SelectTag(*table, "NAME"));
  // The file loses its second half for good, as no writer in progress would leave it.
  const std::string indexPath = ProductionIndexPath(path);
  std::filesystem::resize_file(indexPath, std::filesystem::file_size(indexPath) / 2);
  try {
    table->Top();
    FAIL() << "a truncated index was read without an error";
  } catch (const IndexError& e) {
    EXPECT_NE(std::string(e.what()).find(indexPath), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("truncated"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace volarin::dbf
