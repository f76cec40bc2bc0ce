// The extraction's duplicate test against the register's own seek: after every check a run
// saves, each answer the remembered checks give equals the seek's, for bank accounts and check
// numbers at the edges of the register key (padding, cut, code page, ten digits and more).
#include "extraction/registerduplicates.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "common/errors.h"
#include "extraction/extraction_test_support.h"
#include "storage/keys.h"
#include "storage/tablefiles.h"

namespace volarin::testing {
namespace {

struct KeyCase {
  const char* name;
  std::string bankAccount;  // as the account map gives it; the run makes it an account key
  std::vector<int64_t> saved;
};

// Neighbours of every saved number that a looser comparison would take for it: one more and one
// less, a digit more and fewer, the same digits moved, and the numbers with no register key.
std::vector<int64_t> Probes(const std::vector<int64_t>& saved) {
  std::vector<int64_t> probes = {0, -1, -12, 1, 10'000'000'000, 12'345'678'901};
  for (int64_t n : saved) {
    for (int64_t p : {n, n - 1, n + 1, n * 10, n / 10, n * 10 + n % 10, n + 1'000'000'000}) {
      probes.push_back(p);
    }
  }
  return probes;
}

// 0 not found, 1 found, 2 refused with an error.
int Answer(const std::function<bool()>& ask) {
  try {
    return ask() ? 1 : 0;
  } catch (const Error&) {
    return 2;
  }
}

std::vector<std::pair<KeyCase, size_t>> Cases(const std::vector<KeyCase>& cases) {
  std::vector<std::pair<KeyCase, size_t>> withLimits;
  for (const KeyCase& c : cases) {
    withLimits.emplace_back(c, kRememberedChecksLimit);
    withLimits.emplace_back(c, 2);
  }
  return withLimits;
}

TEST(RegisterDuplicates, AnswerAsTheRegistersSeekAfterEverySavedCheck) {
  const std::vector<KeyCase> cases = {
      {"short account", "777", {1001, 12, 123, 1, 1002}},
      {"blanks inside, lower case", "bank 77 a", {5, 50, 500, 5000}},
      {"exactly fifteen", "ABCDEFGHIJKLMNO", {9'999'999'999, 999'999'999, 1'000'000'000}},
      {"longer than fifteen, cut", "ABCDEFGHIJKLMNOPQRS", {42, 4'200'000'000}},
      {"non-ASCII, stored in the OEM code page", "CAF\xC9 12", {7, 70, 700}},
      {"a number saved twice", "777", {31, 31, 32}},
  };
  // With the limit of remembered checks reached too, when the seek takes over.
  for (const auto& [c, limit] : Cases(cases)) {
    SCOPED_TRACE(std::string(c.name) + ", limit " + std::to_string(limit));
    MainWindowCursors w(fixtures::DataFolderRows{});
    TableCursor& reg = *w.checkRegister;
    reg.Open();
    reg.Zap(1, reg.RecCount());
    reg.SetTag(tables::kRegisterAccountTag);
    ASSERT_TRUE(IsRegisterKeyRule(reg.SelectedTagKeyExpression(), reg.SelectedTagKeyLength()));
    const std::string bank = AccountKey(c.bankAccount);
    RegisterDuplicates duplicates(reg, bank, true, limit);
    for (int64_t number : c.saved) {
      ASSERT_TRUE(reg.AppendBlank());
      reg.AssignString(tables::reg::kAccountNr, bank);
      reg.AssignInt64(tables::reg::kCheckNo, number);
      reg.SaveEdit();
      duplicates.Saved(number);
      for (int64_t probe : Probes(c.saved)) {
        const int remembered = Answer([&] { return duplicates.Holds(probe); });
        const uint32_t landedOn = reg.RecNo();
        const int sought = Answer([&] { return reg.Seek(RegisterKey(bank, probe)); });
        EXPECT_EQ(remembered, sought) << "check " << probe << " after saving " << number;
        EXPECT_EQ(landedOn, reg.RecNo()) << "check " << probe << " after saving " << number;
      }
    }
  }
}

TEST(RegisterDuplicates, KnowOnlyTheRegisterKeyRule) {
  const std::vector<std::tuple<std::string, int, bool>> rules = {
      {"ACCOUNTNR+STR(CHECKNO,10)", 25, true},
      {"accountnr+str(checkno,10)", 25, true},
      {"ACCOUNTNR+STR(CHECKNO,10)", 20, false},  // a narrower account field
      {"ACCOUNTNR+STR(CHECKNO,12)", 27, false},
      {"UPPER(ACCOUNTNR)+STR(CHECKNO,10)", 25, false},
      {"ACCOUNTNR + STR(CHECKNO,10)", 25, false},  // the same key, but not known by its text
      {"", 0, false},
  };
  for (const auto& [expression, length, known] : rules) {
    EXPECT_EQ(IsRegisterKeyRule(expression, length), known) << expression << " " << length;
  }
}

}  // namespace
}  // namespace volarin::testing
