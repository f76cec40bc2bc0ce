// The B-tree under long random sequences of inserts and removals, checked after every step.
#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "dbf/mdx/indexerror.h"
#include "mdx_test_support.h"

namespace volarin::dbf {
namespace {

using mdxtest::Entry;

struct TreeCase {
  const char* label;
  KeyType type;
  int keyLength;
  bool unique;
  bool descending;
  uint16_t blockPages;
  int keyDomain;  // distinct key values drawn from; small domains give many duplicates
  int steps;
};

std::string MakeKey(KeyType type, int keyLength, int value) {
  switch (type) {
    case KeyType::Numeric:
      return NumericKeyFromText(std::to_string(value - 500) + "." + std::to_string(value % 7));
    case KeyType::Date:
      return DateKey(*Date::FromYmd(1990, 1, 1) + value);
    case KeyType::Character:
      break;
  }
  return CharacterKey("K" + std::to_string(value * 7919 % 100003), keyLength);
}

std::unique_ptr<MdxFile> CreateWithTag(const std::string& path, const TreeCase& c) {
  TagDefinition def;
  def.name = "T";
  def.keyExpression = "X";
  def.type = c.type;
  def.keyLength = c.keyLength;
  def.unique = c.unique;
  def.descending = c.descending;
  MdxCreateOptions options;
  options.tableName = "t";
  options.blockPages = c.blockPages;
  return MdxFile::Create(path, {def}, options);
}

class RandomTree : public ::testing::TestWithParam<TreeCase> {};

TEST_P(RandomTree, StaysConsistentThroughSplitsAndRemovals) {
  const TreeCase& c = GetParam();
  mdxtest::TempFolder dir;
  const std::string path = dir / "t.mdx";
  auto file = CreateWithTag(path, c);
  IndexTag* tag = &file->Tag(0);
  std::mt19937 random(20261210);
  std::vector<Entry> model;
  uint32_t nextRecno = 1;
  int tallest = 0;
  for (int step = 0; step < c.steps; ++step) {
    // Grow for the first two thirds, then shrink, so the tree also loses levels again.
    const int insertPercent = step < c.steps * 2 / 3 ? 70 : 25;
    if (model.empty() || static_cast<int>(random() % 100) < insertPercent) {
      const std::string key =
          MakeKey(c.type, c.keyLength, static_cast<int>(random() % c.keyDomain));
      const uint32_t recno = nextRecno++;
      const bool held =
          std::any_of(model.begin(), model.end(), [&](const Entry& e) { return e.key == key; });
      const InsertResult result = tag->Insert(key, recno);
      if (c.unique && held) {
        ASSERT_EQ(result, InsertResult::UniqueConflict) << "step " << step;
      } else {
        ASSERT_EQ(result, InsertResult::Inserted) << "step " << step;
        model.push_back({key, recno});
      }
    } else {
      const size_t victim = random() % model.size();
      ASSERT_TRUE(tag->Remove(model[victim].key, model[victim].recno)) << "step " << step;
      ASSERT_FALSE(tag->Remove(model[victim].key, model[victim].recno)) << "step " << step;
      model.erase(model.begin() + static_cast<long>(victim));
    }
    tallest = std::max(tallest, tag->Height());
    ASSERT_EQ(file->Check(), "") << "step " << step;
    if (step % 97 == 0 || step == c.steps - 1) {
      mdxtest::SortLikeTag(*tag, model);
      ASSERT_TRUE(mdxtest::SameEntries(mdxtest::Walk(*tag), model)) << "step " << step;
      ASSERT_TRUE(mdxtest::SameEntries(mdxtest::WalkBackwards(*tag), model)) << "step " << step;
    }
  }
  EXPECT_GE(tallest, 3);

  // What was written reads back the same from the file.
  file.reset();
  file = mdxtest::OpenForWriting(path);
  tag = &file->Tag(0);
  mdxtest::SortLikeTag(*tag, model);
  EXPECT_TRUE(mdxtest::SameEntries(mdxtest::Walk(*tag), model));
  EXPECT_EQ(file->Check(), "");
  for (const Entry& e : model) {
    TagCursor cursor(*tag);
    ASSERT_EQ(cursor.Seek(e.key), SeekResult::Found);
    ASSERT_TRUE(cursor.SeekEntry(e.key, e.recno));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, RandomTree,
    ::testing::Values(
        TreeCase{"LongCharacter", KeyType::Character, 100, false, false, 2, 400, 2500},
        TreeCase{"DescendingCharacter", KeyType::Character, 90, false, true, 2, 300, 2500},
        TreeCase{"UniqueCharacter", KeyType::Character, 100, true, false, 2, 5000, 2500},
        TreeCase{"ManyDuplicates", KeyType::Character, 100, false, false, 2, 5, 2500},
        TreeCase{"NumericSmallBlocks", KeyType::Numeric, 12, false, false, 1, 3000, 4500},
        TreeCase{"DescendingNumeric", KeyType::Numeric, 12, false, true, 1, 3000, 4500},
        TreeCase{"DateSmallBlocks", KeyType::Date, 8, false, false, 1, 4000, 9000}),
    [](const ::testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.label); });

TagDefinition WideTag(const char* name) {
  TagDefinition def;
  def.name = name;
  def.keyExpression = "NAME";
  def.keyLength = 100;
  return def;
}

TEST(BTree, FreedBlocksAreReusedBeforeTheFileGrows) {
  mdxtest::TempFolder dir;
  const std::string path = dir / "t.mdx";
  auto file = MdxFile::Create(path, {WideTag("A")}, {"t", 0, 2});
  IndexTag& tag = file->Tag(0);
  for (uint32_t r = 1; r <= 400; ++r)
    tag.Insert(CharacterKey(std::to_string(r * 31 % 997), 100), r);
  file->Flush();
  const auto grown = std::filesystem::file_size(path);
  for (uint32_t r = 1; r <= 400; ++r)
    ASSERT_TRUE(tag.Remove(CharacterKey(std::to_string(r * 31 % 997), 100), r));
  EXPECT_EQ(tag.Height(), 1);
  EXPECT_EQ(tag.CountEntries(), 0u);
  EXPECT_EQ(file->Check(), "");
  for (uint32_t r = 1; r <= 400; ++r)
    tag.Insert(CharacterKey(std::to_string(r * 17 % 991), 100), r);
  file->Flush();
  EXPECT_EQ(std::filesystem::file_size(path), grown);
  EXPECT_EQ(file->Check(), "");
}

TEST(BTree, AscendingAndDescendingAppendsSplitCleanly) {
  mdxtest::TempFolder dir;
  auto file = MdxFile::Create(dir / "t.mdx", {WideTag("UP"), WideTag("DOWN")}, {"t", 0, 2});
  for (uint32_t r = 1; r <= 1500; ++r) {
    char up[16], down[16];
    std::snprintf(up, sizeof up, "%06u", r);
    std::snprintf(down, sizeof down, "%06u", 100000 - r);
    ASSERT_EQ(file->Tag(0).Insert(CharacterKey(up, 100), r), InsertResult::Inserted);
    ASSERT_EQ(file->Tag(1).Insert(CharacterKey(down, 100), r), InsertResult::Inserted);
  }
  EXPECT_EQ(file->Check(), "");
  EXPECT_GE(file->Tag(0).Height(), 3);
  const auto up = mdxtest::Walk(file->Tag(0));
  const auto down = mdxtest::Walk(file->Tag(1));
  ASSERT_EQ(up.size(), 1500u);
  for (size_t i = 0; i < up.size(); ++i) {
    EXPECT_EQ(up[i].recno, i + 1);
    EXPECT_EQ(down[i].recno, 1500 - i);
  }
}

TEST(BTree, DuplicatesAcrossLeavesKeepRecordOrder) {
  mdxtest::TempFolder dir;
  auto file = MdxFile::Create(dir / "t.mdx", {WideTag("A")}, {"t", 0, 2});
  IndexTag& tag = file->Tag(0);
  const std::string same = CharacterKey("SAME", 100);
  std::vector<uint32_t> recnos(300);
  std::iota(recnos.begin(), recnos.end(), 10u);
  std::shuffle(recnos.begin(), recnos.end(), std::mt19937(7));
  for (uint32_t r : recnos) ASSERT_EQ(tag.Insert(same, r), InsertResult::Inserted);
  ASSERT_EQ(tag.Insert(same, 150), InsertResult::AlreadyPresent);
  tag.Insert(CharacterKey("AAA", 100), 999);
  tag.Insert(CharacterKey("ZZZ", 100), 1);
  EXPECT_GE(tag.Height(), 3);
  EXPECT_EQ(file->Check(), "");
  const auto entries = mdxtest::Walk(tag);
  ASSERT_EQ(entries.size(), 302u);
  for (size_t i = 1; i <= 300; ++i) EXPECT_EQ(entries[i].recno, 9 + i);
  TagCursor cursor(tag);
  EXPECT_EQ(cursor.Seek("SAME"), SeekResult::Found);
  EXPECT_EQ(cursor.RecNo(), 10u);
  EXPECT_TRUE(tag.Remove(same, 200));
  EXPECT_FALSE(tag.Contains(same, 200));
  EXPECT_TRUE(tag.Contains(same, 201));
  EXPECT_EQ(file->Check(), "");
}

TEST(BTree, BulkBuildEqualsOneByOneInserts) {
  mdxtest::TempFolder dir;
  TagDefinition numeric;
  numeric.name = "N";
  numeric.keyExpression = "AMOUNT";
  numeric.type = KeyType::Numeric;
  numeric.keyLength = 12;
  TagDefinition unique = WideTag("U");
  unique.keyLength = 20;
  unique.unique = true;
  auto built = MdxFile::Create(dir / "built.mdx", {numeric, unique}, {"t", 0, 2});
  auto inserted = MdxFile::Create(dir / "inserted.mdx", {numeric, unique}, {"t", 0, 2});
  KeyList numbers(12), names(20);
  std::mt19937 random(3);
  for (uint32_t r = 1; r <= 20000; ++r) {
    const std::string amount = std::to_string(static_cast<int>(random() % 5000) - 2500) + ".25";
    const std::string name = CharacterKey("N" + std::to_string(random() % 3000), 20);
    numbers.Add(NumericKeyFromText(amount), r);
    names.Add(name, r);
    inserted->Tag(0).Insert(NumericKeyFromText(amount), r);
    inserted->Tag(1).Insert(name, r);
  }
  EXPECT_TRUE(built->Tag(0).Build(numbers).empty());
  const std::vector<uint32_t> left = built->Tag(1).Build(names);
  EXPECT_EQ(left.size() + built->Tag(1).CountEntries(), 20000u);
  EXPECT_GE(built->Tag(0).Height(), 3);
  EXPECT_EQ(built->Check(20000), "");
  for (size_t t = 0; t < 2; ++t) {
    EXPECT_TRUE(
        mdxtest::SameEntries(mdxtest::Walk(built->Tag(t)), mdxtest::Walk(inserted->Tag(t))));
  }
  // A built tree takes further changes like any other.
  for (uint32_t r = 1; r <= 20000; r += 3) {
    const std::string key(reinterpret_cast<const char*>(numbers.Key(r - 1)), 12);
    ASSERT_TRUE(built->Tag(0).Remove(key, r));
  }
  for (uint32_t r = 20001; r <= 22000; ++r)
    built->Tag(0).Insert(NumericKeyFromText(std::to_string(r % 977)), r);
  EXPECT_EQ(built->Check(22000), "");
  // Rebuilding frees the old tree first: the file does not grow.
  built->Flush();
  const auto size = std::filesystem::file_size(dir / "built.mdx");
  built->Tag(0).Build(numbers);
  built->Flush();
  EXPECT_LE(std::filesystem::file_size(dir / "built.mdx"), size);
  EXPECT_EQ(built->Check(20000), "");
}

TEST(BTree, CheckFindsRecordNumbersBeyondTheTable) {
  mdxtest::TempFolder dir;
  auto file = MdxFile::Create(dir / "t.mdx", {WideTag("A")}, {"t", 0, 2});
  file->Tag(0).Insert(CharacterKey("X", 100), 7);
  EXPECT_EQ(file->Check(7), "");
  EXPECT_NE(file->Check(6).find("record number 7"), std::string::npos);
}

TEST(BTree, ReadOnlyFileRefusesChanges) {
  mdxtest::TempFolder dir;
  const std::string path = dir / "t.mdx";
  MdxFile::Create(path, {WideTag("A")}, {"t", 0, 2}).reset();
  auto file = mdxtest::OpenForReading(path);
  EXPECT_THROW(file->Tag(0).Insert(CharacterKey("X", 100), 1), IndexError);
}

}  // namespace
}  // namespace volarin::dbf
