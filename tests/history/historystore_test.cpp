// The history written and read back: through the store, by an independent dBASE reader, and
// after a program left checks without their submission or a damaged index behind.
#include "history/historystore.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/errors.h"
#include "common/platform.h"
#include "dbf/mdx/tableindex.h"
#include "dbf/table.h"
#include "history/historytables.h"
#include "history/sentchecks.h"
#include "history_test_support.h"
#include "support/perl_script.h"
#include "support/temp_folder.h"

namespace volarin::history {
namespace {

using namespace testing;
using ::volarin::testing::TempFolder;
namespace fs = std::filesystem;

class HistoryStoreTest : public ::testing::Test {
 protected:
  TempFolder folder;
  HistoryStore store{folder.Path()};
  const std::vector<SentCheck> march15 = {
      Check(1001, "500.00"), Check(1002, "20.50", "02", "CAF\xC9 R\xD6SSLI"),
      Check(9999999999, "99999999.99", "03", std::string(60, 'W'), Day(2004, 12, 31))};
  const std::vector<SentCheck> otherBank = {Check(7, "0.07", "00", "X", Day(2005, 3, 15), "555")};
};

TEST_F(HistoryStoreTest, ReadingAnEmptyFolderFindsNothingAndCreatesNothing) {
  EXPECT_TRUE(store.Submissions().empty());
  EXPECT_TRUE(store.ChecksOf(1).empty());
  EXPECT_FALSE(store.LastSubmissionFor("1234567", Day(2005, 3, 15)));
  EXPECT_TRUE(store.LastSentChecks("1234567", {1001}).empty());
  EXPECT_TRUE(fs::is_empty(folder.Path()));
}

TEST_F(HistoryStoreTest, SubmissionsAndTheirChecksReadBackAsRecorded) {
  const Submission first = Sending("1234567", Day(2005, 3, 15), 3, "99999499.51");
  Submission second = Sending("555", Day(2005, 3, 15), 1, "0.07");
  second.mode = SubmissionMode::kOutstanding;
  second.startingCheckNumber = 5;
  EXPECT_EQ(store.Record(first, march15), 1);
  EXPECT_EQ(store.Record(second, otherBank), 2);

  Submission firstRead = first;
  firstRead.id = 1;
  Submission secondRead = second;
  secondRead.id = 2;
  EXPECT_EQ(store.Submissions(), (std::vector<Submission>{secondRead, firstRead}));
  EXPECT_EQ(store.Submissions("1234567"), std::vector<Submission>{firstRead});
  EXPECT_EQ(store.Submissions(" 555 "), std::vector<Submission>{secondRead});
  EXPECT_TRUE(store.Submissions("9").empty());
  EXPECT_EQ(store.ChecksOf(1), WithId(march15, 1));
  EXPECT_EQ(store.ChecksOf(2), WithId(otherBank, 2));
  EXPECT_TRUE(store.ChecksOf(3).empty());
  EXPECT_TRUE(fs::exists(folder / kSubmissionFile));
  EXPECT_TRUE(fs::exists(folder / "PPSUBMIT.MDX"));
  EXPECT_TRUE(fs::exists(folder / kSentCheckFile));
  EXPECT_TRUE(fs::exists(folder / "PPSENT.MDX"));
}

TEST_F(HistoryStoreTest, TheLatestSendingIsFoundForAnAccountAndDateAndForEachCheck) {
  store.Record(Sending("1234567", Day(2005, 3, 15)), march15);
  store.Record(Sending("1234567", Day(2005, 3, 14)), {Check(1001, "1.00")});
  store.Record(Sending("555", Day(2005, 3, 15)), otherBank);
  const std::vector<SentCheck> again = {Check(1002, "21.00", "00", "CAF\xC9 R\xD6SSLI")};
  store.Record(Sending("1234567", Day(2005, 3, 15)), again);

  const auto last = store.LastSubmissionFor("1234567", Day(2005, 3, 15));
  ASSERT_TRUE(last);
  EXPECT_EQ(last->id, 4);
  EXPECT_EQ(store.LastSubmissionFor("555", Day(2005, 3, 15)).value_or(Submission{}).id, 3);
  EXPECT_FALSE(store.LastSubmissionFor("1234567", Day(2005, 3, 16)));
  EXPECT_FALSE(store.LastSubmissionFor("123456", Day(2005, 3, 15)));

  const auto sent = store.LastSentChecks("1234567", {1001, 1002, 7, 4242});
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent.at(1001), WithId({Check(1001, "1.00")}, 2)[0]);
  EXPECT_EQ(sent.at(1002), WithId(again, 4)[0]);
  EXPECT_EQ(store.LastSentChecks("555", {7}).at(7).submissionId, 3);
}

TEST_F(HistoryStoreTest, ANullCreationTimeIsStampedWithNowAndTheUser) {
  Submission s = Sending("1234567", Day(2005, 3, 15));
  s.createdDate = Date();
  s.createdTime.clear();
  s.osUser.clear();
  const Date before = Date::Today();
  store.Record(s, {});
  const Submission read = store.Submissions().at(0);
  EXPECT_GE(read.createdDate, before);
  EXPECT_LE(read.createdDate, Date::Today());
  ASSERT_EQ(read.createdTime.size(), 8u);
  EXPECT_EQ(read.createdTime[2], ':');
  EXPECT_EQ(read.createdTime[5], ':');
  EXPECT_EQ(read.osUser, platform::CurrentUserName().substr(0, 30));
}

TEST_F(HistoryStoreTest, AValueThatDoesNotFitRecordsNothing) {
  store.Record(Sending("1234567", Day(2005, 3, 15)), march15);
  const std::vector<std::vector<SentCheck>> refused = {
      {Check(1, "1.00"), Check(2, "1000000000.00")},  // eleven places before the point
      {Check(1, "1.00"), Check(12345678901, "1.00")},
  };
  for (const auto& checks : refused) {
    EXPECT_THROW(store.Record(Sending("1234567", Day(2005, 3, 16)), checks), Error);
  }
  EXPECT_THROW(
      store.Record(Sending("1234567", Day(2005, 3, 16), 1, "9999999999999.00"), {Check(1, "1.00")}),
      Error);
  EXPECT_EQ(store.Submissions().size(), 1u);
  EXPECT_TRUE(store.LastSentChecks("1234567", {1, 2}).empty());
  EXPECT_EQ(store.Record(Sending("1234567", Day(2005, 3, 16)), {Check(1, "1.00")}), 2);
}

// A check of the file goes into the history and comes back as the report draws it: the payee as
// the register showed it, the amount to the cent.
TEST_F(HistoryStoreTest, FileChecksComeBackAsTheyWereSent) {
  PositivePayCheck shown;
  shown.bankAccount = "1234567";
  shown.bankNumber = "021000021";
  shown.checkNumber = 1001;
  shown.issueDate = Day(2005, 3, 15);
  shown.amount = Money::FromCents(123456);
  shown.statusCode = "02";
  shown.payee = "ACME";
  shown.shownPayee = "  ACME";
  PositivePayCheck plain = shown;
  plain.checkNumber = 1002;
  plain.shownPayee.clear();
  const int64_t id =
      store.Record(Sending("1234567", Day(2005, 3, 15)), {SentCheckOf(shown), SentCheckOf(plain)});
  const std::vector<PositivePayCheck> back = PositivePayChecksOf(store.ChecksOf(id));
  ASSERT_EQ(back.size(), 2u);
  for (PositivePayCheck* expected : {&shown, &plain}) expected->bankNumber.clear();
  for (size_t i = 0; i < back.size(); ++i) {
    const PositivePayCheck& want = i == 0 ? shown : plain;
    EXPECT_EQ(back[i].bankAccount, want.bankAccount);
    EXPECT_EQ(back[i].checkNumber, want.checkNumber);
    EXPECT_EQ(back[i].issueDate, want.issueDate);
    EXPECT_EQ(back[i].amount, want.amount);
    EXPECT_EQ(back[i].statusCode, want.statusCode);
    EXPECT_EQ(back[i].payee, want.payee);
    EXPECT_EQ(back[i].PayeeAsShown(), want.PayeeAsShown());
  }
}

// Appends a check record whose submission never got its own, as a writer that ended early does.
void AppendUncommittedCheck(const std::string& dataDir, int64_t submissionId, int64_t checkNo) {
  dbf::Context context;
  auto table = dbf::Table::Open(context, dataDir + "/" + kSentCheckFile);
  dbf::OpenIndex(*table, dbf::ProductionIndexPath(table->Path()));
  table->StartAppend();
  table->AssignBytes(table->FieldIndex(sent::kSubmissionId), std::to_string(submissionId));
  table->AssignBytes(table->FieldIndex(sent::kBankAccount), "1234567");
  table->AssignBytes(table->FieldIndex(sent::kCheckNo), std::to_string(checkNo));
  table->AssignBytes(table->FieldIndex(sent::kAmount), "5.00");
  table->Append();
  table->Close();
}

TEST_F(HistoryStoreTest, ChecksWithoutTheirSubmissionAreIgnoredAndClearedByTheNextWriter) {
  store.Record(Sending("1234567", Day(2005, 3, 15)), march15);
  AppendUncommittedCheck(folder.Path(), 2, 1001);
  AppendUncommittedCheck(folder.Path(), 2, 4242);

  EXPECT_TRUE(store.ChecksOf(2).empty());
  const auto sent = store.LastSentChecks("1234567", {1001, 4242});
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent.at(1001).submissionId, 1);

