// The extraction and the export as the operator runs them, through the extraction dialog and
// the main window, against the same work without a window, on one generated data folder. A
// timing program rather than a Google Benchmark loop: each run needs the event loop and a
// window. Run it under the platform to measure, e.g.
//   QT_QPA_PLATFORM=offscreen window_bench [escrow lines]
//   xvfb-run -a window_bench [escrow lines]
// It prints wall and CPU seconds of each step and these ratios (CPU time of this process; under
// a real X server the server's own work shows only in the wall times):
//   dialog / engine        the outstanding extraction in its dialog against the same extraction
//                          without a window                                         aim 1.5
//   window export / engine the main window's Create Positive Pay File against the export
//                          without a window, same register                          aim 1.5
//   window road / engine   the main window's outstanding extraction and Create Positive Pay
//                          File against the same work without a window              aim 3
// The escrow table holds the given number of check lines (300,000 by default) of two accounts
// over 400 days; a third of them are outstanding checks of the first account, so its
// register gets 100,000 checks.
#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

#include "app/errorbox.h"
#include "app/extractiondialog.h"
#include "app/mainwindow.h"
#include "benchstorage.h"
#include "common/confirmbox.h"
#include "common/platform.h"
#include "controls/colordateedit.h"
#include "extraction/extraction.h"
#include "positivepay/export.h"
#include "storage/fixtures/datafolder.h"
#include "storage/storageglobals.h"
#include "support/temp_folder.h"

