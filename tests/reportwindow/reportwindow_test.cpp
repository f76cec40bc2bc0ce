#include "reportwindow/reportwindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileInfo>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "common/errors.h"
#include "reportwindow/movesizewatcher.h"
#include "reportwindow/reportpreview.h"
#include "support/imageprobe.h"
#include "support/pdf_reader.h"

namespace volarin {
namespace {

using testing::InkBounds;
using testing::RasterisePdf;
using Button = ReportWindow::Button;

// Draws the given number of pages as the report does (each new page becomes current) and
// ends by setting the page label. Page n carries a vertical rule at x 8.0 and a horizontal
// one at y 1 + n, so every sheet can be told apart.
struct PagesDrawing {
  int pages = 1;
  int calls = 0;
  bool visibleWhenCalled = false;

  void operator()(ReportHost& host) {
    ++calls;
    const auto* window = dynamic_cast<const QWidget*>(&host);
    visibleWhenCalled = window && window->isVisible();
    host.ProcessPendingEvents();
    host.SetFitToWidth(true);
    ReportSurface& surface = host.Surface();
    for (int n = 1; n <= pages; ++n) {
      if (n > 1) surface.NewPage();
      surface.DrawLine(8.0f, 1.0f, 0.0f, 2.0f);
      surface.DrawLine(0.5f, 1.0f + n, 4.25f, 0.0f);
    }
    host.SetPageLabel(PageLabelText(surface.CurrentPageNumber(), surface.PageCount()));
  }
};

class ReportWindowTest : public ::testing::Test {
 protected:
  // A window with the given drawing, shown and drawn.
  std::unique_ptr<ReportWindow> ShowDrawn(ReportWindow::DrawFunction draw) {
    auto window = std::make_unique<ReportWindow>(std::move(draw));
    window->SetErrorReporter([this](const std::string& message) { errors.push_back(message); });
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->Drawn(); }, 20000));
    return window;
  }

  std::unique_ptr<ReportWindow> ShowDrawnPages(int pages) {
    drawing.pages = pages;
    return ShowDrawn([this](ReportHost& host) { drawing(host); });
  }

  static void Click(ReportWindow& window, Button button) {
    QTest::mouseClick(&window.ButtonOf(button), Qt::LeftButton);
  }

  PagesDrawing drawing;
  std::vector<std::string> errors;
};

TEST_F(ReportWindowTest, LaysOutThePrintPreviewWindow) {
  ReportWindow window(nullptr);
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Print Preview"));
  EXPECT_EQ(window.size(), QSize(632, 437));
  EXPECT_EQ(window.PageLabel(), QStringLiteral("Page 1 of 1"));
  EXPECT_EQ(window.Preview().Zoom(), 70);
  EXPECT_EQ(window.Surface().Pen_color(), kBgrBlack);
  EXPECT_EQ(window.Surface().Brush_color(), kBgrWhite);
  const std::pair<Button, const char*> captions[] = {
      {Button::Print, "Print"}, {Button::FirstPage, "|<"}, {Button::PreviousPage, "<"},
      {Button::NextPage, ">"},  {Button::LastPage, ">|"},  {Button::Close, "Close"},
  };
  for (const auto& [button, caption] : captions) {
    EXPECT_EQ(window.ButtonOf(button).text(), QString::fromLatin1(caption));
  }
  const std::pair<Button, int> places[] = {
      {Button::FirstPage, 167}, {Button::PreviousPage, 192}, {Button::NextPage, 308},
      {Button::LastPage, 333},  {Button::FitWidth, 374},     {Button::FitHeight, 408},
      {Button::ZoomIn, 444},    {Button::ZoomOut, 480},
  };
  for (const auto& [button, x] : places) EXPECT_EQ(window.ButtonOf(button).x(), x);
  EXPECT_TRUE(window.ButtonOf(Button::FitWidth).toolTip().isEmpty()) << "hints are not shown";
  EXPECT_EQ(window.ButtonOf(Button::FitWidth).accessibleName(), QStringLiteral("Fit Width"));
}

