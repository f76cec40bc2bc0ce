// Sending a Positive Pay file from a fixture register: the history's warnings answered OK and
// Cancel, what is recorded once the file is out, and nothing recorded when the export fails.
#include "history/sendfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "common/paths.h"
#include "common/platform.h"
#include "common/sha256.h"
#include "extraction/extraction_test_support.h"
#include "history/historystore.h"
#include "history/historytables.h"
#include "positivepay/worked_example.h"

namespace volarin::history {
namespace {

namespace fs = std::filesystem;
using volarin::testing::Ymd;

const Date kMarch15 = volarin::testing::kWorkedExampleDate;
const Date kMarch16 = Ymd(2005, 3, 16);

class SendFixture {
 public:
  SendFixture() : w(volarin::testing::WorkedExample()), savedFolder_(platform::CurrentFolder()) {
    SetShortDateFormat("MM/DD/YYYY");
    pickup = fs::path(w.Path("pickup")).make_preferred().string();
    w.checkRegister->Open();
    w.checkRegister->SetTag("date");
  }
  ~SendFixture() { platform::SetCurrentFolder(savedFolder_); }
  SendFixture(const SendFixture&) = delete;
  SendFixture& operator=(const SendFixture&) = delete;

  // Sends the register for the date, answering every warning with `answer`.
  SendResult Send(Date date, bool answer = true) {
    SendRequest request{ExportRequest{date, w.folder.Path(), pickup, {}}, "ESC001",
                        SubmissionMode::kDate, 0};
    return SendPositivePayFile(*w.checkRegister, request, [&](const std::string& warning) {
      warnings.push_back(warning);
      return answer;
    });
  }

  // Changes one check of the register.
  void Change(int64_t checkNumber, const std::function<void(TableCursor&)>& edit) {
    TableCursor& reg = *w.checkRegister;
    for (reg.GoTop(); !reg.Eof(); reg.Skip(1)) {
      if (reg.FieldAsInt64("CHECKNO") != checkNumber) continue;
      reg.StartEdit();
      edit(reg);
      reg.SaveEdit();
      return;
    }
    FAIL() << "no check " << checkNumber;
  }

  std::string Archive(Date date) const {
    return ArchiveFilePath(w.folder.Path(), date, date.Digits() + "_123456789.txt");
  }
  std::string PickupFile(Date date) const {
    return JoinPath(pickup, date.Digits() + "_123456789.txt");
  }
  HistoryStore Store() const { return HistoryStore(w.folder.Path()); }

  volarin::testing::MainWindowCursors w;
  std::string pickup;
  std::vector<std::string> warnings;

