// Long random sequences of appends, edits, deletion marks and zaps on an indexed table: after
// every step the index agrees with the table, and at checkpoints an independent reader (Perl's
// XBase::Index) walks every tag to the same keys and record numbers as a sort of the records.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <sstream>

#include "dbf/mdx/tableindex.h"
#include "mdx_test_support.h"

namespace volarin::dbf {
namespace {

const std::vector<FieldSpec> kFields = {{"NAME", 'C', 80, 0},
                                        {"ACCT", 'C', 10, 0},
                                        {"AMOUNT", 'N', 12, 2},
                                        {"DUE", 'D', 8, 0},
                                        {"FLAG", 'L', 1, 0}};

const std::vector<TagSpec> kTags = {
    {"NAMEACCT", "NAME+ACCT", "", false, false},
    {"AMOUNT", "AMOUNT", "", false, false},
    {"DUE", "DUE", "", false, false},
    {"ACCTU", "ACCT", "", true, false},
    {"POSITIVE", "UPPER(NAME)", "AMOUNT > 0 .AND. .NOT. FLAG", false, false},
    {"DUED", "DTOS(DUE)+ACCT", "", false, true},
};

class RandomTable {
 public:
  explicit RandomTable(uint32_t seed) : random_(seed) {}

  void FillRandom(Table& table) {
    table.AssignBytes(0, "N" + std::to_string(random_() % 300) + std::string(random_() % 20, 'x'));
    table.AssignBytes(1, "A" + std::to_string(random_() % 500));
    table.AssignNumber(2, static_cast<double>(static_cast<int>(random_() % 200001) - 100000) / 100);
    if (random_() % 10 == 0) {
      table.AssignBlank(3);
    } else {
      table.AssignDate(3, *Date::FromYmd(2020, 1, 1) + static_cast<int>(random_() % 1500));
    }
    table.AssignLogical(4, random_() % 4 == 0);
  }

  void EditRandomField(Table& table) {
    switch (random_() % 4) {
      case 0:
        table.AssignBytes(0, "E" + std::to_string(random_() % 300));
        break;
      case 1:
        table.AssignBytes(1, "A" + std::to_string(random_() % 500));
        break;
      case 2:
        table.AssignNumber(2,
                           static_cast<double>(static_cast<int>(random_() % 20001) - 10000) / 10);
        break;
      default:
        table.AssignDate(3, *Date::FromYmd(2019, 6, 1) + static_cast<int>(random_() % 2000));
    }
  }

  uint32_t Next(uint32_t bound) { return static_cast<uint32_t>(random_() % bound); }

