// Printing the report through the system's print service as an operator does: the printer
// chosen in the print dialog, the job sent to CUPS, the sheets that come out checked.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "report/pageexport.h"
#include "report/positivepayreport.h"
#include "reportwindow/printservice.h"
#include "reportwindow/reportwindow.h"
#include "storage/checkregister.h"
#include "storage/storage_test_support.h"
#include "support/pdf_reader.h"

namespace volarin {
namespace {

using testing::PrintService;
using testing::Ymd;

// Answers the next print dialog as an operator would: picks the printer by name in the dialog's
// printer list and presses its Print button (or cancels when no name is given). Records which
// printers the dialog offered.
class PrintDialogOperator {
 public:
  explicit PrintDialogOperator(QString printer) : printer_(std::move(printer)) {
    QObject::connect(&watch_, &QTimer::timeout, [this] { Look(); });
    watch_.start(50);
  }
  bool Answered() const { return answered_; }
  const QStringList& Offered() const { return offered_; }

 private:
  void Look() {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (!dialog || answered_) return;
    answered_ = true;
    watch_.stop();
    for (QComboBox* list : dialog->findChildren<QComboBox*>()) {
      const int at = list->findText(printer_);
      for (int i = 0; i < list->count(); ++i) offered_ << list->itemText(i);
      if (!printer_.isEmpty() && at >= 0) {
        list->setCurrentIndex(at);
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        if (buttons && buttons->button(QDialogButtonBox::Ok)) {
          buttons->button(QDialogButtonBox::Ok)->click();
          return;
        }
      }
    }
    dialog->reject();
  }

  QString printer_;
  QTimer watch_;
  bool answered_ = false;
  QStringList offered_;
};

// How much of the ink of two pictures of a sheet lies at the same place, in cells of one
// millimetre (10 pixels): the cells inked in both, of the cells inked in either. The second
// picture is looked at moved by (dx, dy) pixels.
double InkAgreement(const QImage& a, const QImage& b, int dx, int dy) {
  constexpr int kCell = 10;
  const auto inked = [](const QImage& image, int cellX, int cellY, int shiftX, int shiftY) {
    for (int y = cellY * kCell; y < (cellY + 1) * kCell; ++y) {
      for (int x = cellX * kCell; x < (cellX + 1) * kCell; ++x) {
        const int sx = x - shiftX;
        const int sy = y - shiftY;
        if (sx < 0 || sy < 0 || sx >= image.width() || sy >= image.height()) continue;
        if (qGray(image.pixel(sx, sy)) < 128) return true;
      }
    }
    return false;
  };
  int both = 0;
  int either = 0;
  const int columns = std::min(a.width(), b.width()) / kCell;
  const int rows = std::min(a.height(), b.height()) / kCell;
  for (int cy = 0; cy < rows; ++cy) {
    for (int cx = 0; cx < columns; ++cx) {
      const bool inA = inked(a, cx, cy, 0, 0);
      const bool inB = inked(b, cx, cy, dx, dy);
      both += inA && inB;
      either += inA || inB;
    }
  }
  return either == 0 ? 0.0 : static_cast<double>(both) / either;
}

class PrintServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousFormat_ = ShortDateFormat();
    SetShortDateFormat("MM/DD/YYYY");
    ASSERT_TRUE(folder.isValid());
    // The print service's filters run as another user: they must reach the spool below.
    QFile::setPermissions(folder.path(), QFile::permissions(folder.path()) | QFileDevice::ExeOther |
                                             QFileDevice::ReadOther | QFileDevice::ExeGroup |
                                             QFileDevice::ReadGroup);
  }
  void TearDown() override { SetShortDateFormat(previousFormat_); }