namespace {

using namespace volarin;
using testing::ReadBytes;

const Date kFirstDay = *Date::FromYmd(2023, 1, 1);
constexpr int kDays = 400;
const Date kLastDay = kFirstDay + (kDays - 1);
const std::string kAccount = "ESC100";

void BuildFolder(const std::string& folder, int lines) {
  fixtures::DataFolderRows rows;
  rows.accountList = {{kAccount}, {"ESC101"}};
  rows.accountMap = {{kAccount, "BANK0", "021000021"}, {"ESC101", "BANK1", "021000021"}};
  rows.escrow.reserve(static_cast<size_t>(lines));
  for (int i = 0; i < lines; ++i) {
    fixtures::EscrowRow row;
    row.checkNo = 100000 + i;
    row.accountNr = i % 3 == 2 ? "ESC101" : kAccount;
    row.prnDate = kFirstDay + static_cast<int>(static_cast<int64_t>(i) * kDays / lines);
    row.amount = 10 + (i % 997) * 1.25;
    row.company = "PAYEE NUMBER " + std::to_string(i % 211);
    if (i % 6 < 2) row.clrStatus = "C";
    if (i % 50 == 7) {
      row.voidFlag = 1;
      row.voidDate = row.prnDate;
    }
    rows.escrow.push_back(row);
  }
  fixtures::BuildDataFolder(folder, rows);
}

struct Timing {
  double wall = 0;
  double cpu = 0;
};

// The settings the main window gives its storage objects, so both roads write the same file.
struct WindowStorage : bench::Storage {
  StorageGlobals globals{environment, "Globals1"};
  explicit WindowStorage(const std::string& folder) : Storage(folder) {
    engine.SetFoxProVersion(FoxProVersion::k26);
    engine.SetCodePage(EngineCodePage::kNone);
    engine.SetCollation(CollationSequence::kMachine);
    globals.SetDefaultDeleted(true);
    globals.SetDateFormat("MM/DD/CCYY");
  }
};

Timing Measure(const std::function<void()>& work) {
  const auto wallStart = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  work();
  const std::clock_t cpuEnd = std::clock();
  const auto wallEnd = std::chrono::steady_clock::now();
  return {std::chrono::duration<double>(wallEnd - wallStart).count(),
          static_cast<double>(cpuEnd - cpuStart) / CLOCKS_PER_SEC};
}

void Print(const char* what, const Timing& t) {
  std::printf("%-44s wall %8.3f s   cpu %8.3f s\n", what, t.wall, t.cpu);
}

void PrintRatio(const char* what, const Timing& slow, const Timing& base) {
  std::printf("%-44s wall %8.2f     cpu %8.2f\n", what, slow.wall / base.wall, slow.cpu / base.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const int lines = argc > 1 ? std::atoi(argv[1]) : 300000;
  testing::TempFolder folder;
  // The pickup folder goes under the temporary folder, not the user's own.
  qputenv("HOME", QByteArray::fromStdString(folder.Path()));
  BuildFolder(folder.Path(), lines);
  std::printf("platform %s, %d escrow lines\n", qPrintable(QGuiApplication::platformName()), lines);

  bool failed = false;
  ScopedConfirmPresenter noReport([](const std::string&, const std::string&) { return false; });
  ScopedErrorPresenter errors([&](const std::string&, const std::string& text) {
    std::printf("error: %s\n", text.c_str());
    failed = true;
  });
  // The window's start-up reads the account list through the direct reader, which sets this.
  SetShortDateFormat("MM/DD/YYYY");
  const ExtractionRequest request{kAccount, kLastDay, true, folder.Path()};
  const ExportRequest exportRequest{kLastDay, folder.Path(), platform::PickupFolder(), {}};
  const std::string saved = platform::CurrentFolder();

  Timing engineExtraction, engineExport;
  std::string engineFile;
  uint32_t registerCount = 0;
  {
    WindowStorage s(folder.Path());
    engineExtraction = Measure([&] {
      RunExtraction({s.checkRegister, s.accountMap, s.escrow, s.closing}, request, nullptr);
    });
    registerCount = s.checkRegister.RecCount();
    engineExport =
        Measure([&] { engineFile = CreatePositivePayFile(s.checkRegister, exportRequest); });
  }
  const std::string engineBytes = ReadBytes(engineFile);
  platform::SetCurrentFolder(saved);

  Timing dialogRun;
  {
    WindowStorage s(folder.Path());
    ExtractionDialog dialog({s.checkRegister, s.accountMap, s.escrow, s.closing}, request);
    dialog.SetAllOutstanding(true);
    dialogRun = Measure([&] { dialog.exec(); });
  }

  Timing windowExtraction, windowExport;
  std::string windowBytes;
  {
    MainWindow window(folder.Path());
    window.show();
    if (!QTest::qWaitFor([&] { return window.Started() || failed; }, 60000) || failed) {
      std::printf("The main window did not start.\n");
      return 1;
    }
    int y = 0, m = 0, d = 0;
    kLastDay.ToYmd(y, m, d);
    window.DateEdit1().setDate(QDate(y, m, d));
    QApplication::processEvents();
    windowExtraction = Measure([&] { window.ButtonOf(MainWindow::Button::ShowAll).click(); });
    windowExport = Measure([&] { window.ButtonOf(MainWindow::Button::CreateFile).click(); });
    windowBytes = ReadBytes(engineFile);
    window.close();
  }
  if (failed) return 1;
  if (windowBytes != engineBytes) {
    size_t at = 0;
    while (at < windowBytes.size() && at < engineBytes.size() && windowBytes[at] == engineBytes[at])
      ++at;
    std::printf("window file %zu bytes, engine file %zu bytes, first difference at %zu:\n%s\n%s\n",
                windowBytes.size(), engineBytes.size(), at, windowBytes.substr(at, 80).c_str(),
                engineBytes.substr(at, 80).c_str());
  }

  std::printf("register: %u checks; Positive Pay file %s\n\n", registerCount,
              windowBytes == engineBytes && !engineBytes.empty() ? "the same from both roads"
                                                                 : "DIFFERS between the roads");
  Print("extraction without a window", engineExtraction);
  Print("export without a window", engineExport);
  Print("extraction in its dialog", dialogRun);
  Print("extraction from the main window", windowExtraction);
  Print("export from the main window", windowExport);
  const Timing engineRoad{engineExtraction.wall + engineExport.wall,
                          engineExtraction.cpu + engineExport.cpu};
  const Timing windowRoad{windowExtraction.wall + windowExport.wall,
                          windowExtraction.cpu + windowExport.cpu};
  std::printf("\n");
  PrintRatio("dialog / engine", dialogRun, engineExtraction);
  PrintRatio("window export / engine", windowExport, engineExport);
  PrintRatio("window road / engine", windowRoad, engineRoad);
  return windowBytes == engineBytes ? 0 : 1;
}
