// A write of the history failed or cut off at every point it reaches the disk: the history then
// holds the new submission whole or not at all, never checks without it, and the next writer
// records the next one right.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/errors.h"
#include "history/historystore.h"
#include "history_test_support.h"
#include "support/fault_sweep.h"
#include "support/temp_folder.h"

namespace volarin::history {
namespace {

using namespace testing;
using namespace ::volarin::testing;
namespace fs = std::filesystem;

const std::vector<SentCheck> kEarlier = {Check(1001, "500.00"), Check(1002, "20.00", "02")};
const std::vector<SentCheck> kNew = {Check(1002, "20.00", "00"), Check(1003, "3.00"),
                                     Check(1004, "4.00")};
const std::vector<SentCheck> kAfter = {Check(1005, "5.00")};

class HistoryFaults : public ::testing::TestWithParam<bool> {
 protected:
  // With the history present, or from a folder that has none yet.
  bool Earlier() const { return GetParam(); }

  void Reset() {
    for (const auto& entry : fs::directory_iterator(folder.Path())) fs::remove(entry.path());
    if (Earlier()) store.Record(Sending("1234567", Day(2005, 3, 14)), kEarlier);
  }
  void RecordNew() { store.Record(Sending("1234567", Day(2005, 3, 15), 3), kNew); }

  // The earlier submission as it was; the new one whole or missing. Returns whether it landed.
  bool ExpectConsistent(const std::string& where) {
    const std::vector<Submission> all = store.Submissions();
    const size_t earlier = Earlier() ? 1 : 0;
    EXPECT_GE(all.size(), earlier) << where;
    EXPECT_LE(all.size(), earlier + 1) << where;
    if (Earlier()) {
      EXPECT_EQ(store.ChecksOf(1), WithId(kEarlier, 1)) << where;
    }
    const bool landed = all.size() == earlier + 1;
    const auto sent = store.LastSentChecks("1234567", {1002, 1003, 1004});
    if (landed) {
      EXPECT_EQ(store.ChecksOf(all[0].id), WithId(kNew, all[0].id)) << where;
      EXPECT_EQ(sent.size(), 3u) << where;
    } else {
      EXPECT_EQ(sent.size(), Earlier() ? 1u : 0u) << where;
      if (Earlier()) {
        EXPECT_EQ(sent.at(1002).statusCode, "02") << where;
      }
    }
    return landed;
  }

  void ExpectNextRecordedRight(const std::string& where) {
    const int64_t id = store.Record(Sending("1234567", Day(2005, 3, 16)), kAfter);
    EXPECT_EQ(store.ChecksOf(id), WithId(kAfter, id)) << where;
    EXPECT_EQ(store.Submissions().at(0).id, id) << where;
    for (const Submission& s : store.Submissions()) {
      EXPECT_FALSE(store.ChecksOf(s.id).empty()) << where;
    }
  }

  TempFolder folder;
  HistoryStore store{folder.Path()};
};

TEST_P(HistoryFaults, EveryWritePointFailedOrCutOffLeavesTheHistoryWholeOrWithout) {
  Reset();
  const std::vector<faults::Seen> points = WritePoints([&] { RecordNew(); });
  ASSERT_GE(points.size(), 4u);
  for (int n = 1; n <= static_cast<int>(points.size()); ++n) {
    const std::string where = PointName(points, n);
    for (const faults::Fault fault : kFailures) {
      Reset();
      const auto message = FailAt(n, fault, [&] { RecordNew(); });
      ASSERT_TRUE(message) << where;
      EXPECT_NE(message->find(CauseText(fault)), std::string::npos) << *message;
      ExpectConsistent(where);
      ExpectNextRecordedRight(where);
    }
    if (!kCutOffInChild) continue;
    Reset();
    EXPECT_TRUE(StoppedInChildAfter(n, [&] { RecordNew(); })) << where;
    ExpectConsistent(where + " then stopped");
    ExpectNextRecordedRight(where + " then stopped");
  }
}

INSTANTIATE_TEST_SUITE_P(FromEmptyAndWithHistory, HistoryFaults, ::testing::Bool());

}  // namespace
}  // namespace volarin::history