  // A register of three bank accounts with three checks each: a report of three pages.
  std::unique_ptr<ReportWindow> ShowReport() {
    fixtures::DataFolderRows tables;
    for (const char* account : {"111", "222", "333"}) {
      for (int i = 0; i < 3; ++i) {
        tables.checkRegister.push_back(
            {account, 1000 + i, Ymd(2024, 3, 5), i == 1 ? "02" : "00", 12.5, "Payee"});
      }
    }
    setup_ = std::make_unique<testing::StorageSetup>(tables);
    cursor_ = setup_->Cursor("zorppay", true);
    DeclareCheckRecord(*cursor_);
    cursor_->Open();
    cursor_->SetTag("date");
    auto window = std::make_unique<ReportWindow>([this](ReportHost& host) {
      DrawReport(host, *cursor_, ReportSettings{Ymd(2024, 3, 7), NumberSeparators{}});
    });
    window->SetErrorReporter([this](const std::string& message) { errors.push_back(message); });
    window->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->Drawn(); }, 20000));
    return window;
  }

  QTemporaryDir folder;
  std::vector<std::string> errors;

 private:
  std::string previousFormat_;
  std::unique_ptr<testing::StorageSetup> setup_;
  std::unique_ptr<TableCursor> cursor_;
};

TEST_F(PrintServiceTest, PrintsEveryPageOnThePrinterChosenInTheDialog) {
  const QString unavailable = PrintService::Unavailable();
  if (!unavailable.isEmpty()) GTEST_SKIP() << unavailable.toStdString();

  PrintService service(folder.filePath(QStringLiteral("cups")));
  ASSERT_TRUE(service.Running()) << service.Log().toStdString();
  const QString printer =
      QStringLiteral("VolarinReportPdf%1").arg(QCoreApplication::applicationPid());
  const QString out = folder.filePath(QStringLiteral("printed"));
  ASSERT_TRUE(QDir().mkpath(out));
  ASSERT_TRUE(service.AddPdfPrinter(printer, out)) << service.Log().toStdString();
  qputenv("CUPS_SERVER", service.Socket().toLocal8Bit());
  ASSERT_TRUE(QPrinterInfo::availablePrinterNames().contains(printer));

  auto window = ShowReport();
  PrintDialogOperator answer(printer);
  QTest::mouseClick(&window->ButtonOf(ReportWindow::Button::Print), Qt::LeftButton);
  ASSERT_TRUE(answer.Answered());
  EXPECT_TRUE(answer.Offered().contains(printer));
  EXPECT_TRUE(errors.empty()) << errors.front();

  // The print service turns the job into a PDF file in the printer's folder.
  ASSERT_TRUE(QTest::qWaitFor([&] { return service.Idle(); }, 120000))
      << service.Log().toStdString();
  const QStringList printed = QDir(out).entryList({QStringLiteral("*.pdf")}, QDir::Files);
  ASSERT_EQ(printed.size(), 1) << "one job\n" << service.Log().toStdString();
  const QString pdf = QDir(out).filePath(printed.front());

  // A4 portrait sheets, one per page, each showing what the preview shows at the same place:
  // 254 dpi is 10 pixels per millimetre.
  const std::vector<QImage> sheets =
      testing::RasterisePdf(pdf, 254, folder.filePath(QStringLiteral(".")));
  ASSERT_EQ(sheets.size(), 3u);
  const PageDocument& document = window->Surface().Document();
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE("page " + std::to_string(n));
    const QImage& sheet = sheets[static_cast<size_t>(n - 1)];
    EXPECT_NEAR(sheet.width(), 2100, 2) << "portrait A4";
    EXPECT_NEAR(sheet.height(), 2970, 2);
    const QImage drawn = RenderPageToImage(document, n, 254);
    EXPECT_GT(InkAgreement(sheet, drawn, 0, 0), 0.9);
    // The comparison sees a report moved by two millimetres.
    EXPECT_LT(InkAgreement(sheet, drawn, 20, 20), 0.5);
  }
}

TEST_F(PrintServiceTest, APrintServiceThatIsNotRunningIsToldBeforeTheDialog) {
  // A socket where no print service listens.
  qputenv("CUPS_SERVER", folder.filePath(QStringLiteral("no-service.sock")).toLocal8Bit());
  ASSERT_TRUE(QPrinterInfo::availablePrinterNames().isEmpty());
  auto window = ShowReport();
  PrintDialogOperator cancel{QString()};
  QTest::mouseClick(&window->ButtonOf(ReportWindow::Button::Print), Qt::LeftButton);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], ReportWindow::kNoPrinterMessage);
  EXPECT_TRUE(cancel.Answered()) << "the dialog still opens, to print to a file";
}

}  // namespace
}  // namespace volarin
