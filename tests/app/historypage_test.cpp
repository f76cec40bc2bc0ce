// The History page through its controls: the files sent, newest first and filtered by bank
// account, the checks of the one selected, its archive folder opened and its report reprinted
// from the recorded checks.
#include "app/historypage.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QTableView>
#include <filesystem>
#include <sstream>

#include "app/apptestsupport.h"
#include "app/pagecontrol.h"
#include "common/paths.h"
#include "history/historystore.h"
#include "history/sentchecks.h"
#include "positivepay/export.h"
#include "positivepay/registerchecks.h"
#include "qtcommon/bgrcolor.h"
#include "report/positivepayreport.h"
#include "report/reporthost.h"

namespace volarin {
namespace {

using history::SentCheck;
using history::Submission;
using testing::WindowFixture;
using testing::Ymd;

SentCheck Sent(int64_t number, const char* amount, const char* status, const char* payee,
               const char* bank) {
  SentCheck c;
  c.bankAccount = bank;
  c.checkNumber = number;
  c.checkDate = Ymd(2024, 3, 5);
  c.amount = Money::FromStoredText(amount);
  c.statusCode = status;
  c.payee = payee;
  return c;
}

Submission Sending(const char* bank, Date date, int64_t count, const char* total) {
  Submission s;
  s.createdDate = Ymd(2024, 3, 6);
  s.createdTime = "08:15:00";
  s.osUser = "clerk";
  s.suiteAccount = "AAA100";
  s.bankAccount = bank;
  s.positivePayDate = date;
  s.checkCount = count;
  s.netTotal = Money::FromStoredText(total);
  s.archiveFileName = date.Digits() + "_" + bank + ".txt";
  s.sha256 = std::string(64, '0');
  return s;
}

QStringList Column(const QTableView& view, int column) {
  QStringList texts;
  for (int row = 0; row < view.model()->rowCount(); ++row) {
    texts << view.model()->index(row, column).data().toString();
  }
  return texts;
}

class HistoryPageTest : public ::testing::Test {
 protected:
  HistoryPageTest() {
    history::HistoryStore store(fixture.folder.Path());
    store.Record(Sending("11-1", Ymd(2024, 3, 4), 1, "12.50"),
                 {Sent(4700, "12.50", "00", "ACME", "11-1")});
    store.Record(Sending("55-5", Ymd(2024, 3, 5), 1, "3.00"),
                 {Sent(90, "3.00", "00", "GAMMA", "55-5")});
    store.Record(
        Sending("11-1", Ymd(2024, 3, 5), 2, "9.50"),
        {Sent(4711, "12.50", "00", "ACME", "11-1"), Sent(4712, "3.00", "02", "BETA", "11-1")});
  }

  HistoryPage& ShowHistory() {
    MainWindow& window = fixture.Show();
    window.GSPages1().setCurrentIndex(2);
    QApplication::processEvents();
    return window.History();
  }

  static void Click(QAbstractButton& button) {
    QTest::mouseClick(&button, Qt::LeftButton);
    QApplication::processEvents();
  }

  WindowFixture fixture{fixtures::DataFolderRows{}};
};

TEST_F(HistoryPageTest, ListsTheFilesNewestFirstAndShowsTheChecksOfTheSelectedOne) {
  HistoryPage& page = ShowHistory();
  EXPECT_EQ(fixture.window->GSPages1().tabText(2), "History");
  EXPECT_EQ(Column(page.SubmissionsView(), 0), (QStringList{"3", "2", "1"}));
  EXPECT_EQ(Column(page.SubmissionsView(), 4), (QStringList{"11-1", "55-5", "11-1"}));
  EXPECT_EQ(page.SubmissionsView().model()->index(0, 1).data().toString(), "03/06/2024 08:15:00");
  EXPECT_EQ(page.SubmissionsView().model()->index(0, 9).data().toString(), "9.50");
  // The newest is selected at first, and its checks are shown.
  EXPECT_EQ(Column(page.ChecksView(), 0), (QStringList{"4711", "4712"}));
  EXPECT_EQ(Column(page.ChecksView(), 2), (QStringList{"12.50", "3.00"}));
  EXPECT_EQ(Column(page.ChecksView(), 4), (QStringList{"", "Void"}));

  page.SubmissionsView().selectRow(1);
  QApplication::processEvents();
  EXPECT_EQ(page.SelectedSubmission().value_or(Submission{}).id, 2);
  EXPECT_EQ(Column(page.ChecksView(), 3), QStringList{"GAMMA"});

  page.BankFilter().setCurrentIndex(page.BankFilter().findText("11-1"));
  QApplication::processEvents();
  EXPECT_EQ(Column(page.SubmissionsView(), 0), (QStringList{"3", "1"}));
  page.SubmissionsView().selectRow(1);
  QApplication::processEvents();
  EXPECT_EQ(Column(page.ChecksView(), 0), QStringList{"4700"});
  page.BankFilter().setCurrentIndex(page.BankFilter().findText("All"));
  QApplication::processEvents();
  EXPECT_EQ(Column(page.SubmissionsView(), 0), (QStringList{"3", "2", "1"}));
  EXPECT_EQ(page.SelectedSubmission().value_or(Submission{}).id, 1);
}

TEST_F(HistoryPageTest, AFileSentLaterIsListedWhenThePageIsShownAgain) {
  HistoryPage& page = ShowHistory();
  history::HistoryStore(fixture.folder.Path())
      .Record(Sending("77-7", Ymd(2024, 3, 7), 1, "1.00"), {Sent(1, "1.00", "00", "X", "77-7")});
  fixture.window->GSPages1().setCurrentIndex(0);
  fixture.window->GSPages1().setCurrentIndex(2);
  QApplication::processEvents();
  EXPECT_EQ(Column(page.SubmissionsView(), 0), (QStringList{"4", "3", "2", "1"}));
  EXPECT_NE(page.BankFilter().findText("77-7"), -1);
}

TEST_F(HistoryPageTest, OpenFolderOpensTheArchiveFolderOfTheSelectedFile) {
  HistoryPage& page = ShowHistory();
  std::vector<std::string> opened;
  page.SetFolderOpener([&](const std::string& folder) {
    opened.push_back(folder);
    return true;
  });
  const std::string archive =
      FolderPart(ArchiveFilePath(fixture.folder.Path(), Ymd(2024, 3, 5), "20240305_11-1.txt"));

  // A folder that is gone is reported, not handed to the desktop.
  Click(page.OpenFolderButton());
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(fixture.recorders.errors,
            std::vector<std::string>{std::string(kProgramTitle) + "|Cannot open folder " + archive +
                                     "."});

  std::filesystem::create_directories(archive);
  Click(page.OpenFolderButton());
  EXPECT_EQ(opened, std::vector<std::string>{archive});
}

TEST_F(HistoryPageTest, ReprintHandsTheRecordedChecksToTheReport) {
  HistoryPage& page = ShowHistory();
  std::vector<std::pair<Submission, std::vector<SentCheck>>> printed;
  page.SetReprinter([&](const Submission& s, const std::vector<SentCheck>& checks) {
    printed.emplace_back(s, checks);
  });
  page.SubmissionsView().selectRow(2);
  QApplication::processEvents();
  Click(page.ReprintButton());
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].first.id, 1);
  std::vector<SentCheck> expected = {Sent(4700, "12.50", "00", "ACME", "11-1")};
  expected[0].submissionId = 1;
  EXPECT_EQ(printed[0].second, expected);
}

