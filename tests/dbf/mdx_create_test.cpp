// Creating index files and tags, and the header bytes other programs rely on.
#include <gtest/gtest.h>

#include "common/text.h"
#include "dbf/mdx/indexerror.h"
#include "mdx_test_support.h"

namespace volarin::dbf {
namespace {

TagDefinition Tag(const char* name, const char* expression, KeyType type, int length) {
  TagDefinition def;
  def.name = name;
  def.keyExpression = expression;
  def.type = type;
  def.keyLength = length;
  return def;
}

uint32_t U32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

TEST(CreateIndex, WritesADbaseFourHeaderAndReadsItsTagsBack) {
  mdxtest::TempFolder dir;
  const std::string path = dir / "checks.mdx";
  TagDefinition filtered = Tag("OPEN", "ACCOUNTNR", KeyType::Character, 15);
  filtered.forExpression = ".NOT. DELETED()";
  TagDefinition amounts = Tag("AMOUNTD", "AMOUNT", KeyType::Numeric, 12);
  amounts.descending = true;
  TagDefinition unique = Tag("acctu", "ACCOUNTNR", KeyType::Character, 15);
  unique.unique = true;
  const std::vector<TagDefinition> defs = {Tag("M", "NAME", KeyType::Character, 10),
                                           Tag("C", "ISSUED", KeyType::Date, 8),
                                           filtered,
                                           amounts,
                                           unique,
                                           Tag("A", "X", KeyType::Character, 3)};
  MdxFile::Create(path, defs, {"checks", 0x57, 2}).reset();

  const std::string bytes = mdxtest::ReadBytes(path);
  ASSERT_GE(bytes.size(), 2048u);
  EXPECT_EQ(bytes[0], 2);
  EXPECT_EQ(bytes.substr(4, 7), std::string("checks\0", 7));
  EXPECT_EQ(bytes[20], 2);
  EXPECT_EQ(static_cast<unsigned char>(bytes[23]), 4);  // 1024 bytes per block
  EXPECT_EQ(bytes[24], 1);
  EXPECT_EQ(bytes[25], 48);
  EXPECT_EQ(bytes[26], 32);
  EXPECT_EQ(bytes[28], 6);
  EXPECT_EQ(static_cast<unsigned char>(bytes[31]), 0x57);
  EXPECT_EQ(U32(bytes, 32) * 512, bytes.size());  // pages in file
  EXPECT_EQ(U32(bytes, 36), 0u);
  EXPECT_EQ(U32(bytes, 40), 0u);
  EXPECT_EQ(bytes[529], 1);
  // Tag table threads: a search tree over the names. M is the root, C left of M, OPEN right of
  // M, AMOUNTD left of C, ACCTU left of AMOUNTD, A left of ACCTU.
  struct Threads {
    int left, right, parent;
  };
  const std::vector<Threads> threads = {{2, 3, 0}, {4, 0, 1}, {0, 0, 1},
                                        {5, 0, 2}, {6, 0, 4}, {0, 0, 5}};
  for (size_t i = 0; i < threads.size(); ++i) {
    const size_t at = 544 + 32 * i;
    EXPECT_EQ(bytes[at + 16], threads[i].left) << i;
    EXPECT_EQ(bytes[at + 17], threads[i].right) << i;
    EXPECT_EQ(bytes[at + 18], threads[i].parent) << i;
    EXPECT_EQ(bytes[at + 19], 2);
    EXPECT_EQ(bytes[at + 20], static_cast<char>(defs[i].type));
  }

  auto file = mdxtest::OpenForReading(path);
  ASSERT_EQ(file->TagCount(), defs.size());
  for (size_t i = 0; i < defs.size(); ++i) {
    const TagDefinition& read = file->Tag(i).Definition();
    EXPECT_EQ(read.name, UpperAscii(defs[i].name));
    EXPECT_EQ(read.keyExpression, defs[i].keyExpression);
    EXPECT_EQ(read.forExpression, defs[i].forExpression);
    EXPECT_EQ(read.type, defs[i].type);
    EXPECT_EQ(read.keyLength, defs[i].keyLength);
    EXPECT_EQ(read.unique, defs[i].unique);
    EXPECT_EQ(read.descending, defs[i].descending);
    EXPECT_EQ(file->Tag(i).CountEntries(), 0u);
  }
  // Tag header bytes: flags, item length, date tags' secondary type.
  const size_t amountsHeader = file->Tag(3).HeaderPage() * 512;
  EXPECT_EQ(bytes[amountsHeader + 8], 0x08);
  EXPECT_EQ(bytes[amountsHeader + 18], 16);
  const size_t uniqueHeader = file->Tag(4).HeaderPage() * 512;
  EXPECT_EQ(bytes[uniqueHeader + 8], 0x50);
  EXPECT_EQ(bytes[uniqueHeader + 23], 1);
  EXPECT_EQ(bytes[uniqueHeader + 18], 20);
  const size_t dateHeader = file->Tag(1).HeaderPage() * 512;
  EXPECT_EQ(bytes[dateHeader + 16], 1);
  EXPECT_EQ(bytes[file->Tag(2).HeaderPage() * 512 + 245], 1);
  EXPECT_EQ(file->Check(), "");
}

TEST(CreateIndex, RefusesDefinitionsThatCannotBeStored) {
  mdxtest::TempFolder dir;
  struct Case {
    const char* label;
    TagDefinition def;
  };
  TagDefinition longName = Tag("ELEVENCHARS", "X", KeyType::Character, 5);
  TagDefinition badName = Tag("A-B", "X", KeyType::Character, 5);
  TagDefinition zeroLength = Tag("A", "X", KeyType::Character, 0);
  TagDefinition tooLong = Tag("A", "X", KeyType::Character, 101);
  TagDefinition badNumeric = Tag("A", "X", KeyType::Numeric, 10);
  TagDefinition badDate = Tag("A", "X", KeyType::Date, 12);
  TagDefinition noExpression = Tag("A", "", KeyType::Character, 5);
  const std::vector<Case> cases = {{"long name", longName},        {"bad name", badName},
                                   {"zero length", zeroLength},    {"too long", tooLong},
                                   {"numeric", badNumeric},        {"date", badDate},
                                   {"no expression", noExpression}};
  for (const Case& c : cases) {
    EXPECT_THROW(MdxFile::Create(dir / "x.mdx", {c.def}, {"x", 0, 2}), IndexError) << c.label;
  }
  // A FOR expression has no room in a 512-byte block.
  TagDefinition filtered = Tag("A", "X", KeyType::Character, 5);
  filtered.forExpression = "X > 1";
  EXPECT_THROW(MdxFile::Create(dir / "x.mdx", {filtered}, {"x", 0, 1}), IndexError);

  auto file = MdxFile::Create(dir / "y.mdx", {Tag("A", "X", KeyType::Character, 5)}, {"y", 0, 2});
  EXPECT_THROW(file->AddTag(Tag("a", "Y", KeyType::Character, 5)), IndexError);
  for (int i = 1; i < kMaxTags; ++i)
    file->AddTag(Tag(("T" + std::to_string(i)).c_str(), "X", KeyType::Character, 5));
  EXPECT_THROW(file->AddTag(Tag("ONEMORE", "X", KeyType::Character, 5)), IndexError);
  EXPECT_EQ(file->Check(), "");
}

TEST(CreateIndex, RemovingATagFreesItsBlocksAndKeepsTheOthers) {
  mdxtest::TempFolder dir;
  const std::string path = dir / "t.mdx";
  auto file = MdxFile::Create(
      path, {Tag("A", "X", KeyType::Character, 60), Tag("B", "Y", KeyType::Character, 60)},
      {"t", 0, 2});
  for (uint32_t r = 1; r <= 300; ++r) {
    file->Tag(0).Insert(CharacterKey("A" + std::to_string(r), 60), r);
    file->Tag(1).Insert(CharacterKey("B" + std::to_string(r), 60), r);
  }
  const auto before = mdxtest::Walk(file->Tag(1));
  file->RemoveTag("a");
  ASSERT_EQ(file->TagCount(), 1u);
  EXPECT_EQ(file->Tag(0).Name(), "B");
  EXPECT_TRUE(mdxtest::SameEntries(mdxtest::Walk(file->Tag(0)), before));
  EXPECT_EQ(file->Check(), "");
  file->Flush();
  const auto size = std::filesystem::file_size(path);
  // The new tag's blocks come from the free list.
  file->AddTag(Tag("C", "Z", KeyType::Character, 60));
  for (uint32_t r = 1; r <= 300; ++r)
    file->Tag(1).Insert(CharacterKey("C" + std::to_string(r), 60), r);
  file->Flush();
  EXPECT_EQ(std::filesystem::file_size(path), size);
  EXPECT_EQ(file->Check(), "");
  file.reset();
  EXPECT_EQ(mdxtest::OpenForReading(path)->Check(), "");
}

TEST(CreateIndex, ZapEmptiesEveryTagAndPacksTheFile) {
  mdxtest::TempFolder dir;
  const std::string path = mdxtest::CopyExample(dir, "tree2.mdx");
  auto file = mdxtest::OpenForWriting(path);
  file->Zap();
  ASSERT_EQ(file->TagCount(), 2u);
  for (size_t t = 0; t < 2; ++t) {
    EXPECT_EQ(file->Tag(t).CountEntries(), 0u);
    EXPECT_EQ(file->Tag(t).Height(), 1);
  }
  EXPECT_EQ(file->Tag(0).Definition().keyExpression, "NAME");
  EXPECT_EQ(std::filesystem::file_size(path), 2048u + 2 * 2 * 1024);
  file->Tag(1).Insert(NumericKeyFromText("5"), 1);
  file.reset();
  auto again = mdxtest::OpenForReading(path);
  EXPECT_EQ(again->Check(), "");
  EXPECT_EQ(again->Tag(1).CountEntries(), 1u);
}

TEST(CreateIndex, ChangesToAnIndependentFileKeepItSound) {
  // An index written by another program takes our inserts and removals.
  mdxtest::TempFolder dir;
  const std::string path = mdxtest::CopyExample(dir, "tree2.mdx");
  auto file = mdxtest::OpenForWriting(path);
  IndexTag& name = *file->FindTag("NAME");
  for (uint32_t r = 121; r <= 600; ++r) {
    ASSERT_EQ(name.Insert(CharacterKey("KEY" + std::to_string(r * 13 % 1000), 30), r),
              InsertResult::Inserted);
  }
  for (const auto& e : mdxtest::Walk(*file->FindTag("NUM"))) {
    if (e.recno % 2 == 0) {
      ASSERT_TRUE(file->FindTag("NUM")->Remove(e.key, e.recno));
    }
  }
  EXPECT_EQ(file->Check(), "");
  EXPECT_EQ(name.CountEntries(), 600u);
  EXPECT_EQ(file->FindTag("NUM")->CountEntries(), 60u);
}

}  // namespace
}  // namespace volarin::dbf
