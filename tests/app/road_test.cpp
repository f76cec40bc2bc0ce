// The whole road through the main window's buttons, as an operator goes it: start-up, the
// date-mode extraction, a starting number, the Positive Pay file answered OK, the report window
// printed to a PDF file.
#include <QAbstractButton>
#include <algorithm>
#include <sstream>

#include "app/apptestsupport.h"
#include "controls/colordateedit.h"
#include "controls/coloredit.h"
#include "reportwindow/reporttopdf.h"
#include "storage/directreader.h"
#include "support/pdf_reader.h"

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