TEST_F(ReportWindowTest, DrawsOnceAfterTheWindowIsShown) {
  int calls = 0;
  bool visible = false;
  ReportWindow window([&](ReportHost&) {
    ++calls;
    visible = window.isVisible();
  });
  EXPECT_FALSE(window.Shown());
  window.show();
  // Showing only posts the drawing; it runs from the event loop.
  EXPECT_TRUE(window.Shown());
  EXPECT_EQ(calls, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Drawn(); }, 20000));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(visible);

  window.hide();
  window.show();
  QCoreApplication::sendPostedEvents();
  QTest::qWait(20);
  EXPECT_EQ(calls, 1) << "showing the window again draws nothing";
}

TEST_F(ReportWindowTest, ShowsTheLastPageOnceDrawnAndPagesToTheEnds) {
  auto window = ShowDrawnPages(3);
  ASSERT_EQ(drawing.calls, 1);
  EXPECT_TRUE(drawing.visibleWhenCalled);
  EXPECT_EQ(window->Surface().CurrentPageNumber(), 3);
  EXPECT_EQ(window->PageLabel(), QStringLiteral("Page 3 of 3"));

  struct Step {
    Button button;
    int page;
  };
  const Step steps[] = {
      {Button::NextPage, 3},  {Button::LastPage, 3},     {Button::PreviousPage, 2},
      {Button::FirstPage, 1}, {Button::PreviousPage, 1}, {Button::FirstPage, 1},
      {Button::NextPage, 2},  {Button::LastPage, 3},
  };
  for (const Step& step : steps) {
    Click(*window, step.button);
    EXPECT_EQ(window->Surface().CurrentPageNumber(), step.page);
    EXPECT_EQ(window->PageLabel(), QStringLiteral("Page %1 of 3").arg(step.page));
    EXPECT_EQ(window->Preview().Document()->CurrentPageNumber(), step.page);
  }
}

TEST_F(ReportWindowTest, OnAOnePageReportNoPageButtonChangesAnything) {
  auto window = ShowDrawnPages(1);
  for (Button button :
       {Button::FirstPage, Button::PreviousPage, Button::NextPage, Button::LastPage}) {
    Click(*window, button);
    EXPECT_EQ(window->Surface().CurrentPageNumber(), 1);
    EXPECT_EQ(window->PageLabel(), QStringLiteral("Page 1 of 1"));
  }
}

TEST_F(ReportWindowTest, AFailedDrawingIsReportedAndLeavesThePagesDrawnSoFar) {
  auto window = ShowDrawn([](ReportHost& host) {
    host.Surface().DrawLine(1.0f, 1.0f, 2.0f, 0.0f);
    host.Surface().NewPage();
    host.Surface().DrawLine(1.0f, 1.0f, 2.0f, 0.0f);
    throw Error("Cannot perform this operation on a closed dataset");
  });
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Cannot perform this operation on a closed dataset");
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->Surface().PageCount(), 2);
  // The label tells the page on screen, not the layout's initial text.
  EXPECT_EQ(window->PageLabel(), QStringLiteral("Page 2 of 2"));
  Click(*window, Button::FirstPage);
  EXPECT_EQ(window->PageLabel(), QStringLiteral("Page 1 of 2"));
}

TEST(ErrorBoxTextTest, AddsAFullStopAfterCharactersThatSortAfterIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"Field 'X' not found", "Field 'X' not found."},
      {"Done.", "Done."},
      {"Really?", "Really?."},  // '?' sorts after '.'
      {"Stop!", "Stop!"},       // '!' sorts before it
      {"", ""},
      {"Page 12", "Page 12."},
  };
  for (const auto& [message, shown] : cases) {
    EXPECT_EQ(ErrorBoxText(message), shown) << message;
  }
}

