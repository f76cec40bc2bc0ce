// Appends to a table open exclusively with its index: every read between them finds every
// record appended so far, in every tag; a change of a record whose key is not yet in its tag
// moves the key; and a process that dies between syncs leaves table and index as the last
// sync left them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "mdx_test_support.h"
#include "support/other_process.h"

namespace volarin::dbf {
namespace {

using ::volarin::testing::OtherProcess;

const std::vector<FieldSpec> kFields = {{"NAME", 'C', 24, 0}, {"N", 'N', 10, 0}};
const std::vector<TagSpec> kTags = {{"NAME", "NAME", "", false, false},
                                    {"NDOWN", "N", "", false, true}};

std::string NameOf(uint32_t value) {
  return "K" + std::to_string(value);
}

std::unique_ptr<Table> CreateIndexed(Context& context, const std::string& path) {
  CreateOptions options;
  options.open.exclusive = true;
  auto table = Table::Create(context, path, kFields, options);
  CreateProductionIndex(*table, kTags);
  return table;
}

void AppendRecord(Table& table, uint32_t value) {
  table.StartAppend();
  table.AssignBytes(0, NameOf(value));
  table.AssignNumber(1, value);
  ASSERT_EQ(table.Append(), WriteResult::kOk);
}

TEST(ExclusiveAppends, EveryReadBetweenAppendsFindsWhatWasAppended) {
  mdxtest::TempFolder dir;
  Context context;
  auto table = CreateIndexed(context, dir / "appends.dbf");
  std::mt19937 random(1412);
  std::multimap<std::string, uint32_t> byName;  // the model of the NAME tag
  std::vector<uint32_t> valueOf(1, 0);
  for (int step = 0; step < 6000; ++step) {
    const uint32_t what = random() % 100;
    const uint32_t count = table->RecordCount();
    if (what < 80 || count == 0) {
      // Falling, rising and scattered keys, so the gathered keys are put in out of order.
      const uint32_t value = step % 3 == 0 ? 900000 - step : random() % 50000;
      AppendRecord(*table, value);
      byName.emplace(NameOf(value), table->RecNo());
      valueOf.push_back(value);
    } else if (what < 88) {
      // The newest records: their keys may still wait to be put in.
      const uint32_t recno = count - random() % std::min<uint32_t>(count, 20);
      ASSERT_TRUE(SelectTag(*table, "NAME"));
      ASSERT_EQ(Seek(*table, NameOf(valueOf[recno])), SeekOutcome::kFound) << "step " << step;
      EXPECT_EQ(table->RecNo(), byName.find(NameOf(valueOf[recno]))->second) << "step " << step;
      EXPECT_EQ(HeldKey(*table).substr(0, NameOf(valueOf[recno]).size()), NameOf(valueOf[recno]));
      ASSERT_TRUE(SelectTag(*table, ""));
    } else if (what < 93) {
      // A change of a new record's key: its old key must leave the tag.
      const uint32_t recno = count - random() % std::min<uint32_t>(count, 5);
      const uint32_t value = 1000000 + static_cast<uint32_t>(step);
      ASSERT_TRUE(table->Go(recno));
      table->AssignBytes(0, NameOf(value));
      table->AssignNumber(1, value);
      ASSERT_EQ(table->Write(), WriteResult::kOk);
      for (auto it = byName.begin(); it != byName.end(); ++it) {
        if (it->second == recno) {
          byName.erase(it);
          break;
        }
      }
      byName.emplace(NameOf(value), recno);
      valueOf[recno] = value;
    } else if (what < 97) {
      // The highest value comes first in the descending tag, the lowest name first in NAME.
      ASSERT_TRUE(SelectTag(*table, "NDOWN"));
      table->Top();
      const uint32_t highest = *std::max_element(valueOf.begin() + 1, valueOf.end());
      EXPECT_EQ(static_cast<uint32_t>(table->AsInteger(1)), highest) << "step " << step;
      ASSERT_TRUE(SelectTag(*table, "NAME"));
      table->Top();
      EXPECT_EQ(table->RecNo(), byName.begin()->second) << "step " << step;
      ASSERT_TRUE(SelectTag(*table, ""));
    } else {
      ASSERT_EQ(CheckIndex(*table), "") << "step " << step;
    }
  }
  // A whole walk of the tag meets every record once, in the model's order.
  ASSERT_TRUE(SelectTag(*table, "NAME"));
  auto expected = byName.begin();
  size_t walked = 0;
  for (table->Top(); !table->Eof(); table->Skip(), ++walked, ++expected) {
    ASSERT_NE(expected, byName.end());
    EXPECT_EQ(table->RecNo(), expected->second) << "entry " << walked;
  }
  EXPECT_EQ(walked, byName.size());
  table->Close();
  Context again;
  auto reopened = Table::Open(again, dir / "appends.dbf", OpenOptions{true, false});
  OpenIndex(*reopened, ProductionIndexPath(dir / "appends.dbf"));
  EXPECT_EQ(CheckIndex(*reopened), "");
}

constexpr uint32_t kSyncedAppends = 3000;
constexpr uint32_t kDiedAppends = 5000;

// Appends, syncs, appends more and dies without closing anything, as a killed process does.
VPP_OTHER_PROCESS_ROLE(AppendSyncAppendAndDie) {
  Context context;
  auto table = Table::Open(context, role.Argument(0), OpenOptions{true, false});
  OpenIndex(*table, ProductionIndexPath(role.Argument(0)));
  uint32_t value = 7;
  for (uint32_t i = 0; i < kSyncedAppends; ++i) {
    AppendRecord(*table, value = value * 7919 % 100003);
  }
  table->Sync();
  for (uint32_t i = 0; i < kDiedAppends; ++i) {
    AppendRecord(*table, value = value * 7919 % 100003);
  }
  std::_Exit(42);
}

TEST(ExclusiveAppends, AProcessThatDiesBetweenSyncsLeavesWhatTheSyncLeft) {
  mdxtest::TempFolder dir;
  const std::string path = dir / "killed.dbf";
  {
    Context context;
    auto table = CreateIndexed(context, path);
    for (uint32_t i = 1; i <= 100; ++i) AppendRecord(*table, i);
  }
  OtherProcess child("AppendSyncAppendAndDie", {path});
  ASSERT_EQ(child.Wait(), 42);
  // Records appended after the sync may lie past the count; the count and the index are the
  // sync's, and agree.
  Context context;
  auto table = Table::Open(context, path, OpenOptions{true, false});
  OpenIndex(*table, ProductionIndexPath(path));
  EXPECT_EQ(table->RecordCount(), 100 + kSyncedAppends);
  EXPECT_EQ(CheckIndex(*table), "");
  // And the table goes on: new records get the numbers after the count, keys and all.
  AppendRecord(*table, 123456789);
  EXPECT_EQ(table->RecNo(), 101 + kSyncedAppends);
  EXPECT_EQ(CheckIndex(*table), "");
  ASSERT_TRUE(SelectTag(*table, "NDOWN"));
  table->Top();
  EXPECT_EQ(table->RecNo(), 101 + kSyncedAppends);
}

}  // namespace
}  // namespace volarin::dbf