  // The next submission never takes the id its checks carried.
  EXPECT_EQ(store.Record(Sending("1234567", Day(2005, 3, 16)), {Check(5, "5.00")}), 3);
  EXPECT_TRUE(store.ChecksOf(2).empty());
  EXPECT_EQ(store.ChecksOf(3), WithId({Check(5, "5.00")}, 3));
  dbf::Context context;
  auto table = dbf::Table::Open(context, folder / kSentCheckFile);
  int deleted = 0;
  for (table->Top(); !table->Eof(); table->Skip()) deleted += table->Deleted() ? 1 : 0;
  EXPECT_EQ(deleted, 2);
}

TEST_F(HistoryStoreTest, AMissingOrDamagedIndexIsReadAroundAndRebuiltByTheNextWriter) {
  store.Record(Sending("1234567", Day(2005, 3, 15)), march15);
  const std::vector<std::pair<std::string, std::string>> damages = {
      {"PPSENT.MDX", ""}, {"PPSUBMIT.MDX", std::string(100, '\xFF')}};
  for (const auto& [file, bytes] : damages) {
    if (bytes.empty()) {
      fs::remove(folder / file);
    } else {
      ::volarin::testing::WriteBytes(folder / file, bytes);
    }
    EXPECT_EQ(store.ChecksOf(1), WithId(march15, 1)) << file;
    EXPECT_EQ(store.LastSentChecks("1234567", {1002}).at(1002).amount, Money::FromCents(2050))
        << file;
    EXPECT_EQ(store.LastSubmissionFor("1234567", Day(2005, 3, 15)).value_or(Submission{}).id, 1)
        << file;
  }
  store.Record(Sending("1234567", Day(2005, 3, 16)), {Check(5, "5.00")});
  for (const char* table : {kSubmissionFile, kSentCheckFile}) {
    dbf::Context context;
    auto t = dbf::Table::Open(context, folder / table);
    dbf::OpenIndex(*t, dbf::ProductionIndexPath(t->Path()));
    EXPECT_EQ(dbf::CheckIndex(*t), "") << table;
  }
  EXPECT_EQ(store.ChecksOf(2), WithId({Check(5, "5.00")}, 2));
}