TEST_F(ReportWindowTest, TheFitAndZoomButtonsWorkOnThePreviewOfTheInitialSize) {
  auto window = ShowDrawnPages(2);
  EXPECT_EQ(window->Preview().size(), QSize(625, 407));
  EXPECT_TRUE(window->FitToWidth()) << "the drawing chose the width";
  EXPECT_EQ(window->Preview().Zoom(), 70) << "drawing does not refit";

  Click(*window, Button::FitHeight);
  EXPECT_EQ(window->Preview().Zoom(), 29);
  EXPECT_FALSE(window->FitToWidth());
  Click(*window, Button::FitWidth);
  EXPECT_EQ(window->Preview().Zoom(), 68);
  EXPECT_TRUE(window->FitToWidth());
  Click(*window, Button::ZoomIn);
  EXPECT_EQ(window->Preview().Zoom(), 78);
  Click(*window, Button::ZoomOut);
  Click(*window, Button::ZoomOut);
  EXPECT_EQ(window->Preview().Zoom(), 58);
  EXPECT_EQ(window->PageLabel(), QStringLiteral("Page 2 of 2")) << "zooming leaves the label";
}

TEST_F(ReportWindowTest, TheEndOfAMoveOrResizeFitsTheWidthOrTheWholePage) {
  auto window = ShowDrawnPages(1);
  ReportPreview& preview = window->Preview();

  // After Fit Height, a narrow, tall window fits the whole page: here the width decides.
  Click(*window, Button::FitHeight);
  window->resize(360, 1000);
  QTest::qWait(20);
  const int byHeight = preview.FitHeightZoom();
  const int byPage = preview.FitPageZoom();
  ASSERT_LT(byPage, byHeight);
  window->MoveSizeEnded();
  EXPECT_EQ(preview.Zoom(), std::max(byPage, ReportPreview::MinZoom));

  // After Fit Width the width is fitted again, also when the size did not change.
  Click(*window, Button::FitWidth);
  preview.SetZoom(150);
  window->MoveSizeEnded();
  EXPECT_EQ(preview.Zoom(), std::max(preview.FitWidthZoom(), ReportPreview::MinZoom));
}

TEST(MoveSizeWatcherTest, SignalsOnlyTheEndOfChangesMadeFromOutside) {
  QWidget window;
  window.resize(300, 200);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  MoveSizeWatcher watcher(&window, 10);
  QSignalSpy ended(&watcher, &MoveSizeWatcher::moveSizeEnded);

  // Before it is armed, and for changes the program makes itself, nothing is noticed.
  window.move(window.pos() + QPoint(5, 0));
  watcher.NoticeMoveOrResize(true);
  EXPECT_FALSE(watcher.Pending());
  watcher.Arm();
  // A frame the window manager merely repeats is no move.
  watcher.NoticeMoveOrResize(true);
  EXPECT_FALSE(watcher.Pending());
  window.move(window.pos() + QPoint(5, 0));
  watcher.NoticeMoveOrResize(false);
  EXPECT_FALSE(watcher.Pending());

  window.move(window.pos() + QPoint(5, 0));
  watcher.NoticeMoveOrResize(true);
  EXPECT_TRUE(watcher.Pending());
  ASSERT_TRUE(ended.wait(10000));
  EXPECT_EQ(ended.count(), 1);

  // Maximising or restoring resizes the window without a drag: no signal when it settles.
  watcher.NoticeStateChange();
  window.resize(400, 300);
  watcher.NoticeMoveOrResize(true);
  watcher.Settle();
  EXPECT_EQ(ended.count(), 1);

  window.resize(420, 300);
  watcher.NoticeMoveOrResize(true);
  watcher.Settle();
  EXPECT_EQ(ended.count(), 2);
}

