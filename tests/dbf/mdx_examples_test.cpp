// The example indexes were written by an independent dBASE IV-level program; their decoded
// walks (*.mdxdump.txt) list every key of every tag in order with its record number.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "dbf/mdx/indexerror.h"
#include "mdx_test_support.h"

namespace volarin::dbf {
namespace {

using mdxtest::ExampleFile;

struct DumpKey {
  uint32_t recno;
  std::string text;  // C: without trailing blanks; N: the number as the dump prints it
};

// "KEY <TAG> <n> rec=<r> <value>   hex=..." lines, per tag in file order.
std::map<std::string, std::vector<DumpKey>> ReadDump(const std::string& path) {
  std::map<std::string, std::vector<DumpKey>> tags;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("KEY ", 0) != 0) continue;
    std::istringstream fields(line.substr(4));
    std::string tag, ordinal, rec;
    fields >> tag >> ordinal >> rec;
    std::string rest;
    std::getline(fields, rest);
    rest.erase(0, rest.find_first_not_of(' '));
    const size_t hex = rest.find("   hex=");
    if (hex != std::string::npos) rest.erase(hex);
    if (!rest.empty() && rest.front() == '"') rest = rest.substr(1, rest.rfind('"') - 1);
    rest.erase(rest.find_last_not_of(' ') + 1);
    tags[tag].push_back({static_cast<uint32_t>(std::stoul(rec.substr(4))), rest});
  }
  return tags;
}

class ExampleIndex : public ::testing::TestWithParam<std::string> {};

TEST_P(ExampleIndex, EveryTagWalksInTheDumpedOrderBothWays) {
  auto file = mdxtest::OpenForReading(ExampleFile(GetParam() + ".mdx"));
  const auto dump = ReadDump(ExampleFile(GetParam() + ".mdxdump.txt"));
  ASSERT_EQ(file->TagCount(), dump.size());
  for (size_t t = 0; t < file->TagCount(); ++t) {
    IndexTag& tag = file->Tag(t);
    SCOPED_TRACE(tag.Name());
    ASSERT_TRUE(dump.count(tag.Name()));
    const std::vector<DumpKey>& expected = dump.at(tag.Name());
    const auto forward = mdxtest::Walk(tag);
    ASSERT_EQ(forward.size(), expected.size());
    for (size_t i = 0; i < forward.size(); ++i) {
      EXPECT_EQ(forward[i].recno, expected[i].recno) << "entry " << i + 1;
      EXPECT_EQ(KeyToText(tag.Type(), forward[i].key), expected[i].text) << "entry " << i + 1;
    }
    EXPECT_TRUE(mdxtest::SameEntries(mdxtest::WalkBackwards(tag), forward));
    EXPECT_EQ(tag.CountEntries(), expected.size());
  }
  EXPECT_EQ(file->Check(), "");
}

