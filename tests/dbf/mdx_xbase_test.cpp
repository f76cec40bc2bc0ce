// Indexes written by our engine, read by an independent reader (Perl's XBase::Index): every tag
// lists the same keys with the same record numbers in the same order.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace volarin::dbf
