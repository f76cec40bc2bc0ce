// The report window over a made-up register, to look at under a real display:
//   report_window_demo [--png folder] [--pdf file] [--shot file.png]
// --png saves every page at 100 ppi, --pdf prints through the window to a PDF file, --shot
// grabs the window once drawn; with any of them the program ends by itself.
#include <QApplication>
#include <QDir>
#include <QPrinter>
#include <QTimer>

#include "report/pageexport.h"
#include "report/positivepayreport.h"
#include "reportwindow/reportwindow.h"
#include "storage/checkregister.h"
#include "storage/environment.h"
#include "storage/fixtures/datafolder.h"
#include "storage/storagedatabase.h"
#include "storage/storageengine.h"
#include "storage/tablecursor.h"
#include "support/temp_folder.h"

using namespace volarin;

namespace {

QString Option(const QStringList& args, const QString& name) {
  const auto at = args.indexOf(name);
  return at > 0 && at + 1 < args.size() ? args[at + 1] : QString();
}

fixtures::DataFolderRows DemoRows(int longSection) {
  fixtures::DataFolderRows rows;
  const char* payees[] = {"Acme Title & Escrow Company", "John Q. Public", "County Recorder",
                          "First National Bank of Somewhere",
                          "A payee whose name is long enough to run into the status column"};
  const char* accounts[] = {"000123456789", "000987654321", "555000111"};
  int check = 1001;
  for (int a = 0; a < 3; ++a) {
    const int count = a == 1 ? longSection : 4 + a;
    for (int i = 0; i < count; ++i, ++check) {
      const std::string code = i % 5 == 1 ? "02" : (i % 7 == 3 ? "03" : "00");
      rows.checkRegister.push_back({accounts[a], a == 2 ? 4294967000LL + i : check,
                                    *Date::FromYmd(2024, 3, 1 + i % 28), code,
                                    i % 6 == 4 ? -12.3 : 1234.5 + i * 101.27, payees[i % 5]});
    }
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  const QString pngFolder = Option(args, QStringLiteral("--png"));
  const QString pdf = Option(args, QStringLiteral("--pdf"));
  const QString shot = Option(args, QStringLiteral("--shot"));
  // The second account runs over two pages.
  const int longSection = 60;

  SetShortDateFormat("MM/DD/YYYY");
  testing::TempFolder folder;
  fixtures::BuildDataFolder(folder.Path(), DemoRows(longSection));
  Environment environment;
  StorageEngine engine(environment, "Engine1");
  StorageDataBase database(environment, "DataBase1");
  database.SetEngine(&engine);
  database.SetDataPath(folder.Path());
  database.SetIndexPath(folder.Path());
  TableCursor checks(environment, "zorppay");
  checks.fileAlias = "zorppay";
  checks.dataBaseName = "DataBase1";
  checks.exclusive = ExclusiveMode::kTrue;
  DeclareCheckRecord(checks);
  checks.Open();

  ReportWindow window([&](ReportHost& host) { DrawReport(host, checks); });
  if (!pdf.isEmpty()) {
    window.SetPrintDialog([&](QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf);
      return true;
    });
  }
  QObject::connect(&window, &ReportWindow::reportDrawn, [&] {
    if (!pngFolder.isEmpty()) {
      for (int n = 1; n <= window.Surface().PageCount(); ++n) {
        SavePageAsPng(window.Surface().Document(), n, 100,
                      QDir(pngFolder).filePath(QStringLiteral("page%1.png").arg(n)).toStdString());
      }
    }
    if (!pdf.isEmpty()) window.Print();
    if (!shot.isEmpty() || !pngFolder.isEmpty() || !pdf.isEmpty()) {
      QTimer::singleShot(700, [&] {
        if (!shot.isEmpty()) window.grab().save(shot);
        app.quit();
      });
    }
  });
  window.show();
  return app.exec();
}
