// Two programs recording into one data folder at once, from a folder with no history yet:
// every submission lands once, with its own id and exactly its own checks.
#include <gtest/gtest.h>

#include <set>

#include "history/historystore.h"
#include "history_test_support.h"
#include "support/other_process.h"
#include "support/temp_folder.h"

namespace volarin::history {
namespace {

using namespace testing;
using ::volarin::testing::OtherProcess;

constexpr int kSubmissionsEach = 24;

// The checks of submission n of one program: their numbers tell the program and n.
std::vector<SentCheck> ChecksFor(const std::string& bank, int n) {
  std::vector<SentCheck> checks;
  for (int i = 0; i <= n % 4; ++i) {
    checks.push_back(Check(n * 100 + i, std::to_string(n) + ".0" + std::to_string(i), "00",
                           "PAYEE " + bank, Day(2005, 3, 15), bank));
  }
  return checks;
}

void RecordAll(const std::string& dataDir, const std::string& bank) {
  HistoryStore store(dataDir);
  for (int n = 1; n <= kSubmissionsEach; ++n) {
    Submission s = Sending(bank, Day(2005, 3, 15) + n);
    s.startingCheckNumber = n;
    store.Record(s, ChecksFor(bank, n));
  }
}

VPP_OTHER_PROCESS_ROLE(RecordSubmissions) {
  role.Ready();
  RecordAll(role.Argument(0), "OTHER");
  return OtherProcess::Finished(true);
}

TEST(HistorySharing, TwoProgramsRecordingAtOnceLoseAndDuplicateNothing) {
  ::volarin::testing::TempFolder folder;
  OtherProcess other("RecordSubmissions", {folder.Path()});
  ASSERT_TRUE(other.WaitUntilHolding());
  RecordAll(folder.Path(), "OURS");
  EXPECT_EQ(other.Wait(), 0);

  HistoryStore store(folder.Path());
  const std::vector<Submission> all = store.Submissions();
  ASSERT_EQ(all.size(), 2u * kSubmissionsEach);
  std::set<int64_t> ids;
  std::set<std::pair<std::string, int64_t>> sendings;
  for (const Submission& s : all) {
    ids.insert(s.id);
    sendings.insert({s.bankAccount, s.startingCheckNumber});
    EXPECT_EQ(store.ChecksOf(s.id),
              WithId(ChecksFor(s.bankAccount, static_cast<int>(s.startingCheckNumber)), s.id))
        << s.bankAccount << " " << s.startingCheckNumber;
  }
  EXPECT_EQ(ids.size(), all.size());
  EXPECT_EQ(*ids.begin(), 1);
  EXPECT_EQ(*ids.rbegin(), 2 * kSubmissionsEach);
  EXPECT_EQ(sendings.size(), all.size());
  EXPECT_EQ(store.Submissions("OTHER").size(), static_cast<size_t>(kSubmissionsEach));
}

}  // namespace
}  // namespace volarin::history