 private:
  std::string savedFolder_;
};

TEST(Send, TheFirstFileGoesOutUnaskedAndIsRecordedWithItsChecks) {
  SendFixture f;
  const SendResult result = f.Send(kMarch15);
  EXPECT_TRUE(f.warnings.empty());
  ASSERT_TRUE(result.sent);
  EXPECT_EQ(result.pickupFile, f.PickupFile(kMarch15));
  EXPECT_EQ(result.archiveFile, f.Archive(kMarch15));
  EXPECT_EQ(volarin::testing::ReadBytes(result.archiveFile),
            "03/15/2005,1001,\"ACME SUPPLY CO\",1250.5\r\n"
            "03/15/2005,1002,\"NORTH GARAGE\",300.00\r\n"
            "03/15/2005,1003,\"CITY WATER DEPT\",-75.25\r\n"
            "2,1475.25\r\n");

  const std::vector<Submission> submissions = f.Store().Submissions();
  ASSERT_EQ(submissions.size(), 1u);
  const Submission& s = submissions[0];
  EXPECT_EQ(s.id, result.submissionId);
  EXPECT_EQ(s.suiteAccount, "ESC001");
  EXPECT_EQ(s.bankAccount, "123456789");
  EXPECT_EQ(s.positivePayDate, kMarch15);
  EXPECT_EQ(s.mode, SubmissionMode::kDate);
  EXPECT_EQ(s.checkCount, 3);
  EXPECT_EQ(s.netTotal.FixedText(), "1475.25");
  EXPECT_EQ(s.archiveFileName, "20050315_123456789.txt");
  EXPECT_EQ(s.sha256, FileSha256Hex(result.archiveFile));
  EXPECT_FALSE(s.osUser.empty());
  EXPECT_FALSE(s.createdDate.IsNull());

  const std::vector<SentCheck> checks = f.Store().ChecksOf(s.id);
  ASSERT_EQ(checks.size(), 3u);
  const std::tuple<int64_t, const char*, const char*, const char*> expected[] = {
      {1001, "1250.50", "00", "ACME SUPPLY CO"},
      {1002, "300.00", "00", "NORTH GARAGE"},
      {1003, "75.25", "02", "CITY WATER DEPT"}};
  for (size_t i = 0; i < checks.size(); ++i) {
    const auto& [number, amount, status, payee] = expected[i];
    EXPECT_EQ(checks[i].checkNumber, number);
    EXPECT_EQ(checks[i].amount.FixedText(), amount);
    EXPECT_EQ(checks[i].statusCode, status);
    EXPECT_EQ(checks[i].payee, payee);
    EXPECT_EQ(checks[i].checkDate, kMarch15);
    EXPECT_EQ(checks[i].bankAccount, "123456789");
  }
}

// Each warning, answered Cancel (nothing written: no archive file, no pickup file, no history)
// and then OK (the file goes out and is recorded).
TEST(Send, EachWarningAnsweredCancelThenOk) {
  struct Case {
    const char* what;
    Date second;
    std::function<void(TableCursor&)> change;
    int64_t changedCheck;
    std::vector<std::string> told;
  };
  const std::vector<Case> cases = {
      {"the same account and date again",
       kMarch15,
       nullptr,
       0,
       {"A Positive Pay file for bank account 123456789 and 03/15/2005 was already created on",
        "(20050315_123456789.txt)"}},
      {"another amount",
       kMarch16,
       [](TableCursor& r) { r.AssignFloat("AMOUNT", 305); },
       1002,
       {"already sent with another amount, payee or date",
        "check 1002: sent 300.00 to \"NORTH GARAGE\" dated 03/15/2005, now 305.00"}},
      {"another payee",
       kMarch16,
       [](TableCursor& r) { r.AssignString("COMPANY", "ACME SUPPLY COMPANY"); },
       1001,
       {"check 1001: sent 1250.50 to \"ACME SUPPLY CO\"",
        "now 1250.50 to \"ACME SUPPLY COMPANY\""}},
      {"another date",
       kMarch16,
       [](TableCursor& r) { r.AssignDate("DATE", Ymd(2005, 3, 14)); },
       1001,
       {"check 1001:", "dated 03/15/2005, now", "dated 03/14/2005"}},
      {"a void issued again",
       kMarch16,
       [](TableCursor& r) { r.AssignString("STATUSCODE", "00"); },
       1003,
       {"These checks were sent as void and are now issued again:\n  check 1003"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SendFixture f;
    ASSERT_TRUE(f.Send(kMarch15).sent);
    // The bank has the first file: the copies are gone, the history keeps it.
    fs::remove(f.Archive(kMarch15));
    fs::remove(f.PickupFile(kMarch15));
    if (c.change) f.Change(c.changedCheck, c.change);

    EXPECT_FALSE(f.Send(c.second, false).sent);
    ASSERT_EQ(f.warnings.size(), 1u);
    for (const std::string& part : c.told) {
      EXPECT_NE(f.warnings[0].find(part), std::string::npos) << part << "\nin\n" << f.warnings[0];
    }
    EXPECT_FALSE(fs::exists(f.Archive(c.second)));
    EXPECT_TRUE(fs::is_empty(f.pickup));
    EXPECT_EQ(f.Store().Submissions().size(), 1u);

    const SendResult ok = f.Send(c.second, true);
    EXPECT_TRUE(ok.sent);
    EXPECT_EQ(f.warnings.size(), 2u);
    EXPECT_TRUE(fs::exists(f.Archive(c.second)));
    EXPECT_TRUE(fs::exists(f.PickupFile(c.second)));
    ASSERT_EQ(f.Store().Submissions().size(), 2u);
    EXPECT_EQ(f.Store().Submissions()[0].id, ok.submissionId);
  }
}

// A file in the archive that the history does not know (made before the history was kept, or by
// a run cut off between the file and its record) is put to the operator like one it knows.
TEST(Send, AnArchiveFileTheHistoryDoesNotKnowIsWarnedOf) {
  SendFixture f;
  ASSERT_TRUE(f.Send(kMarch15).sent);
  const std::string sentBytes = volarin::testing::ReadBytes(f.Archive(kMarch15));
  for (const char* table : {kSubmissionFile, kSentCheckFile}) {
    const std::string path = JoinPath(f.w.folder.Path(), table);
    fs::remove(path);
    fs::remove(path.substr(0, path.size() - 4) + ".MDX");
  }
  fs::remove(f.PickupFile(kMarch15));

  EXPECT_FALSE(f.Send(kMarch15, false).sent);
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_EQ(f.warnings[0],
            "A Positive Pay file for bank account 123456789 and 03/15/2005 was already created "
            "(20050315_123456789.txt in the archive folder), but the history has no record of "
            "it.\n");
  EXPECT_EQ(volarin::testing::ReadBytes(f.Archive(kMarch15)), sentBytes);
  EXPECT_TRUE(fs::is_empty(f.pickup));
  EXPECT_TRUE(f.Store().Submissions().empty());

  // Another date has no file yet, so nothing is asked.
  EXPECT_TRUE(f.Send(kMarch16).sent);
  EXPECT_EQ(f.warnings.size(), 1u);
  EXPECT_TRUE(f.Send(kMarch15, true).sent);
  EXPECT_EQ(f.warnings.size(), 2u);
  EXPECT_EQ(f.Store().Submissions().size(), 2u);
}

TEST(Send, AFailedExportRecordsNothing) {
  SendFixture f;
  // A file where the pickup folder should be: the pickup copy cannot be written.
  fs::create_directories(fs::path(f.pickup).parent_path());
  f.w.folder.Write("pickup", "not a folder");
  EXPECT_THROW(f.Send(kMarch15), Error);
  EXPECT_TRUE(f.Store().Submissions().empty());
  EXPECT_TRUE(f.warnings.empty());
}

TEST(Send, AnUnfinishedExtractionIsRefusedBeforeAnyQuestion) {
  SendFixture f;
  ASSERT_TRUE(f.Send(kMarch15).sent);
  f.w.checkRegister->MarkIncomplete(true);
  EXPECT_THROW(f.Send(kMarch15), Error);
  EXPECT_TRUE(f.warnings.empty()) << "the operator is not asked about a file that cannot be made";
  EXPECT_EQ(f.Store().Submissions().size(), 1u);
}

TEST(StartingCheckOfFilter, OnlyTheStartingNumbersFilter) {
  const std::pair<const char*, int64_t> cases[] = {
      {"checkno>=1002", 1002}, {"CHECKNO>= 7 ", 7}, {"", 0},
      {"checkno>=abc", 0},     {"amount>5", 0},     {"checkno>=9876543210", 9876543210}};
  for (const auto& [filter, number] : cases) {
    EXPECT_EQ(StartingCheckOfFilter(filter), number) << filter;
  }
}

}  // namespace
}  // namespace volarin::history