// Printing goes through the replaceable dialog; these tests print to PDF files.
class ReportPrintTest : public ReportWindowTest {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.isValid()); }

  // A dialog that prints to a PDF file, with the given page margins and orientation chosen.
  ReportWindow::PrintDialog PdfDialog(const QString& path, double marginMm,
                                      QPageLayout::Orientation orientation) {
    return [this, path, marginMm, orientation](QPrinter& printer) {
      ++dialogs;
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(path);
      printer.setPageOrientation(orientation);
      printer.setFullPage(false);
      printer.setPageMargins(QMarginsF(marginMm, marginMm, marginMm, marginMm),
                             QPageLayout::Millimeter);
      return true;
    };
  }

  QTemporaryDir folder;
  int dialogs = 0;
};

TEST_F(ReportPrintTest, PrintsEveryPageFromTheSheetsCornerAndKeepsTheView) {
  auto window = ShowDrawnPages(3);
  Click(*window, Button::PreviousPage);
  window->Preview().SetZoom(90);
  const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
  // Unprintable margins of 20 mm and a landscape choice must not move the report on the sheet.
  window->SetPrintDialog(PdfDialog(pdf, 20, QPageLayout::Landscape));
  Click(*window, Button::Print);
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(errors.empty());

  EXPECT_EQ(window->Surface().CurrentPageNumber(), 2);
  EXPECT_EQ(window->PageLabel(), QStringLiteral("Page 2 of 3"));
  EXPECT_EQ(window->Preview().Zoom(), 90);
  EXPECT_TRUE(window->Preview().updatesEnabled());

  // 254 pixels per inch: 10 pixels per millimetre; a report inch is 25 mm.
  const std::vector<QImage> sheets = RasterisePdf(pdf, 254, folder.path());
  ASSERT_EQ(sheets.size(), 3u);
  for (int n = 1; n <= 3; ++n) {
    const QImage& sheet = sheets[static_cast<std::size_t>(n - 1)];
    EXPECT_NEAR(sheet.width(), 2100, 2) << "portrait A4";
    EXPECT_NEAR(sheet.height(), 2970, 2);
    const QRect vertical = InkBounds(sheet, QRect(1900, 300, 200, 100));
    EXPECT_NEAR(vertical.center().x(), 2000, 1.5) << "8.0 report inches from the left edge";
    const int ruleY = static_cast<int>(std::lround((1.0 + n) * 250));
    const QRect rule = InkBounds(sheet, QRect(0, ruleY - 20, 1500, 40));
    EXPECT_NEAR(rule.left(), 125, 1.5) << "page " << n;
    EXPECT_NEAR(rule.center().y(), ruleY, 1.5) << "page " << n;
  }
}

TEST_F(ReportPrintTest, ACancelledDialogPrintsNothing) {
  auto window = ShowDrawnPages(2);
  const QString pdf = folder.filePath(QStringLiteral("cancelled.pdf"));
  window->SetPrintDialog([&](QPrinter& printer) {
    ++dialogs;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return false;
  });
  Click(*window, Button::Print);
  EXPECT_EQ(dialogs, 1);
  EXPECT_FALSE(QFileInfo::exists(pdf));
  EXPECT_EQ(window->Surface().CurrentPageNumber(), 2);
  EXPECT_TRUE(errors.empty());
}

TEST_F(ReportPrintTest, AJobThatCannotStartIsReported) {
  auto window = ShowDrawnPages(1);
  const QString pdf = folder.filePath(QStringLiteral("missing/report.pdf"));
  window->SetPrintDialog(PdfDialog(pdf, 0, QPageLayout::Portrait));
  Click(*window, Button::Print);
  EXPECT_FALSE(QFileInfo::exists(pdf));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("could not be printed"), std::string::npos) << errors[0];
}

TEST_F(ReportWindowTest, TheCloseButtonEndsTheWindow) {
  auto window = ShowDrawnPages(1);
  Click(*window, Button::Close);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->result(), QDialog::Rejected);
}

}  // namespace
}  // namespace volarin
