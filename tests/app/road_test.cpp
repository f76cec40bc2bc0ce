// The whole road through the main window's buttons, as an operator goes it: start-up, the
// date-mode extraction, a starting number, the Positive Pay file answered OK, the report window
// printed to a PDF file.
#include <QAbstractButton>
#include <QPrinter>
#include <QTimer>

#include "app/apptestsupport.h"
#include "controls/colordateedit.h"
#include "controls/coloredit.h"
#include "report/reportwindow.h"

namespace volarin {
namespace {

using testing::ReadFile;
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

int PdfPages(const std::string& bytes) {
  int pages = 0;
  for (size_t at = bytes.find("/Type /Page"); at != std::string::npos;
       at = bytes.find("/Type /Page", at + 1)) {
    if (bytes.compare(at, 12, "/Type /Pages") != 0) ++pages;
  }
  return pages;
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
  bool printed = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* report = qobject_cast<ReportWindow*>(QApplication::activeModalWidget());
    if (!report || !report->Drawn() || printed) return;
    printed = true;
    report->SetPrintDialog([&](QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(pdf));
      return true;
    });
    report->ButtonOf(ReportWindow::Button::Print).click();
    report->close();
  });
  watch.start(20);
  fixture.recorders.confirmAnswer = true;
  window.ButtonOf(MainWindow::Button::CreateFile).click();
  watch.stop();

  ASSERT_TRUE(fixture.recorders.errors.empty()) << fixture.recorders.errors.front();
  EXPECT_EQ(ReadFile(fixture.folder / "pickup/20240315_12-345.txt"),
            "03/15/2024,101,\"NORTH GARAGE\",100.5\r\n"
            "03/15/2024,102,\"CITY WATER DEPT\",100.5\r\n"
            "2,201.00\r\n");
  EXPECT_EQ(ReadFile(fixture.folder / "POSPAY/PP202403/20240315_12-345.txt"),
            ReadFile(fixture.folder / "pickup/20240315_12-345.txt"));
  ASSERT_TRUE(printed);
  const std::string bytes = ReadFile(pdf);
  EXPECT_EQ(bytes.substr(0, 4), "%PDF");
  EXPECT_EQ(PdfPages(bytes), 1);
}

}  // namespace
}  // namespace volarin