// The independent reader sees the fields as the program meant them: numbers, dates as CCYYMMDD,
// texts in code page 437, the deletion flag clear.
TEST_F(HistoryStoreTest, PerlXBaseReadsTheHistoryTables) {
  VPP_SKIP_WITHOUT_PERL_READER();
  store.Record(Sending("1234567", Day(2005, 3, 15), 3, "99999499.51"), march15);
  const auto submissions =
      ::volarin::testing::ReadRecordsWithPerl(folder.Path(), folder / kSubmissionFile);
  ASSERT_TRUE(submissions.ok) << submissions.output;
  EXPECT_EQ(submissions.output,
            "0|1|20050316|09:30:05|clerk|ACC-1|1234567|20050315|D|0|3|"
            "99999499.51|20050315_1234567.txt|" +
                std::string(64, 'a') + "\n");
  const auto checks =
      ::volarin::testing::ReadRecordsWithPerl(folder.Path(), folder / kSentCheckFile);
  ASSERT_TRUE(checks.ok) << checks.output;
  // Perl gives the numbers as numbers: 500.00 reads as 500.
  EXPECT_EQ(checks.output,
            "0|1|1234567|1001|20050315|500|00|ACME SUPPLY\n"
            "0|1|1234567|1002|20050315|20.5|02|CAF\x90 R\x99SSLI\n"
            "0|1|1234567|9999999999|20041231|99999999.99|03|" +
                std::string(60, 'W') + "\n");
}

}  // namespace
}  // namespace volarin::history
