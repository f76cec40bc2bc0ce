// Indexes written by our engine, read by an independent reader (Perl's XBase::Index): every tag
// lists the same keys with the same record numbers in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>

#include "mdx_test_support.h"

namespace volarin::dbf {
namespace {

std::string OurWalk(IndexTag& tag) {
  std::ostringstream out;
  for (const auto& e : mdxtest::Walk(tag)) out << mdxtest::Hex(e.key) << " " << e.recno << "\n";
  return out.str();
}

TEST(XBaseReader, ReadsTheExamplesLikeWeDo) {
  VPP_SKIP_WITHOUT_PERL_READER();
  // The reader itself agrees with us on files another program wrote.
  mdxtest::TempFolder dir;
  for (const char* name : {"checks.mdx", "tree2.mdx"}) {
    auto file = mdxtest::OpenForReading(mdxtest::ExampleFile(name));
    for (size_t t = 0; t < file->TagCount(); ++t) {
      EXPECT_EQ(mdxtest::ReadWithXBase(dir, mdxtest::ExampleFile(name), file->Tag(t).Name()),
                OurWalk(file->Tag(t)))
          << name << " " << file->Tag(t).Name();
    }
  }
}

TEST(XBaseReader, ReadsDeepTreesWeBuiltAndChanged) {
  VPP_SKIP_WITHOUT_PERL_READER();
  mdxtest::TempFolder dir;
  const std::string path = dir / "deep.mdx";
  std::vector<TagDefinition> defs(4);
  defs[0] = {"NAME", "NAME", "", KeyType::Character, 60, false, false};
  defs[1] = {"AMOUNT", "AMOUNT", "", KeyType::Numeric, 12, false, false};
  defs[2] = {"NAMED", "NAME", "", KeyType::Character, 60, false, true};
  defs[3] = {"ACCT", "ACCT", "", KeyType::Character, 10, true, false};
  auto file = MdxFile::Create(path, defs, {"deep", 0x57, 2});
  std::mt19937 random(11);
  struct Row {
    std::string keys[4];
  };
  std::vector<Row> rows;
  KeyList built(60);
  for (uint32_t r = 1; r <= 3000; ++r) {
    Row row;
    row.keys[0] = CharacterKey("N" + std::to_string(random() % 700), 60);
    row.keys[1] = NumericKeyFromText(std::to_string(static_cast<int>(random() % 20000) - 10000) +
                                     "." + std::to_string(random() % 100));
    row.keys[2] = row.keys[0];
    row.keys[3] = CharacterKey("A" + std::to_string(random() % 900), 10);
    rows.push_back(row);
    built.Add(row.keys[0], r);
    for (size_t t = 1; t < 4; ++t) file->Tag(t).Insert(row.keys[t], r);
  }
  file->Tag(0).Build(built);
  // Remove a third, so nodes empty out and the trees shrink in places.
  for (uint32_t r = 1; r <= 3000; r += 3) {
    for (size_t t = 0; t < 4; ++t) file->Tag(t).Remove(rows[r - 1].keys[t], r);
  }
  ASSERT_EQ(file->Check(3000), "");
  for (size_t t = 0; t < 3; ++t) EXPECT_GE(file->Tag(t).Height(), 3) << defs[t].name;
  file->Flush();
  for (size_t t = 0; t < 4; ++t) {
    const std::string ours = OurWalk(file->Tag(t));
    EXPECT_EQ(mdxtest::ReadWithXBase(dir, path, defs[t].name), ours) << defs[t].name;
  }
}

TEST(XBaseReader, ReadsTreesGrownByRunsOfAppends) {
  VPP_SKIP_WITHOUT_PERL_READER();
  mdxtest::TempFolder dir;
  const std::string path = dir / "runs.mdx";
  std::vector<TagDefinition> defs(3);
  defs[0] = {"NAME", "NAME", "", KeyType::Character, 30, false, false};
  defs[1] = {"DUE", "DUE", "", KeyType::Date, 8, false, false};
  defs[2] = {"AMOUNT", "AMOUNT", "", KeyType::Numeric, 12, false, true};
  auto file = MdxFile::Create(path, defs, {"runs", 0x57, 2});
  std::mt19937 random(12);
  uint32_t recno = 0;
  // Scattered keys into a grown tree, then a long rising run at its right edge.
  for (int run = 0; run < 4; ++run) {
    std::vector<KeyList> keys;
    for (const TagDefinition& def : defs) keys.emplace_back(def.keyLength);
    for (int i = 0; i < 2500; ++i) {
      ++recno;
      const int value = run < 3 ? static_cast<int>(random() % 5000) : 6000 + i;
      keys[0].Add(CharacterKey("N" + std::to_string(value), 30), recno);
      keys[1].Add(DateKey(*Date::FromYmd(2020, 1, 1) + value / 4), recno);
      keys[2].Add(NumericKeyFromText(std::to_string(value - 2500) + ".5"), recno);
    }
    for (size_t t = 0; t < defs.size(); ++t) {
      std::vector<uint32_t> order(keys[t].Size());
      for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
      IndexTag& tag = file->Tag(t);
      std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return tag.CompareKeys(keys[t].Key(a), keys[t].Key(b), keys[t].KeyLength()) < 0;
      });
      size_t done = 0;
      tag.InsertAppendedRun(keys[t], order, done);
    }
  }
  ASSERT_EQ(file->Check(recno), "");
  for (size_t t = 0; t < 2; ++t) EXPECT_GE(file->Tag(t).Height(), 3) << defs[t].name;
  file->Flush();
  for (size_t t = 0; t < defs.size(); ++t) {
    const std::string ours = OurWalk(file->Tag(t));
    EXPECT_EQ(mdxtest::ReadWithXBase(dir, path, defs[t].name), ours) << defs[t].name;
  }
}

}  // namespace
}  // namespace volarin::dbf
