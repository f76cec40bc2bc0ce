// Tables written by our engine, read back by an independent dBASE reader (Perl's XBase module):
// every field of every record must be what we meant to store.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

#include "dbf/table.h"
#include "dbf_test_util.h"
#include "support/perl_script.h"

namespace volarin::dbf {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

constexpr const char* kReader = R"(use strict; use XBase;
my $t = XBase->new(name => $ARGV[0]) or die XBase->errstr;
print "FIELDS ", join(",", map { $_ . ":" . $t->field_type($_) . ":" . $t->field_length($_) .
  ":" . $t->field_decimal($_) } $t->field_names), "\n";
print "COUNT ", $t->last_record + 1, "\n";
for my $i (0 .. $t->last_record) {
  my @r = $t->get_record($i);
  print join("|", map { defined $_ ? $_ : "<undef>" } @r), "\n";
}
)";

std::string RunReader(const TempFolder& dir, const std::string& table) {
  return ::volarin::testing::RunPerlScript(dir.Path(), kReader, {table}).output;
}

// What a record should hold, kept apart from the engine.
struct Model {
  bool deleted = false;
  std::string name;  // without trailing blanks
  std::optional<int64_t> checkno;
  std::optional<double> amount;
  std::optional<std::string> date;  // CCYYMMDD
  std::optional<bool> paid;
};

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> parts;
  std::stringstream in(line);
  std::string part;
  while (std::getline(in, part, sep)) parts.push_back(part);
  if (sep != '\n' && !line.empty() && line.back() == sep) parts.emplace_back();
  return parts;
}

TEST(XBaseCrossCheck, EveryFieldOfOurTablesReadsTheSameInPerlXBase) {
  VPP_SKIP_WITHOUT_PERL_READER();
  TempFolder dir;
  Context context;
  const std::string path = dir / "cross.dbf";
  auto table = Table::Create(context, path,
                             {{"NAME", 'C', 20, 0},
                              {"CHECKNO", 'N', 10, 0},
                              {"AMOUNT", 'N', 12, 2},
                              {"ISSUED", 'D', 0, 0},
                              {"PAID", 'L', 0, 0}});
  std::mt19937 random(7);
  std::vector<Model> model;
  const char* names[] = {"ACME SUPPLY", "J. SMITH", "Caf\xE9 Noir", "", "Z", "CITY WATER DEPT"};
  for (int i = 0; i < 300; ++i) {
    Model m;
    m.name = names[random() % 6];
    table->StartAppend();
    table->AssignBytes(0, m.name);
    if (random() % 5 != 0) {
      m.checkno = static_cast<int64_t>(random() % 2000000) - 1000;
      table->AssignNumber(1, static_cast<double>(*m.checkno));
    }
    if (random() % 5 != 0) {
      m.amount = (static_cast<double>(random() % 2000000) - 500000) / 100.0;
      table->AssignNumber(2, *m.amount);
    }
    if (random() % 4 != 0) {
      const Date d =
          *Date::FromYmd(1990 + static_cast<int>(random() % 40),
                         1 + static_cast<int>(random() % 12), 1 + static_cast<int>(random() % 28));
      m.date = d.Digits();
      table->AssignDate(3, d);
    }
    if (random() % 3 != 0) {
      m.paid = random() % 2 == 0;
      table->AssignLogical(4, *m.paid);
    }
    ASSERT_EQ(table->Append(), WriteResult::kOk);
    model.push_back(m);
  }
  // Edits, deletion marks and a zapped range on top of the appends.
  for (int i = 0; i < 60; ++i) {
    const uint32_t recno = 1 + static_cast<uint32_t>(random() % model.size());
    ASSERT_TRUE(table->Go(recno));
    Model& m = model[recno - 1];
    if (i % 3 == 0) {
      m.deleted = !m.deleted;
      m.deleted ? table->Delete() : table->Recall();
    } else {
      m.amount = -static_cast<double>(random() % 100000) / 100.0;
      table->AssignNumber(2, *m.amount);
    }
    table->Write();
  }
  ASSERT_TRUE(table->LockFile());
  table->Zap(100, 149);
  table->Unlock();
  model.erase(model.begin() + 99, model.begin() + 149);
  table->Close();

  const std::string out = RunReader(dir, path);
  const std::vector<std::string> lines = Split(out, '\n');
  ASSERT_GE(lines.size(), 2u) << out;
  EXPECT_EQ(lines[0], "FIELDS NAME:C:20:0,CHECKNO:N:10:0,AMOUNT:N:12:2,ISSUED:D:8:0,PAID:L:1:0");
  ASSERT_EQ(lines[1], "COUNT " + std::to_string(model.size())) << out;
  ASSERT_EQ(lines.size(), model.size() + 2);
  for (size_t i = 0; i < model.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i + 1) + ": " + lines[i + 2]);
    const Model& m = model[i];
    const std::vector<std::string> f = Split(lines[i + 2], '|');
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(f[0], m.deleted ? "1" : "0");
    EXPECT_EQ(f[1], m.name);
    EXPECT_EQ(f[2], m.checkno ? std::to_string(*m.checkno) : "<undef>");
    if (m.amount) {
      EXPECT_NEAR(std::stod(f[3]), *m.amount, 0.001);
    } else {
      EXPECT_EQ(f[3], "<undef>");
    }
    EXPECT_EQ(f[4], m.date ? *m.date : "<undef>");
    EXPECT_EQ(f[5], m.paid ? (*m.paid ? "1" : "0") : "<undef>");
  }
}

}  // namespace
}  // namespace volarin::dbf
