// The three guards before a file goes out, decided from what the history holds.
#include "history/guards.h"

#include <gtest/gtest.h>

#include "history_test_support.h"
#include "support/temp_folder.h"

namespace volarin::history {
namespace {

using namespace testing;

std::vector<int64_t> Numbers(const std::vector<CheckChange>& changes) {
  std::vector<int64_t> numbers;
  for (const CheckChange& c : changes) numbers.push_back(c.now.checkNumber);
  return numbers;
}

TEST(Guards, ChecksSentBeforeAreComparedWithWhatGoesOutNow) {
  struct Case {
    const char* what;
    SentCheck sent;
    SentCheck now;
    bool changed;
    bool voidNowIssued;
  };
  const Date d = Day(2005, 3, 15);
  const Case cases[] = {
      {"the same check again", Check(1, "500.00"), Check(1, "500.00"), false, false},
      {"the same amount written otherwise", Check(1, "500.00"), Check(1, " 500"), false, false},
      {"the payee's blanks around it", Check(1, "5.00", "00", "ACME"),
       Check(1, "5.00", "00", " ACME  "), false, false},
      {"another amount", Check(1, "500.00"), Check(1, "505.00"), true, false},
      {"a cent more", Check(1, "500.00"), Check(1, "500.01"), true, false},
      // The history keeps cents; a third decimal in the register rounds to what it holds.
      {"a third decimal", Check(1, "12.35"), Check(1, "12.349"), false, false},
      {"the sign turned", Check(1, "5.00"), Check(1, "-5.00"), true, false},
      {"another payee", Check(1, "5.00", "00", "ACME"), Check(1, "5.00", "00", "ACME INC"), true,
       false},
      {"another date", Check(1, "5.00", "00", "A", d), Check(1, "5.00", "00", "A", d + 1), true,
       false},
      {"issued, now void", Check(1, "5.00", "00"), Check(1, "5.00", "02"), false, false},
      {"void, now issued", Check(1, "5.00", "02"), Check(1, "5.00", "00"), false, true},
      {"void, now issued for more", Check(1, "5.00", "02"), Check(1, "6.00", "00"), true, true},
      {"stopped, now issued", Check(1, "5.00", "03"), Check(1, "5.00", "00"), false, false},
  };
  for (const Case& c : cases) {
    SentCheck sent = c.sent;
    sent.submissionId = 7;
    const GuardFindings found = DecideGuards(std::nullopt, {{1, sent}}, {c.now});
    EXPECT_EQ(found.changed.size(), c.changed ? 1u : 0u) << c.what;
    EXPECT_EQ(found.voidNowIssued.size(), c.voidNowIssued ? 1u : 0u) << c.what;
    EXPECT_EQ(found.Any(), c.changed || c.voidNowIssued) << c.what;
    if (c.changed) {
      EXPECT_EQ(found.changed[0].sent, sent) << c.what;
      EXPECT_EQ(found.changed[0].now, c.now) << c.what;
    }
  }
}

TEST(Guards, OnlyChecksSentBeforeAreListedInTheOrderTheyGoOut) {
  const std::map<int64_t, SentCheck> sent = {
      {3, Check(3, "3.00")}, {1, Check(1, "1.00", "02")}, {2, Check(2, "2.00")}};
  const std::vector<SentCheck> now = {Check(4, "4.00"), Check(3, "3.50"), Check(2, "2.00"),
                                      Check(1, "1.00", "00"), Check(5, "5.00")};
  const GuardFindings found = DecideGuards(std::nullopt, sent, now);
  EXPECT_EQ(Numbers(found.changed), std::vector<int64_t>{3});
  EXPECT_EQ(Numbers(found.voidNowIssued), std::vector<int64_t>{1});
  EXPECT_FALSE(found.alreadySent);
}

TEST(Guards, TheHistoryAnswersForTheAccountAndDateAndTheWarningSaysWhen) {
  ::volarin::testing::TempFolder folder;
  HistoryStore store(folder.Path());
  store.Record(Sending("1234567", Day(2005, 3, 15)),
               {Check(1001, "500.00"), Check(1002, "20.00", "02")});
  store.Record(Sending("999", Day(2005, 3, 16)), {Check(1001, "1.00", "00", "X", {}, "999")});

  const std::vector<SentCheck> next = {Check(1001, "505.00"), Check(1002, "20.00", "00"),
                                       Check(1003, "1.00")};
  const GuardFindings sameDay = CheckBeforeSending(store, "1234567", Day(2005, 3, 15), next);
  ASSERT_TRUE(sameDay.alreadySent);
  EXPECT_EQ(sameDay.alreadySent->id, 1);
  EXPECT_EQ(Numbers(sameDay.changed), std::vector<int64_t>{1001});
  EXPECT_EQ(Numbers(sameDay.voidNowIssued), std::vector<int64_t>{1002});
  EXPECT_EQ(GuardWarningText(sameDay),
            "A Positive Pay file for bank account 1234567 and 03/15/2005 was already created on "
            "03/16/2005 at 09:30:05 by clerk (20050315_1234567.txt).\n"
            "\n"
            "These checks were already sent with another amount, payee or date:\n"
            "  check 1001: sent 500.00 to \"ACME SUPPLY\" dated 03/15/2005, now 505.00 to "
            "\"ACME SUPPLY\" dated 03/15/2005\n"
            "\n"
            "These checks were sent as void and are now issued again:\n"
            "  check 1002\n");

  GuardFindings many;
  for (int64_t n = 1; n <= 12; ++n)
    many.voidNowIssued.push_back({Check(n, "1.00", "02"), Check(n, "1.00")});
  const std::string listed = GuardWarningText(many);
  EXPECT_NE(listed.find("  check 10\n  and 2 more\n"), std::string::npos) << listed;
  EXPECT_EQ(listed.find("check 11"), std::string::npos) << listed;

  const GuardFindings nextDay =
      CheckBeforeSending(store, "1234567", Day(2005, 3, 16), {Check(1003, "1.00")});
  EXPECT_FALSE(nextDay.Any());
  EXPECT_EQ(GuardWarningText(nextDay), "");
}

}  // namespace
}  // namespace volarin::history
