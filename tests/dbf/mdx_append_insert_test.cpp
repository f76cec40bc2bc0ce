// The insert of appended records: the same tree, byte for byte, as the general insert gives,
// whatever order the keys come in, with readers and removals between the appends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

#include "mdx_test_support.h"

namespace volarin::dbf {
namespace {

using mdxtest::Entry;

enum class KeyOrder { Rising, Falling, Random, FewValues };

struct AppendCase {
  const char* label;
  KeyType type;
  int keyLength;
  bool descending;
  bool unique;
  KeyOrder order;
};

int KeyValue(KeyOrder order, int step, std::mt19937& random) {
  switch (order) {
    case KeyOrder::Rising:
      return step / 3;  // runs of equal keys, as a register's dates come
    case KeyOrder::Falling:
      return 100000 - step;
    case KeyOrder::Random:
      return static_cast<int>(random() % 5000);
    case KeyOrder::FewValues:
      return static_cast<int>(random() % 4);
  }
  return 0;
}

std::string KeyOf(KeyType type, int keyLength, int value) {
  switch (type) {
    case KeyType::Numeric:
      return NumericKeyFromText(std::to_string(value) + ".25");
    case KeyType::Date:
      return DateKey(*Date::FromYmd(1990, 1, 1) + value);
    case KeyType::Character:
      break;
  }
  char text[16];
  std::snprintf(text, sizeof text, "A%07d", value);
  return CharacterKey(text, keyLength);
}

const AppendCase kAppendCases[] = {
    {"RisingCharacter", KeyType::Character, 25, false, false, KeyOrder::Rising},
    {"RisingDate", KeyType::Date, 8, false, false, KeyOrder::Rising},
    {"RisingDescending", KeyType::Numeric, 12, true, false, KeyOrder::Rising},
    {"FallingCharacter", KeyType::Character, 25, false, false, KeyOrder::Falling},
    {"RandomNumeric", KeyType::Numeric, 12, false, false, KeyOrder::Random},
    {"RandomDescending", KeyType::Character, 25, true, false, KeyOrder::Random},
    {"FewValuesDate", KeyType::Date, 8, false, false, KeyOrder::FewValues},
    {"UniqueRandom", KeyType::Character, 25, false, true, KeyOrder::Random},
};

std::string CaseName(const ::testing::TestParamInfo<AppendCase>& info) {
  return info.param.label;
}

std::unique_ptr<MdxFile> CreateWithTag(const std::string& path, const AppendCase& c) {
  TagDefinition def;
  def.name = "T";
  def.keyExpression = "X";
  def.type = c.type;
  def.keyLength = c.keyLength;
  def.descending = c.descending;
  def.unique = c.unique;
  return MdxFile::Create(path, {def}, {"t", 0, 1});
}

class AppendInsert : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendInsert, BuildsTheTreeTheGeneralInsertBuilds) {
  const AppendCase& c = GetParam();
  mdxtest::TempFolder dir;
  auto general = CreateWithTag(dir / "general.mdx", c);
  auto appended = CreateWithTag(dir / "appended.mdx", c);
  std::mt19937 random(20261210);
  std::vector<Entry> model;
  for (uint32_t recno = 1; recno <= 1500; ++recno) {
    const std::string key = KeyOf(c.type, c.keyLength, KeyValue(c.order, recno, random));
    const InsertResult expected = general->Tag(0).Insert(key, recno);
    ASSERT_EQ(appended->Tag(0).InsertAppended(key, recno), expected) << "record " << recno;
    if (expected == InsertResult::Inserted) model.push_back({key, recno});
    // A reader between two appends sees the entry just added.
    TagCursor cursor(appended->Tag(0));
    if (expected == InsertResult::Inserted) {
      ASSERT_TRUE(cursor.SeekEntry(key, recno)) << "record " << recno;
    }
    if (recno % 250 == 0) {
      // A removal between appends changes the tree under the remembered leaf.
      const Entry gone = model[random() % model.size()];
      ASSERT_TRUE(general->Tag(0).Remove(gone.key, gone.recno));
      ASSERT_TRUE(appended->Tag(0).Remove(gone.key, gone.recno));
      std::erase_if(model, [&](const Entry& e) { return e.recno == gone.recno; });
    }
  }
  ASSERT_EQ(appended->Check(), "");
  mdxtest::SortLikeTag(appended->Tag(0), model);
  EXPECT_TRUE(mdxtest::SameEntries(mdxtest::Walk(appended->Tag(0)), model));
  EXPECT_GE(appended->Tag(0).Height(), 2);
  // Closed before they are read: an exclusive open keeps other readers out on Windows.
  general.reset();
  appended.reset();
  const std::string a = mdxtest::ReadBytes(dir / "general.mdx");
  const std::string b = mdxtest::ReadBytes(dir / "appended.mdx");
  ASSERT_GT(a.size(), 2048u);
  ASSERT_EQ(a.size(), b.size());
  // The header's date of last change may differ if the day turned between the two flushes.
  EXPECT_EQ(a.substr(48), b.substr(48));
}

INSTANTIATE_TEST_SUITE_P(Orders, AppendInsert, ::testing::ValuesIn(kAppendCases), CaseName);

// Runs of appended entries put in at once, leaf by leaf: after every run the tag holds exactly
// the model's entries in tag order, both ways, and checks clean. The tag starts with entries of
// the same keys, some with numbers above every appended one (left by a run that stopped before
// the table counted its records), so runs meet equal keys on both sides of leaf boundaries.
class AppendRun : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendRun, PutsEveryRunInWhereTheModelHasIt) {
  const AppendCase& c = GetParam();
  mdxtest::TempFolder dir;
  auto file = CreateWithTag(dir / "run.mdx", c);
  IndexTag& tag = file->Tag(0);
  std::mt19937 random(20261211);
  std::vector<Entry> model;
  const auto holdsKey = [&](const std::string& key) {
    return std::any_of(model.begin(), model.end(), [&](const Entry& e) { return e.key == key; });
  };
  uint32_t recno = 0;
  for (; recno < 1200; ++recno) {
    const uint32_t r = recno % 10 == 0 ? 900000 + recno : recno + 1;
    const std::string key = KeyOf(c.type, c.keyLength, KeyValue(c.order, recno, random));
    if (tag.Insert(key, r) == InsertResult::Inserted) model.push_back({key, r});
  }
  for (const size_t size : {1u, 7u, 300u, 2500u, 6000u}) {
    KeyList keys(c.keyLength);
    std::vector<Entry> run;
    for (size_t i = 0; i < size; ++i, ++recno) {
      run.push_back({KeyOf(c.type, c.keyLength, KeyValue(c.order, recno, random)), recno + 1});
    }
    // One entry the tag holds already is given again: it stays once.
    run.push_back(model[random() % model.size()]);
    mdxtest::SortLikeTag(tag, run);
    for (const Entry& e : run) {
      keys.Add(e.key, e.recno);
      const bool held = std::any_of(model.begin(), model.end(), [&](const Entry& m) {
        return m.key == e.key && m.recno == e.recno;
      });
      if (!held && !(c.unique && holdsKey(e.key))) model.push_back(e);
    }
    std::vector<uint32_t> order(keys.Size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    size_t done = 0;
    tag.InsertAppendedRun(keys, order, done);
    EXPECT_EQ(done, order.size());
    ASSERT_EQ(file->Check(), "") << "run of " << size;
    mdxtest::SortLikeTag(tag, model);
    ASSERT_TRUE(mdxtest::SameEntries(mdxtest::Walk(tag), model)) << "run of " << size;
    ASSERT_TRUE(mdxtest::SameEntries(mdxtest::WalkBackwards(tag), model)) << "run of " << size;
  }
  EXPECT_GE(tag.Height(), 3);
}

INSTANTIATE_TEST_SUITE_P(Orders, AppendRun, ::testing::ValuesIn(kAppendCases), CaseName);

// The order a run is put in: the tag's order, equal keys as given. Held to a stable sort by the
// tag's own comparison, over keys that share long leading parts (a register's account before its
// check number), bytes above 0x7F, blanks, equal keys far apart, and dates a damaged file may
// hold (NaN, -0, infinities, days before year 0); in random order, in tag order, and in tag order
// but for one pair near the end.
struct RunOrderCase {
  const char* label;
  KeyType type;
  int keyLength;
  bool descending;
  const char* head;  // put before every character key
};

const RunOrderCase kRunOrderCases[] = {
    {"Character20", KeyType::Character, 20, false, ""},
    {"Character8", KeyType::Character, 8, false, ""},
    {"Character5", KeyType::Character, 5, false, ""},
    {"Character20Down", KeyType::Character, 20, true, ""},
    {"Character25SharedHead", KeyType::Character, 25, false, "BANK000000     "},
    {"Character25SharedHeadDown", KeyType::Character, 25, true, "BANK000000     "},
    {"Character12SharedHead", KeyType::Character, 12, false, "BANK"},
    {"Date", KeyType::Date, 8, false, ""},
    {"DateDown", KeyType::Date, 8, true, ""},
    {"Numeric", KeyType::Numeric, 12, false, ""},
    {"NumericDown", KeyType::Numeric, 12, true, ""},
};

std::vector<std::string> RunOrderKeys(const RunOrderCase& c) {
  std::vector<std::string> keys;
  if (c.type == KeyType::Character) {
    for (const char* text :
         {"", " ", "A", "AB", "ABCDEFGH", "ABCDEFGHA", "ABCDEFGHB", "ABCDEFGH        XYZ",
          "ABCDEFG\xff", "ABCDEFG\x80", "\x8e\x99", "\xe1RGER", "Z", "\x01"}) {
      keys.push_back(CharacterKey(std::string(c.head) + text, c.keyLength));
    }
  } else if (c.type == KeyType::Date) {
    for (const double day :
         {0.0, -0.0, 1.0, -1.0, 2451545.0, 2451545.5, 2451546.0, 1e300, -1e300,
          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN()}) {
      std::string key(sizeof day, '\0');
      std::memcpy(key.data(), &day, sizeof day);  // the stored little-endian double
      keys.push_back(key);
    }
  } else {
    for (const char* text : {"0", "-0", "0.01", "-0.01", "1", "-1", "99.99", "100", "-100",
                             "123456789012", "-123456789012", "5.5", "5.50"}) {
      keys.push_back(NumericKeyFromText(text));
    }
  }
  return keys;
}

class RunOrder : public ::testing::TestWithParam<RunOrderCase> {};

TEST_P(RunOrder, IsTheTagOrderWithEqualKeysAsGiven) {
  const RunOrderCase& c = GetParam();
  mdxtest::TempFolder dir;
  const AppendCase shape{c.label, c.type, c.keyLength, c.descending, false, KeyOrder::Random};
  auto file = CreateWithTag(dir / "order.mdx", shape);
  const IndexTag& tag = file->Tag(0);
  const std::vector<std::string> pool = RunOrderKeys(c);
  std::mt19937 random(7);
  std::vector<std::string> picked;
  for (int i = 0; i < 3000; ++i) picked.push_back(pool[random() % pool.size()]);
  const auto before = [&](const std::string& a, const std::string& b) {
    return tag.CompareKeys(reinterpret_cast<const uint8_t*>(a.data()),
                           reinterpret_cast<const uint8_t*>(b.data()), a.size()) < 0;
  };
  std::vector<std::string> inOrder = picked;
  std::stable_sort(inOrder.begin(), inOrder.end(), before);
  std::vector<std::string> nearlyInOrder = inOrder;
  const auto lastStep =
      std::adjacent_find(nearlyInOrder.rbegin(), nearlyInOrder.rend(),
                         [&](const std::string& a, const std::string& b) { return before(b, a); });
  ASSERT_NE(lastStep, nearlyInOrder.rend());
  std::iter_swap(lastStep, std::next(lastStep));
  for (const auto* given : {&picked, &inOrder, &nearlyInOrder}) {
    KeyList keys(c.keyLength);
    for (size_t i = 0; i < given->size(); ++i) keys.Add((*given)[i], static_cast<uint32_t>(i + 1));
    std::vector<uint32_t> expected(keys.Size());
    for (uint32_t i = 0; i < expected.size(); ++i) expected[i] = i;
    std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
      return tag.CompareKeys(keys.Key(a), keys.Key(b), keys.KeyLength()) < 0;
    });
    EXPECT_EQ(tag.RunOrder(keys), expected) << (given == &picked    ? "random"
                                                : given == &inOrder ? "in order"
                                                                    : "nearly in order");
  }
}

