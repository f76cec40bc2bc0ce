// volarin-positivepay-road: the program driven offscreen along the main road on a data folder,
// through the main window's own buttons, for machines without a display (./run uses it).
// Start-up in the current folder, "Show Checks for Selected Date " for the first account on the
// newest print date it has, "Create Positive Pay File", OK to the report, the report printed to
// a PDF file; then it tells where each file went.

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <cstdio>

#include "app/errorbox.h"
#include "app/mainwindow.h"
#include "common/confirmbox.h"
#include "common/paths.h"
#include "common/platform.h"
#include "common/text.h"
#include "controls/colordateedit.h"
#include "controls/flatcombobox.h"
#include "reportwindow/reporttopdf.h"
#include "storage/directreader.h"
#include "storage/keys.h"
#include "storage/tablefiles.h"

namespace {

using namespace volarin;

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return true;
}

// The newest print date of the account's escrow checks, so the road finds checks whatever day
// the demo data was made for.
Date NewestPrintDate(const std::string& dataDir, const std::string& account) {
  int handle = DirectOpen(JoinPath(dataDir, tables::kEscrowFile));
  Date newest;
  for (DirectTop(handle); !DirectEof(handle); DirectSkip(handle, 1)) {
    if (AccountKey(DirectFieldText(handle, tables::escrow::kAccountNr)) != AccountKey(account))
      continue;
    const std::optional<Date> printed =
        Date::FromDigits(DirectFieldText(handle, tables::escrow::kPrnDate));
    if (printed && *printed > newest) newest = *printed;
  }
  DirectClose(handle);
  return newest;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const std::string dataDir = platform::CurrentFolder();
  bool failed = false;
  std::string pickupFile;
  ScopedConfirmPresenter confirm([&](const std::string& caption, const std::string& message) {
    std::printf("[%s] %s -> OK\n", caption.c_str(), message.c_str());
    const std::string marker = "created ";
    const size_t at = message.find(marker);
    if (at != std::string::npos) {
      pickupFile = message.substr(at + marker.size(), message.find('\r') - at - marker.size());
    }
    return true;
  });
  ScopedErrorPresenter errors([&](const std::string& caption, const std::string& text) {
    std::printf("[%s] error: %s\n", caption.c_str(), text.c_str());
    failed = true;
  });

  MainWindow window(dataDir);
  window.show();
  if (!WaitFor([&] { return window.Started() || failed; }, 60000) || failed) {
    std::printf("The start-up did not finish.\n");
    return 1;
  }
  const std::string account = window.SelectedAccount();
  const Date date = NewestPrintDate(dataDir, account);
  if (date.IsNull()) {
    std::printf("Account %s has no escrow checks.\n", account.c_str());
    return 1;
  }
  int y, m, d;
  date.ToYmd(y, m, d);
  window.DateEdit1().setDate(QDate(y, m, d));
  std::printf("Account %s, Positive Pay date %s\n", TrimText(account).c_str(),
              DateToText(date).c_str());

  window.ButtonOf(MainWindow::Button::ShowChecks).click();
  if (failed) return 1;
  std::printf("Extracted %u checks into the register\n", window.zorppay().RecCount());

  // The report window opens modally from the closing question: print it to a PDF file.
  const std::string pdf = JoinPath(dataDir, "PositivePayReport-" + date.Digits() + ".pdf");
  const ReportToPdf reportPrinter(pdf, 100);
  window.ButtonOf(MainWindow::Button::CreateFile).click();
  const bool printed = reportPrinter.Printed();
  if (printed) std::printf("Report: %s, %s\n", reportPrinter.PageLabel().c_str(), pdf.c_str());
  if (failed) return 1;

  const std::string archive = JoinPath(
      JoinPath(JoinPath(dataDir, "POSPAY"), "PP" + date.Digits().substr(0, 6)),
      platform::FileExists(pickupFile) ? pickupFile.substr(pickupFile.find_last_of('/') + 1) : "");
  std::printf("\nPositive Pay file:  %s\nArchive copy:       %s\nReport (PDF):       %s\n",
              pickupFile.c_str(), archive.c_str(), printed ? pdf.c_str() : "(not printed)");
  window.close();
  return printed && platform::FileExists(pickupFile) ? 0 : 1;
}
