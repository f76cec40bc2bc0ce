// Records appended blank and filled in at once, as the register's refill writes them, on a table
// open exclusively: the keys of the blank record and of its filled-in values must end in each tag
// exactly as if every write had gone straight into the tags, whatever reads, older changes and
// key conditions come between.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "mdx_test_support.h"

namespace volarin::dbf {
namespace {

const std::vector<FieldSpec> kFields = {{"NAME", 'C', 24, 0}, {"N", 'N', 10, 0}};
// A plain tag, a descending numeric one and one with a key condition that a blank record fails.
const std::vector<TagSpec> kTags = {{"NAME", "NAME", "", false, false},
                                    {"NDOWN", "N", "", false, true},
                                    {"BIG", "NAME", "N>500", false, false}};

std::string NameOf(uint32_t value) {
  return "K" + std::to_string(value);
}

void Fill(Table& table, uint32_t value) {
  table.AssignBytes(0, NameOf(value));
  table.AssignNumber(1, value);
  ASSERT_EQ(table.Write(), WriteResult::kOk);
}

// The records of a tag in its order, walked from the top.
std::vector<uint32_t> Walk(Table& table, const char* tag) {
  EXPECT_TRUE(SelectTag(table, tag));
  std::vector<uint32_t> recnos;
  for (table.Top(); !table.Eof(); table.Skip()) recnos.push_back(table.RecNo());
  EXPECT_TRUE(SelectTag(table, ""));
  return recnos;
}

// The order a character tag must have: by key (a blank record's first), equal keys by record
// number; `condition` false leaves a record out.
template <typename Condition>
std::vector<uint32_t> ByName(const std::vector<uint32_t>& valueOf, Condition condition) {
  std::multimap<std::string, uint32_t> order;
  for (uint32_t recno = 1; recno < valueOf.size(); ++recno) {
    const uint32_t v = valueOf[recno];
    if (condition(v)) order.emplace(v == 0 ? std::string() : NameOf(v), recno);
  }
  std::vector<uint32_t> recnos;
  for (const auto& entry : order) recnos.push_back(entry.second);
  return recnos;
}

// Every tag against the values: NAME and BIG by record, NDOWN by the values it passes.
void ExpectTags(Table& table, const std::vector<uint32_t>& valueOf, const std::string& when) {
  EXPECT_EQ(Walk(table, "NAME"), ByName(valueOf, [](uint32_t) { return true; })) << when;
  EXPECT_EQ(Walk(table, "BIG"), ByName(valueOf, [](uint32_t v) { return v > 500; })) << when;
  std::vector<uint32_t> walked;
  for (uint32_t recno : Walk(table, "NDOWN")) walked.push_back(valueOf[recno]);
  std::vector<uint32_t> values(valueOf.begin() + 1, valueOf.end());
  std::sort(values.rbegin(), values.rend());
  EXPECT_EQ(walked, values) << when;
  EXPECT_EQ(CheckIndex(table), "") << when;
}

TEST(FilledAppends, TagsEndAsIfEveryWriteWentStraightIn) {
  mdxtest::TempFolder dir;
  Context context;
  CreateOptions options;
  options.open.exclusive = true;
  auto table = Table::Create(context, dir / "refill.dbf", kFields, options);
  CreateProductionIndex(*table, kTags);
  std::mt19937 random(2511);
  std::vector<uint32_t> valueOf(1, 0);  // 0: the record is still blank
  for (int step = 0; step < 5000; ++step) {
    const uint32_t what = random() % 100;
    const auto count = static_cast<uint32_t>(valueOf.size() - 1);
    // Values around the key condition's bound, many of them equal.
    const uint32_t value = 1 + random() % 1000;
    if (what < 60 || count == 0) {
      ASSERT_EQ(table->AppendBlank(), WriteResult::kOk);
      valueOf.push_back(0);
      if (what % 10 != 0) {  // now and then a blank record stays blank
        Fill(*table, value);
        valueOf.back() = value;
      }
    } else if (what < 72) {
      // The newest record changed again: its key may still wait among the gathered ones.
      ASSERT_TRUE(table->Go(count));
      Fill(*table, value);
      valueOf[count] = value;
    } else if (what < 80) {
      // An older record: the gathered keys must be put in before its key moves.
      const uint32_t recno = 1 + random() % count;
      ASSERT_TRUE(table->Go(recno));
      Fill(*table, value);
      valueOf[recno] = value;
    } else if (what < 90) {
      // A read between appends finds the newest record by its filled-in key.
      ASSERT_TRUE(SelectTag(*table, "NAME"));
      if (valueOf[count] != 0) {
        EXPECT_EQ(Seek(*table, NameOf(valueOf[count])), SeekOutcome::kFound) << "step " << step;
      }
      ASSERT_TRUE(SelectTag(*table, ""));
    } else if (what < 93) {
      ASSERT_EQ(CheckIndex(*table), "") << "step " << step;
    }
  }
  ExpectTags(*table, valueOf, "at the end");
  table->Close();
  Context again;
  auto reopened = Table::Open(again, dir / "refill.dbf", OpenOptions{true, false});
  OpenIndex(*reopened, ProductionIndexPath(dir / "refill.dbf"));
  ExpectTags(*reopened, valueOf, "after reopening");
}

}  // namespace
}  // namespace volarin::dbf