// A host without a window that keeps the drawn pages.
struct KeepingHost : ReportHost {
  KeepingHost() { surface.SetBrush_color(kBgrWhite); }
  ReportSurface surface;
  std::string pageLabel;
  ReportSurface& Surface() override { return surface; }
  void ProcessPendingEvents() override {}
  void SetFitToWidth(bool) override {}
  void SetPageLabel(const std::string& text) override { pageLabel = text; }
};

// Every drawn object of every page as text: kind, position, text and the font's description.
std::vector<std::string> Drawn(const PageDocument& document) {
  std::vector<std::string> drawn;
  for (int page = 1; page <= document.PageCount(); ++page) {
    for (const DrawnObject& object : document.PageAt(page).objects) {
      std::ostringstream out;
      out.precision(12);
      out << "page " << page << ": ";
      if (const auto* text = std::get_if<TextObject>(&object)) {
        const FontRecord& font = document.Graphics().Font(text->font);
        out << "text " << static_cast<double>(text->x) << "," << static_cast<double>(text->y) << " "
            << font.name << " " << font.pointSize << " '" << text->text << "'";
      } else {
        const auto& line = std::get<LineObject>(object);
        out << "line " << static_cast<double>(line.x1) << "," << static_cast<double>(line.y1) << " "
            << static_cast<double>(line.x2) << "," << static_cast<double>(line.y2);
      }
      drawn.push_back(out.str());
    }
  }
  return drawn;
}

// The report reprinted from the history draws what the report drew from the register when the
// file was made: two accounts, a void check, a payee with blanks before it, and more checks
// than one page holds.
TEST(HistoryReprint, DrawsTheSamePagesAsTheReportPrintedFromTheRegister) {
  fixtures::DataFolderRows rows;
  rows.accountList = {{"AAA100"}};
  rows.accountMap = {{"AAA100", "11-1", "021000021"}};
  rows.checkRegister = {{"11-1", 4711, Ymd(2024, 3, 5), "00", 12.5, "ACME", "021000021"},
                        {"11-1", 4712, Ymd(2024, 3, 5), "02", 3, "  BETA", "021000021"},
                        {"22-2", 90, Ymd(2024, 3, 4), "03", 1234567.89, "GAMMA", "B2"}};
  for (int i = 0; i < 70; ++i) {
    rows.checkRegister.push_back({"22-2", 100 + i, Ymd(2024, 3, 5), "00", 10 + i * 0.25,
                                  "PAYEE " + std::to_string(i), "B2"});
  }
  WindowFixture fixture(rows);
  MainWindow& window = fixture.ShowWithRegister();

  const Date madeOn = Ymd(2024, 3, 6);
  KeepingHost printed;
  ReportSettings settings;
  settings.today = madeOn;
  DrawReport(printed, window.zorppay(), settings);
  ASSERT_GE(printed.surface.Document().PageCount(), 3);

  std::vector<SentCheck> sent;
  for (const PositivePayCheck& check : ReadRegisterChecks(window.zorppay())) {
    sent.push_back(history::SentCheckOf(check));
  }
  Submission s = Sending("11-1", Ymd(2024, 3, 5), static_cast<int64_t>(sent.size()), "0.00");
  s.createdDate = madeOn;
  history::HistoryStore(fixture.folder.Path()).Record(s, sent);

  window.GSPages1().setCurrentIndex(2);
  QApplication::processEvents();
  HistoryPage& page = window.History();
  KeepingHost reprinted;
  page.SetReprinter([&](const Submission& submission, const std::vector<SentCheck>& checks) {
    DrawSubmissionReport(reprinted, submission, checks);
  });
  QTest::mouseClick(&page.ReprintButton(), Qt::LeftButton);
  QApplication::processEvents();

  EXPECT_EQ(Drawn(reprinted.surface.Document()), Drawn(printed.surface.Document()));
  EXPECT_EQ(reprinted.pageLabel, printed.pageLabel);
}

}  // namespace
}  // namespace volarin
