// The whole road through the main window's buttons, as an operator goes it: start-up, the
// date-mode extraction, a starting number, the Positive Pay file answered OK, the report window
// printed to a PDF file; the history the file left, read back by the independent dBASE reader.
#include <QAbstractButton>
#include <algorithm>
#include <sstream>

#include "app/apptestsupport.h"
#include "common/paths.h"
#include "common/sha256.h"
#include "controls/colordateedit.h"
#include "controls/coloredit.h"
#include "history/historytables.h"
#include "reportwindow/reporttopdf.h"
#include "storage/directreader.h"
#include "support/pdf_reader.h"
#include "support/perl_script.h"

namespace volarin {
namespace {

using testing::ReadBytes;
using testing::WindowFixture;
using testing::Ymd;

fixtures::DataFolderRows Suite() {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"ESC001"}};
  rows.accountMap = {{"ESC001", "12-345", "B1"}};
  int64_t number = 100;
  for (const char* payee : {"ACME SUPPLY CO", "NORTH GARAGE", "CITY WATER DEPT"}) {
    fixtures::EscrowRow row;
    row.checkNo = number++;
    row.accountNr = "ESC001";
    row.prnDate = Ymd(2024, 3, 15);
    row.amount = 100.5;
    row.company = payee;
    rows.escrow.push_back(row);
  }
  return rows;
}

// The PDF's text lines with runs of blanks made one, so columns read as words.
// Page ends (form feeds) are blanks there, so the lines run on across pages.
std::vector<std::string> PdfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    std::istringstream words(line);
    std::string joined;
    for (std::string word; words >> word;) joined += (joined.empty() ? "" : " ") + word;
    if (!joined.empty()) lines.push_back(joined);
  }
  return lines;
}

// Every record of a table as the Perl XBase reader gives it, fields joined by "|", the deletion
// flag first.
std::vector<std::string> PerlRecords(const std::string& folder, const std::string& table) {
  const testing::ScriptRun run = testing::ReadRecordsWithPerl(folder, table);
  EXPECT_TRUE(run.ok) << run.output;
  std::vector<std::string> records;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) records.push_back(line);
  return records;
}

// The file's submission and its two checks, as another dBASE program reads them.
void ExpectHistoryAsSent(const std::string& folder, const std::string& archiveFile) {
  if (!testing::kPerlReaderAvailable) return;
  const std::vector<std::string> submissions =
      PerlRecords(folder, JoinPath(folder, history::kSubmissionFile));
  ASSERT_EQ(submissions.size(), 1u);
  std::vector<std::string> fields;
  std::istringstream record(submissions[0]);
  for (std::string field; std::getline(record, field, '|');) fields.push_back(field);
  // deleted, id, created date, time, user, suite account, bank account, date, mode, starting
  // number, count, net total, archive file, SHA-256
  ASSERT_EQ(fields.size(), 14u) << submissions[0];
  EXPECT_EQ(fields[0], "0");
  EXPECT_EQ(fields[1], "1");
  const std::vector<std::string> sent(fields.begin() + 5, fields.end());
  EXPECT_EQ(sent, (std::vector<std::string>{"ESC001", "12-345", "20240315", "D", "101", "2", "201",
                                            "20240315_12-345.txt", FileSha256Hex(archiveFile)}));
  EXPECT_EQ(PerlRecords(folder, JoinPath(folder, history::kSentCheckFile)),
            (std::vector<std::string>{"0|1|12-345|101|20240315|100.5|00|NORTH GARAGE",
                                      "0|1|12-345|102|20240315|100.5|00|CITY WATER DEPT"}));
}

TEST(Road, FromStartUpToThePrintedReport) {
  WindowFixture fixture(Suite());
  MainWindow& window =
      fixture.Show([&](MainWindow& w) { w.SetPickupFolder(fixture.folder / "pickup"); });
  window.DateEdit1().setDate(QDate(2024, 3, 15));
  window.ButtonOf(MainWindow::Button::ShowChecks).click();
  ASSERT_TRUE(fixture.recorders.errors.empty());
  EXPECT_EQ(window.zorppay().RecCount(), 3u);

  window.edchk().setText("101");
  window.ButtonOf(MainWindow::Button::Set).click();

  const std::string pdf = fixture.folder / "report.pdf";
  const ReportToPdf reportPrinter(pdf);
  fixture.recorders.confirmAnswer = true;
  const Date today = Date::Today();
  window.ButtonOf(MainWindow::Button::CreateFile).click();

  ASSERT_TRUE(fixture.recorders.errors.empty()) << fixture.recorders.errors.front();
  EXPECT_EQ(ReadBytes(fixture.folder / "pickup/20240315_12-345.txt"),
            "03/15/2024,101,\"NORTH GARAGE\",100.5\r\n"
            "03/15/2024,102,\"CITY WATER DEPT\",100.5\r\n"
            "2,201.00\r\n");
  EXPECT_EQ(ReadBytes(fixture.folder / "POSPAY/PP202403/20240315_12-345.txt"),
            ReadBytes(fixture.folder / "pickup/20240315_12-345.txt"));
  ExpectHistoryAsSent(fixture.folder.Path(),
                      fixture.folder / "POSPAY/PP202403/20240315_12-345.txt");
  ASSERT_TRUE(reportPrinter.Printed());
  EXPECT_EQ(ReadBytes(pdf).substr(0, 4), "%PDF");
  // One page: the heading with the bank account, the two checks from the starting number on,
  // and their count and total.
  const std::string text = testing::PdfText(QString::fromStdString(pdf));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 1);
  const std::vector<std::string> lines = PdfLines(text);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines[0] == LongDateText(today) || lines[0] == LongDateText(Date::Today()))
      << lines[0];
  const std::vector<std::string> rest(lines.begin() + 1, lines.end());
  EXPECT_EQ(rest,
            (std::vector<std::string>{"Positive Pay Report Page 1", "12-345",
                                      "Print Date Check No. Amount Payee Status",
                                      "03/15/2024 101 $100.50 NORTH GARAGE",
                                      "03/15/2024 102 $100.50 CITY WATER DEPT", "2 $201.00"}));
}

}  // namespace
}  // namespace volarin
