#include "extraction/extraction.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "common/confirmbox.h"
#include "common/text.h"
#include "extraction/extraction_test_support.h"
#include "storage/keys.h"

namespace volarin::testing {
namespace {

const Date kDay = Ymd(2024, 3, 15);

fixtures::EscrowRow Escrow(int64_t number, const std::string& account, Date printed, double amount,
                           const std::string& company) {
  fixtures::EscrowRow row;
  row.checkNo = number;
  row.accountNr = account;
  row.prnDate = printed;
  row.amount = amount;
  row.company = company;
  return row;
}

fixtures::ClosingRow Closing(int64_t number, const std::string& account, Date date, double amount,
                             const std::string& company, double voidAmount = 0) {
  fixtures::ClosingRow row;
  row.checkNo = number;
  row.accountNr = account;
  row.date = date;
  row.amount = amount;
  row.voidAmount = voidAmount;
  row.company = company;
  return row;
}

fixtures::DataFolderRows SuiteData() {
  fixtures::DataFolderRows rows;
  rows.accountMap = {{"ESC100", "bank-777", "BNK01"}, {"ESC200", "222", "B2"}};
  rows.accountList = {{"ESC100"}, {"ESC200"}};
  auto& e = rows.escrow;
  e.push_back(Escrow(1001, "ESC100", kDay, 1250.5, "ACME SUPPLY CO"));
  auto voidedLater = Escrow(1002, " esc100 ", kDay, 300, "NORTH GARAGE");
  voidedLater.voidFlag = 1;
  voidedLater.voidDate = kDay + 5;
  e.push_back(voidedLater);
  auto voidedToday = Escrow(1003, "ESC100", kDay - 10, 75.25, "CITY WATER");
  voidedToday.voidFlag = 1;
  voidedToday.voidDate = kDay;
  e.push_back(voidedToday);
  auto cleared = Escrow(1004, "ESC100", kDay, 10, "CLEARED");
  cleared.clrStatus = "C";
  e.push_back(cleared);
  auto lowerC = Escrow(1005, "ESC100", kDay, 11, "LOWER c");
  lowerC.clrStatus = "c";
  e.push_back(lowerC);
  e.push_back(Escrow(1006, "ESC200", kDay, 12, "OTHER ACCOUNT"));
  for (auto [seq, amount] : {std::pair{"1", 100.0}, {"2", 50.0}, {"3", 25.0}}) {
    auto line = Escrow(1007, "ESC100", kDay, amount, "SEQUENCE");
    line.seq = seq;
    e.push_back(line);
  }
  for (auto [seq, amount] : {std::pair{"1", 40.0}, {"2", 2.0}}) {
    auto line = Escrow(1008, "ESC100", kDay, amount, "SEQ TWO");
    line.seq = seq;
    e.push_back(line);
  }
  auto shortNumber = Escrow(0, "ESC100", kDay, 5, "SHORT NUMBER");
  shortNumber.checkNoText = "00012";
  e.push_back(shortNumber);
  auto noDigits = Escrow(0, "ESC100", kDay, 6, "NO DIGITS");
  noDigits.checkNoText = "ABC";
  e.push_back(noDigits);
  e.push_back(Escrow(3000000000LL, "ESC100", kDay, 9, "BIG NUMBER"));
  auto deleted = Escrow(1009, "ESC100", kDay, 1, "DELETED");
  deleted.deleted = true;
  e.push_back(deleted);
  e.push_back(Escrow(1010, "ESC100         XYZ", kDay, 3, "LONG ACCOUNT"));
  e.push_back(Escrow(1011, "ESC100", kDay + 1, 4, "TOMORROW"));
  e.push_back(Escrow(1012, "ESC100", kDay - 30, 60, "OLD CHECK"));
  auto oldVoid = Escrow(1013, "ESC100", kDay - 20, 70, "OLD VOID");
  oldVoid.voidFlag = 1;
  oldVoid.voidDate = kDay - 19;
  e.push_back(oldVoid);
  auto oldCleared = Escrow(1014, "ESC100", kDay - 40, 33, "OLD CLEARED");
  oldCleared.clrStatus = "C";
  e.push_back(oldCleared);

  auto& c = rows.closing;
  c.push_back(Closing(2001, "ESC100", kDay, 500, "CLOSING PAYEE"));
  c.push_back(Closing(2002, "ESC100", kDay, 0, "CLOSING VOID", 80));
  c.push_back(Closing(1001, "ESC100", kDay, 1250.5, "REPEATS ESCROW"));
  c.push_back(Closing(1014, "ESC100", kDay, 33, "CLEARED IN ESCROW"));
  c.push_back(Closing(2003, "ESC200", kDay, 1, "OTHER ACCOUNT"));
  c.push_back(Closing(4000000000LL, "ESC100", kDay, 7, "BIG CLOSING"));
  c.push_back(Closing(2004, "esc100", kDay - 1, 8, "YESTERDAY"));
  return rows;
}

RegisterRow Row(int64_t number, Date date, const char* status, double amount, const char* company) {
  return {"BANK-777", number, date.Digits(), status, amount, company, "BNK01"};
}

class Recorder : public ExtractionProgress {
 public:
  void SourceChanged(const std::string& text) override { sources.push_back(text); }
  void CheckVisited(int64_t number) override { visited.push_back(number); }
  void AccountMissing() override {
    ++accountMissing;
    if (onAccountMissing) onAccountMissing();
  }
  std::vector<std::string> sources;
  std::vector<int64_t> visited;
  int accountMissing = 0;
  std::function<void()> onAccountMissing;
};

TEST(Extraction, DateModeWritesPrintedVoidedAndClosingChecksOnce) {
  MainWindowCursors w(SuiteData());
  Recorder progress;
  EXPECT_EQ(RunExtraction(w.Cursors(), w.Request("Esc100         ", kDay), &progress),
            ExtractionResult::kCompleted);

  const std::vector<RegisterRow> expected = {
      Row(1003, kDay - 10, "02", 75.25, "CITY WATER"),  // voided today, dated by its print date
      Row(1001, kDay, "00", 1250.5, "ACME SUPPLY CO"),
      Row(1002, kDay, "02", 300, "NORTH GARAGE"),  // void, whatever its void date
      Row(1005, kDay, "00", 11, "LOWER c"),        // only "C" counts as cleared
      Row(1007, kDay, "00", 175, "SEQUENCE"),      // three sequence lines, one check
      Row(1008, kDay, "00", 42, "SEQ TWO"),        // its total starts from 0
      Row(12, kDay, "00", 5, "SHORT NUMBER"),
      Row(3000000000LL, kDay, "00", 9, "BIG NUMBER"),
      Row(1010, kDay, "00", 3, "LONG ACCOUNT"),  // only 15 characters of the account count
      Row(2001, kDay, "00", 500, "CLOSING PAYEE"),
      Row(2002, kDay, "02", 80, "CLOSING VOID"),
      Row(4000000000LL, kDay, "00", 7, "BIG CLOSING"),
  };
  EXPECT_EQ(w.Register(), expected);
  EXPECT_EQ(UpperAscii(w.checkRegister->SelectedTag()), "DATE");  // tag names ignore case
  EXPECT_FALSE(RegisterIncomplete(*w.checkRegister));
  EXPECT_EQ(progress.sources,
            (std::vector<std::string>{kExtractingFromEscrow, kExtractingFromClosing}));
  // Every record of each range is shown, those passed over included.
  EXPECT_NE(std::find(progress.visited.begin(), progress.visited.end(), 1004),
            progress.visited.end());
  EXPECT_NE(std::find(progress.visited.begin(), progress.visited.end(), 4000000000LL),
            progress.visited.end());
}

TEST(Extraction, OutstandingModeTakesUnclearedUnvoidedChecksUpToTheDate) {
  MainWindowCursors w(SuiteData());
  Recorder progress;
  RunExtraction(w.Cursors(), w.Request("ESC100", kDay, /*outstanding=*/true), &progress);
  const std::vector<RegisterRow> expected = {
      Row(1012, kDay - 30, "00", 60, "OLD CHECK"),
      Row(1001, kDay, "00", 1250.5, "ACME SUPPLY CO"),
      Row(1005, kDay, "00", 11, "LOWER c"),
      Row(1007, kDay, "00", 175, "SEQUENCE"),
      Row(1008, kDay, "00", 42, "SEQ TWO"),
      Row(12, kDay, "00", 5, "SHORT NUMBER"),
      Row(3000000000LL, kDay, "00", 9, "BIG NUMBER"),
      Row(1010, kDay, "00", 3, "LONG ACCOUNT"),
  };
  EXPECT_EQ(w.Register(), expected);
  EXPECT_EQ(progress.sources, std::vector<std::string>{kExtractingFromEscrow});
}

// The escrow check number is the digits of its text wherever they stand; the dialog is shown the
// number of every record, those passed over included.
TEST(Extraction, EscrowCheckNumberTextsGiveTheirDigits) {
  // clang-format off
  const std::vector<std::pair<std::string, int64_t>> cases = {
      {"0000001234", 1234}, {"  56", 56}, {"7 8", 78}, {"-90", 90}, {"1A2B", 12}, {"ABC", 0},
      {"   ", 0}, {"4\x99 5", 45}, {"9999999999", 9999999999LL}};
  // clang-format on
  fixtures::DataFolderRows rows;
  rows.accountMap = {{"ESC100", "BANK-777", "BNK01"}};
  std::vector<int64_t> expectedVisited;
  std::vector<int64_t> expectedWritten;
  for (size_t i = 0; i < cases.size(); ++i) {
    // One print date each, so the range gives them in this order.
    auto row = Escrow(0, "ESC100", kDay - static_cast<int>(cases.size() - i), 1, "PAYEE");
    row.checkNoText = cases[i].first;
    rows.escrow.push_back(row);
    expectedVisited.push_back(cases[i].second);
    if (cases[i].second > 0) expectedWritten.push_back(cases[i].second);
  }
  MainWindowCursors w(rows);
  Recorder progress;
  RunExtraction(w.Cursors(), w.Request("ESC100", kDay, /*outstanding=*/true), &progress);
  EXPECT_EQ(progress.visited, expectedVisited);
  std::vector<int64_t> written;
  for (const RegisterRow& row : w.Register()) written.push_back(row.checkNo);
  EXPECT_EQ(written, expectedWritten);
}

// Without a window to show each line's number, a line of another account is passed over before
// its number is read. Both roads fill the register alike, in both modes, over accounts written
// in every way and number texts of every kind, on either side of the account test.
TEST(Extraction, ARunWithoutAWindowWritesWhatARunWithOneWrites) {
  fixtures::DataFolderRows rows = SuiteData();
  const std::vector<std::string> numbers = {"0000001234", "  56", "-90",     "1A2B",      "ABC",
                                            "   ",        "0",    "4\x99 5", "9999999999"};
  const std::vector<std::string> accounts = {"ESC100", " esc100", "ESC200",
                                             "",       "ESC1000", "ESC100\x01"};
  int day = 0;
  for (const std::string& account : accounts) {
    for (const std::string& number : numbers) {
      auto row = Escrow(0, account, kDay - (day++ % 3), 2, "LINE " + account + number);
      row.checkNoText = number;
      rows.escrow.push_back(row);
    }
  }
  for (const bool outstanding : {false, true}) {
    MainWindowCursors watched(rows);
    Recorder progress;
    RunExtraction(watched.Cursors(), watched.Request("ESC100", kDay, outstanding), &progress);
    MainWindowCursors unwatched(rows);
    RunExtraction(unwatched.Cursors(), unwatched.Request("ESC100", kDay, outstanding), nullptr);
    const std::vector<RegisterRow> written = watched.Register();
    EXPECT_GT(written.size(), 10u);
    EXPECT_EQ(unwatched.Register(), written) << (outstanding ? "outstanding" : "date mode");
  }
}

TEST(Extraction, MissingAccountIsReportedOnceTheRegisterIsEmptied) {
  MainWindowCursors w(SuiteData());
  std::vector<std::string> shown;
  ScopedConfirmPresenter presenter([&](const std::string&, const std::string& message) {
    shown.push_back(message);
    return true;
  });
  RunExtraction(w.Cursors(), w.Request("ESC100", kDay), nullptr);
  ASSERT_FALSE(w.Register().empty());

  Recorder progress;
  bool emptyWhenReported = false;
  progress.onAccountMissing = [&] { emptyWhenReported = w.checkRegister->RecCount() == 0; };
  EXPECT_EQ(RunExtraction(w.Cursors(), w.Request("NOT MAPPED", kDay), &progress),
            ExtractionResult::kAccountMissing);
  EXPECT_EQ(progress.accountMissing, 1);
  EXPECT_TRUE(emptyWhenReported);
  EXPECT_TRUE(progress.sources.empty());  // no source was read
  EXPECT_TRUE(shown.empty());             // telling the operator is the window's part
  EXPECT_TRUE(w.Register().empty());

  // Without anyone to tell, the result alone says it.
  EXPECT_EQ(RunExtraction(w.Cursors(), w.Request("NOT MAPPED", kDay), nullptr),
            ExtractionResult::kAccountMissing);
  EXPECT_EQ(UpperAscii(w.checkRegister->SelectedTag()), "DATE");  // tag names ignore case
}

TEST(Extraction, ASecondRunReplacesTheRegisterEvenWhenItFindsNothing) {
  MainWindowCursors w(SuiteData());
  RunExtraction(w.Cursors(), w.Request("ESC100", kDay), nullptr);
  RunExtraction(w.Cursors(), w.Request("ESC100", kDay), nullptr);
  EXPECT_EQ(w.Register().size(), 12u);
  RunExtraction(w.Cursors(), w.Request("ESC100", Ymd(2030, 1, 1)), nullptr);
  EXPECT_TRUE(w.Register().empty());
  EXPECT_EQ(w.checkRegister->RecCount(), 0u);
}

TEST(Extraction, AStartingNumberFilterNeitherDuplicatesChecksNorIsLost) {
  MainWindowCursors w(SuiteData());
  RunExtraction(w.Cursors(), w.Request("ESC100", kDay), nullptr);
  w.checkRegister->SetFilter("checkno>=2000");
  w.checkRegister->FilterOn(true);

  RunExtraction(w.Cursors(), w.Request("ESC100", kDay), nullptr);
  // Every check once in the file, the filter still in force for the grid.
  EXPECT_EQ(w.checkRegister->RecCount(), 12u);
  EXPECT_TRUE(w.checkRegister->Filtered());
  std::vector<int64_t> numbers;
  for (const RegisterRow& row : w.Register()) numbers.push_back(row.checkNo);
  EXPECT_EQ(numbers, (std::vector<int64_t>{3000000000LL, 2001, 2002, 4000000000LL}));
}

TEST(Extraction, AnErrorKeepsWhatWasPostedAndMarksTheRegisterUnfinished) {
  MainWindowCursors w(SuiteData());
  std::filesystem::remove(w.Path("rpsdis.dbf"));  // the closing pass cannot open its table
  EXPECT_THROW(RunExtraction(w.Cursors(), w.Request("ESC100", kDay), nullptr), Error);
  EXPECT_EQ(w.Register().size(), 9u);  // both escrow passes were posted
  EXPECT_TRUE(RegisterIncomplete(*w.checkRegister));
  EXPECT_EQ(UpperAscii(w.checkRegister->SelectedTag()), "DATE");  // tag names ignore case

  // The mark is in the file: a program that opens the register later sees it too.
  w.checkRegister->Close();
  w.checkRegister->Open();
  EXPECT_TRUE(RegisterIncomplete(*w.checkRegister));

  fixtures::CreateClosing(w.folder.Path(), {});
  RunExtraction(w.Cursors(), w.Request("ESC100", kDay), nullptr);
  EXPECT_FALSE(RegisterIncomplete(*w.checkRegister));
}

TEST(SequenceTotal, SumsTheLinesOfOneCheck) {
  MainWindowCursors w(SuiteData());
  const std::string key = AccountKey("ESC100");
  EXPECT_DOUBLE_EQ(SequenceTotal(w.folder.Path(), key, 1007), 175);
  EXPECT_DOUBLE_EQ(SequenceTotal(w.folder.Path(), key, 1008), 42);
  EXPECT_DOUBLE_EQ(SequenceTotal(w.folder.Path(), key, 1001), 1250.5);
  EXPECT_DOUBLE_EQ(SequenceTotal(w.folder.Path(), key, 999), 0);
  EXPECT_DOUBLE_EQ(SequenceTotal(w.folder.Path() + "/missing", key, 1007), 0);
}

}  // namespace
}  // namespace volarin::testing