 private:
  std::mt19937 random_;
};

// Every tag of the file, as the independent reader walks it, against the records: a sort of
// (key, record number) for ordinary tags; for a unique tag, keys rising, each its record's.
void CompareWithIndependentReader(const mdxtest::TempFolder& dir, Table& table) {
  if (!::volarin::testing::kPerlReaderAvailable) return;  // the other checks still run
  ProductionIndex& index = *IndexOf(table);
  table.Flush();
  std::vector<std::vector<mdxtest::Entry>> expected(index.TagCount());
  std::vector<std::map<uint32_t, std::string>> keyOf(index.TagCount());
  RecordsOf(table)([&](const RecordView& record) {
    for (size_t t = 0; t < index.TagCount(); ++t) {
      if (!index.HasKey(t, record)) continue;
      expected[t].push_back({index.KeyOf(t, record), record.recno});
      keyOf[t][record.recno] = expected[t].back().key;
    }
  });
  for (size_t t = 0; t < index.TagCount(); ++t) {
    IndexTag& tag = index.Tag(t);
    SCOPED_TRACE(tag.Name());
    const std::string walked = mdxtest::ReadWithXBase(dir, index.Path(), tag.Name());
    std::istringstream lines(walked);
    std::vector<mdxtest::Entry> read;
    std::string hex;
    uint32_t recno;
    while (lines >> hex >> recno) {
      std::string key;
      for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        key += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
      }
      read.push_back({key, recno});
    }
    if (!tag.Definition().unique) {
      mdxtest::SortLikeTag(tag, expected[t]);
      ASSERT_EQ(read.size(), expected[t].size()) << walked.substr(0, 300);
      for (size_t i = 0; i < read.size(); ++i) {
        ASSERT_EQ(read[i].recno, expected[t][i].recno) << "entry " << i;
        ASSERT_EQ(mdxtest::Hex(read[i].key), mdxtest::Hex(expected[t][i].key)) << "entry " << i;
      }
      continue;
    }
    // One entry per key, each with its record's key (a key whose first record moved on may
    // be missing until a rebuild, as in dBASE).
    ASSERT_EQ(read.size(), mdxtest::Walk(tag).size());
    for (size_t i = 0; i < read.size(); ++i) {
      ASSERT_EQ(mdxtest::Hex(read[i].key), mdxtest::Hex(keyOf[t][read[i].recno])) << "entry " << i;
      if (i > 0) {
        ASSERT_LT(mdxtest::Hex(read[i - 1].key), mdxtest::Hex(read[i].key));
      }
    }
  }
}

TEST(RandomTableIndex, AgreesWithTheTableAndAnIndependentReaderThroughLongChanges) {
  mdxtest::TempFolder dir;
  Context context;
  context.Configure().uniqueMode = UniqueMode::kPassOver;
  CreateOptions options;
  options.open.exclusive = true;
  auto table = Table::Create(context, dir / "random.dbf", kFields, options);
  RandomTable random(20261210);
  for (int i = 0; i < 150; ++i) {
    table->StartAppend();
    random.FillRandom(*table);
    ASSERT_NE(table->Append(), WriteResult::kUniqueRefused);
  }
  // 90-byte keys make deep trees out of a few hundred records.
  CreateProductionIndex(*table, kTags);
  ASSERT_EQ(CheckIndex(*table), "");
  SelectTag(*table, "NAMEACCT");
  int tallest = 0;
  for (int step = 0; step < 2000; ++step) {
    const uint32_t what = random.Next(100);
    const uint32_t count = table->RecordCount();
    if (what < 45 || count == 0) {
      context.Configure().uniqueMode = random.Next(2) ? UniqueMode::kPassOver : UniqueMode::kRefuse;
      table->StartAppend();
      random.FillRandom(*table);
      const WriteResult result = table->Append();
      if (result == WriteResult::kUniqueRefused) {
        ASSERT_EQ(table->RecordCount(), count);
      }
    } else if (what < 80) {
      table->Go(1 + random.Next(count));
      random.EditRandomField(*table);
      if (table->Write() == WriteResult::kUniqueRefused) table->DiscardChanges();
    } else if (what < 92) {
      table->Go(1 + random.Next(count));
      if (table->Deleted()) {
        table->Recall();
      } else {
        table->Delete();
      }
      ASSERT_EQ(table->Write(), WriteResult::kOk);
    } else if (what < 94) {
      const uint32_t first = 1 + random.Next(count);
      table->Zap(first, first + random.Next(5));
    } else {
      // Walk a little in tag order: navigation must keep working between changes.
      table->Top();
      table->Skip(static_cast<int64_t>(random.Next(20)));
      table->Skip(-static_cast<int64_t>(random.Next(20)));
    }
    const std::string fault = CheckIndex(*table);
    ASSERT_EQ(fault, "") << "step " << step;
    tallest = std::max(tallest, IndexOf(*table)->Tag(0).Height());
    if (step % 500 == 499) CompareWithIndependentReader(dir, *table);
  }
  EXPECT_GE(tallest, 3);
  EXPECT_GT(table->RecordCount(), 400u);
  CompareWithIndependentReader(dir, *table);
  // A full zap leaves empty tags that still take new records.
  table->Zap(1, table->RecordCount());
  EXPECT_EQ(CheckIndex(*table), "");
  table->StartAppend();
  random.FillRandom(*table);
  table->Append();
  CompareWithIndependentReader(dir, *table);
}

}  // namespace
}  // namespace volarin::dbf
