// The report window running the Positive Pay report over a check register.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include "report/positivepayreport.h"
#include "reportwindow/reportpreview.h"
#include "reportwindow/reportwindow.h"
#include "storage/checkregister.h"
#include "storage/storage_test_support.h"
#include "support/pdf_reader.h"

namespace volarin {
namespace {

using testing::Ymd;

TEST(ReportWindowWithRegisterTest, ShowsTheLastOfThreeSectionsAndPrintsThemAll) {
  const std::string previousFormat = ShortDateFormat();
  SetShortDateFormat("MM/DD/YYYY");
  fixtures::DataFolderRows tables;
  for (const char* account : {"111", "222", "333"}) {
    for (int i = 0; i < 3; ++i) {
      tables.checkRegister.push_back(
          {account, 1000 + i, Ymd(2024, 3, 5), i == 1 ? "02" : "00", 12.5, "Payee"});
    }
  }
  testing::StorageSetup setup(tables);
  auto cursor = setup.Cursor("zorppay", true);
  DeclareCheckRecord(*cursor);
  cursor->Open();
  cursor->SetTag("date");

  std::vector<std::string> errors;
  ReportWindow window([&](ReportHost& host) {
    DrawReport(host, *cursor, ReportSettings{Ymd(2024, 3, 7), NumberSeparators{}});
  });
  window.SetErrorReporter([&](const std::string& message) { errors.push_back(message); });
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Drawn(); }, 20000));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(window.PageLabel(), QStringLiteral("Page 3 of 3"));
  EXPECT_TRUE(window.FitToWidth());
  EXPECT_EQ(window.Preview().Zoom(), 70);

  // Each page's header number is its place in the report, the one the label shows for it.
  for (int page = 3; page >= 1; --page) {
    EXPECT_EQ(window.PageLabel(), QStringLiteral("Page %1 of 3").arg(page));
    const auto& objects = window.Surface().Document().CurrentPage().objects;
    ASSERT_GT(objects.size(), 4u);
    EXPECT_EQ(std::get<TextObject>(objects[3]).text, "Page " + std::to_string(page));
    QTest::mouseClick(&window.ButtonOf(ReportWindow::Button::PreviousPage), Qt::LeftButton);
  }

  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
  window.SetPrintDialog([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  });
  window.Print();
  EXPECT_EQ(testing::RasterisePdf(pdf, 50, folder.path()).size(), 3u);
  EXPECT_EQ(window.PageLabel(), QStringLiteral("Page 1 of 3"));
  SetShortDateFormat(previousFormat);
}

}  // namespace
}  // namespace volarin