INSTANTIATE_TEST_SUITE_P(Types, RunOrder, ::testing::ValuesIn(kRunOrderCases),
                         [](const ::testing::TestParamInfo<RunOrderCase>& info) {
                           return std::string(info.param.label);
                         });

// A run far larger than a leaf into an empty tag: leaves and the levels above them split into
// many parts at once, the root too, and the leaves come out nearly full.
TEST(AppendRunShape, ALongRisingRunFillsItsLeaves) {
  mdxtest::TempFolder dir;
  const AppendCase c{"", KeyType::Character, 25, false, false, KeyOrder::Rising};
  auto file = CreateWithTag(dir / "long.mdx", c);
  IndexTag& tag = file->Tag(0);
  KeyList keys(c.keyLength);
  std::vector<uint32_t> order;
  for (uint32_t r = 1; r <= 20000; ++r) {
    keys.Add(KeyOf(c.type, c.keyLength, static_cast<int>(r)), r);
    order.push_back(r - 1);
  }
  size_t done = 0;
  tag.InsertAppendedRun(keys, order, done);
  ASSERT_EQ(file->Check(), "");
  EXPECT_EQ(tag.CountEntries(), 20000u);
  EXPECT_GE(tag.Height(), 3);
  const uint32_t leaves = 20000 / tag.Shape().LeafCapacity() + 1;
  TagPath path{{tag.RootPage(), 0}};
  tag.DescendEdge(path, false);
  uint32_t leafCount = 1;
  while (tag.NextLeaf(path)) ++leafCount;
  EXPECT_LE(leafCount, leaves);
  // The one-at-a-time insert leaves them about half full.
  file->Flush();
  const auto full = std::filesystem::file_size(dir / "long.mdx");
  auto single = CreateWithTag(dir / "single.mdx", c);
  for (uint32_t r = 1; r <= 20000; ++r) {
    single->Tag(0).InsertAppended(KeyOf(c.type, c.keyLength, static_cast<int>(r)), r);
  }
  single->Flush();
  EXPECT_LT(full * 3, std::filesystem::file_size(dir / "single.mdx") * 2);
}