TEST_P(ExampleIndex, EveryKeyIsFoundBySeek) {
  auto file = mdxtest::OpenForReading(ExampleFile(GetParam() + ".mdx"));
  for (size_t t = 0; t < file->TagCount(); ++t) {
    IndexTag& tag = file->Tag(t);
    SCOPED_TRACE(tag.Name());
    const auto entries = mdxtest::Walk(tag);
    for (size_t i = 0; i < entries.size(); ++i) {
      TagCursor cursor(tag);
      ASSERT_EQ(cursor.Seek(entries[i].key), SeekResult::Found);
      // Seek lands on the first record with the key: the lowest record number among equals.
      size_t first = i;
      while (first > 0 && entries[first - 1].key == entries[i].key) --first;
      EXPECT_EQ(cursor.RecNo(), entries[first].recno);
      EXPECT_TRUE(cursor.SeekEntry(entries[i].key, entries[i].recno));
      EXPECT_TRUE(tag.Contains(entries[i].key, entries[i].recno));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleIndex, ::testing::Values("tiny", "checks", "tree2"));

TEST(ExampleIndex, TagDefinitionsAreRead) {
  auto file = mdxtest::OpenForReading(ExampleFile("checks.mdx"));
  EXPECT_EQ(file->TableName(), "checks");
  EXPECT_EQ(file->Language(), 0x01);
  EXPECT_EQ(file->BlockBytes(), 1024u);
  EXPECT_TRUE(file->IsProduction());
  struct Expected {
    const char* name;
    const char* expression;
    KeyType type;
    int length;
    bool unique;
    bool descending;
  };
  const std::vector<Expected> expected = {
      {"ACCTCHK", "ACCOUNTNR+STR(CHECKNO,10)", KeyType::Character, 25, false, false},
      {"CHECKNO", "CHECKNO", KeyType::Numeric, 12, false, false},
      {"ISSUED", "DTOS(ISSUED)", KeyType::Character, 8, false, false},
      {"AMOUNTD", "AMOUNT", KeyType::Numeric, 12, false, true},
      {"ACCTU", "ACCOUNTNR", KeyType::Character, 15, true, false},
  };
  ASSERT_EQ(file->TagCount(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const TagDefinition& def = file->Tag(i).Definition();
    EXPECT_EQ(def.name, expected[i].name);
    EXPECT_EQ(def.keyExpression, expected[i].expression);
    EXPECT_EQ(def.forExpression, "");
    EXPECT_EQ(def.type, expected[i].type);
    EXPECT_EQ(def.keyLength, expected[i].length);
    EXPECT_EQ(def.unique, expected[i].unique);
    EXPECT_EQ(def.descending, expected[i].descending);
  }
  EXPECT_EQ(file->FindTag("acctchk"), &file->Tag(0));
  EXPECT_EQ(file->FindTag(" Issued "), &file->Tag(2));
  EXPECT_EQ(file->FindTag("NOSUCH"), nullptr);
}

TEST(ExampleIndex, TwoLevelTreeHasTheDocumentedShape) {
  auto file = mdxtest::OpenForReading(ExampleFile("tree2.mdx"));
  IndexTag& name = *file->FindTag("NAME");
  EXPECT_EQ(name.Height(), 2);
  EXPECT_EQ(name.RootPage(), 16u);
  IndexTag& num = *file->FindTag("NUM");
  EXPECT_EQ(num.Height(), 2);
  EXPECT_EQ(num.RootPage(), 22u);
}

TEST(ExampleIndex, SeekReportsWhereItStopped) {
  auto file = mdxtest::OpenForReading(ExampleFile("tree2.mdx"));
  IndexTag& name = *file->FindTag("NAME");
  TagCursor cursor(name);
  // A prefix finds the first key that starts with it.
  EXPECT_EQ(cursor.Seek("KEY05"), SeekResult::Found);
  EXPECT_EQ(KeyToText(KeyType::Character, cursor.Key()), "KEY050");
  EXPECT_EQ(cursor.Seek(CharacterKey("KEY0505", 30)), SeekResult::AfterKey);
  EXPECT_EQ(KeyToText(KeyType::Character, cursor.Key()), "KEY051");
  EXPECT_EQ(cursor.Seek("ZZZ"), SeekResult::EndOfIndex);
  EXPECT_FALSE(cursor.Valid());
  EXPECT_EQ(cursor.Seek("A"), SeekResult::AfterKey);
  EXPECT_EQ(KeyToText(KeyType::Character, cursor.Key()), "KEY000");

  IndexTag& num = *file->FindTag("NUM");
  TagCursor numbers(num);
  EXPECT_EQ(numbers.Seek(NumericKeyFromText("570")), SeekResult::Found);
  EXPECT_EQ(numbers.RecNo(), 22u);  // NUM 570: n = 57 = (21 x 37) mod 120, the 22nd record
  ASSERT_TRUE(numbers.Next());
  EXPECT_EQ(KeyToText(KeyType::Numeric, numbers.Key()), "580");
  EXPECT_EQ(numbers.Seek(NumericKeyFromText("575")), SeekResult::AfterKey);
  EXPECT_EQ(KeyToText(KeyType::Numeric, numbers.Key()), "580");
}

TEST(ExampleIndex, DescendingTagSeeksInItsOwnDirection) {
  auto file = mdxtest::OpenForReading(ExampleFile("checks.mdx"));
  IndexTag& amounts = *file->FindTag("AMOUNTD");
  TagCursor cursor(amounts);
  EXPECT_EQ(cursor.Seek(NumericKeyFromText("1250.50")), SeekResult::Found);
  EXPECT_EQ(cursor.RecNo(), 1u);
  ASSERT_TRUE(cursor.Next());
  EXPECT_EQ(cursor.RecNo(), 6u);
  // Between 99.5 and 12.34: in descending order the next key is the smaller one.
  EXPECT_EQ(cursor.Seek(NumericKeyFromText("50")), SeekResult::AfterKey);
  EXPECT_EQ(KeyToText(KeyType::Numeric, cursor.Key()), "12.34");
  EXPECT_EQ(cursor.Seek(NumericKeyFromText("-100")), SeekResult::EndOfIndex);
}

}  // namespace
}  // namespace volarin::dbf