// An entry whose key already has a higher record number (left by a run that stopped before the
// table counted its records) is not put after it: the tag stays in record order.
TEST(AppendInsertOrder, AHigherNumberAlreadyHeldFallsBackToTheGeneralInsert) {
  mdxtest::TempFolder dir;
  auto file =
      CreateWithTag(dir / "t.mdx", {"", KeyType::Character, 25, false, false, KeyOrder::Rising});
  IndexTag& tag = file->Tag(0);
  const std::string key = KeyOf(KeyType::Character, 25, 7);
  for (uint32_t r = 1; r <= 40; ++r) tag.InsertAppended(KeyOf(KeyType::Character, 25, 5), r);
  ASSERT_EQ(tag.Insert(key, 90), InsertResult::Inserted);
  EXPECT_EQ(tag.InsertAppended(key, 41), InsertResult::Inserted);
  EXPECT_EQ(tag.InsertAppended(key, 90), InsertResult::AlreadyPresent);
  EXPECT_EQ(file->Check(), "");
  const auto entries = mdxtest::Walk(tag);
  ASSERT_EQ(entries.size(), 42u);
  EXPECT_EQ(entries[40].recno, 41u);
  EXPECT_EQ(entries[41].recno, 90u);
}

}  // namespace
}  // namespace volarin::dbf
