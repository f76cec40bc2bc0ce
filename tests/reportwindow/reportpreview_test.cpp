#include "reportwindow/reportpreview.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "report/reportsurface.h"
#include "support/imageprobe.h"

namespace volarin {
namespace {

using testing::InkBounds;

// A preview of the given outer size showing a one-page report.
class ReportPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    preview.SetDocument(&surface.Document());
    preview.resize(625, 407);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
  }

  ReportSurface surface;
  ReportPreview preview;
};

TEST_F(ReportPreviewTest, StartsAtSeventyPercentWithTheA4PageAt556By786) {
  EXPECT_EQ(preview.Zoom(), 70);
  EXPECT_EQ(preview.PagePixelSize(), QSize(556, 786));
  // Scroll ranges are page plus two gutters.
  EXPECT_EQ(preview.verticalScrollBar()->maximum() + preview.viewport()->height(), 786 + 60);
}

TEST_F(ReportPreviewTest, ZoomStepsAreClampedAtBothEnds) {
  std::vector<int> out;
  for (int i = 0; i < 9; ++i) {
    preview.ZoomOut();
    out.push_back(preview.Zoom());
  }
  EXPECT_EQ(out, (std::vector<int>{60, 50, 40, 30, 20, 10, 5, 5, 5}));

  std::vector<int> in;
  for (int i = 0; i < 41; ++i) {
    preview.ZoomIn();
    in.push_back(preview.Zoom());
  }
  EXPECT_EQ(in.front(), 15);
  EXPECT_EQ(in[38], 395);
  EXPECT_EQ(in[39], 400);
  EXPECT_EQ(in[40], 400);

  preview.SetZoom(-3);
  EXPECT_EQ(preview.Zoom(), ReportPreview::MinZoom);
  preview.SetZoom(1000);
  EXPECT_EQ(preview.Zoom(), ReportPreview::MaxZoom);
}

struct FitCase {
  int width, height;
  int fitWidth, fitHeight, fitPage;
};

TEST_F(ReportPreviewTest, FitsUseTheWholeControlLessGuttersAndTwentyPixels) {
  const FitCase cases[] = {
      {625, 407, 68, 29, 29},   // the window's initial size
      {300, 1200, 27, 99, 27},  // narrow and tall: the page fit is the width's
      {1000, 1200, 115, 99, 99},
      {60, 60, -2, -1, -2},  // no room at all: clamped to the smallest zoom when set
  };
  for (const FitCase& c : cases) {
    preview.resize(c.width, c.height);
    EXPECT_EQ(preview.FitWidthZoom(), c.fitWidth) << c.width;
    EXPECT_EQ(preview.FitHeightZoom(), c.fitHeight) << c.height;
    EXPECT_EQ(preview.FitPageZoom(), c.fitPage) << c.width << "x" << c.height;
    preview.FitWidth();
    EXPECT_EQ(preview.Zoom(), std::max(c.fitWidth, ReportPreview::MinZoom));
    preview.FitHeight();
    EXPECT_EQ(preview.Zoom(), std::max(c.fitHeight, ReportPreview::MinZoom));
    preview.FitPage();
    EXPECT_EQ(preview.Zoom(), std::max(c.fitPage, ReportPreview::MinZoom));
  }
}

TEST_F(ReportPreviewTest, ZoomKeepsScrollPositionsInProportion) {
  preview.SetZoom(100);
  QScrollBar* across = preview.horizontalScrollBar();
  QScrollBar* down = preview.verticalScrollBar();
  ASSERT_GT(across->maximum(), 0);
  across->setValue(across->maximum() / 2);
  down->setValue(down->maximum() / 4);
  const double acrossShare = static_cast<double>(across->value()) / across->maximum();
  const double downShare = static_cast<double>(down->value()) / down->maximum();

  preview.SetZoom(250);
  EXPECT_NEAR(across->value(), across->maximum() * acrossShare, 1.0);
  EXPECT_NEAR(down->value(), down->maximum() * downShare, 1.0);
  // The scroll range grows with the page.
  EXPECT_EQ(down->maximum() + preview.viewport()->height(), preview.PagePixelSize().height() + 60);
}

TEST_F(ReportPreviewTest, KeysMoveTheBarsByLineSteps) {
  preview.SetZoom(150);
  preview.setFocus();
  QScrollBar* across = preview.horizontalScrollBar();
  QScrollBar* down = preview.verticalScrollBar();
  ASSERT_GT(down->maximum(), 200);
  ASSERT_GT(across->maximum(), 20);

  QTest::keyClick(&preview, Qt::Key_PageDown);
  EXPECT_EQ(down->value(), 80);
  QTest::keyClick(&preview, Qt::Key_Down);
  EXPECT_EQ(down->value(), 88);
  QTest::keyClick(&preview, Qt::Key_PageUp);
  EXPECT_EQ(down->value(), 8);
  QTest::keyClick(&preview, Qt::Key_Right);
  QTest::keyClick(&preview, Qt::Key_Right);
  EXPECT_EQ(across->value(), 16);
  QTest::keyClick(&preview, Qt::Key_End);
  EXPECT_EQ(down->value(), down->maximum());
  EXPECT_EQ(across->value(), across->maximum());
  QTest::keyClick(&preview, Qt::Key_Home);
  EXPECT_EQ(down->value(), 0);
  EXPECT_EQ(across->value(), 0);
}

TEST_F(ReportPreviewTest, PageKeysMoveTheHorizontalBarWhenItIsTheOnlyOne) {
  preview.resize(400, 1200);
  preview.SetZoom(50);  // 397 x 561 pixels: wider than the view, shorter than it
  QScrollBar* across = preview.horizontalScrollBar();
  ASSERT_EQ(preview.verticalScrollBar()->maximum(), 0);
  ASSERT_GT(across->maximum(), 10);
  QTest::keyClick(&preview, Qt::Key_PageDown);
  EXPECT_EQ(across->value(), std::min(80, across->maximum()));
}

TEST_F(ReportPreviewTest, TheWheelMovesOneLineStepPerNotch) {
  preview.SetZoom(150);
  QScrollBar* down = preview.verticalScrollBar();
  const QPointF at(100, 100);
  const auto turn = [&](int delta) {
    QWheelEvent wheel(at, preview.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(preview.viewport(), &wheel);
  };
  turn(-120);  // towards the user: forward
  turn(-120);
  EXPECT_EQ(down->value(), 16);
  turn(120);
  EXPECT_EQ(down->value(), 8);
}

TEST_F(ReportPreviewTest, PaintsTheCurrentPageCentredOnSilverWithOutlineAndShadow) {
  preview.resize(900, 1000);
  preview.SetZoom(50);
  surface.SetPen_color(kBgrBlack);
  surface.TextLeft("MMMMMMMMMMMM", 2.0f, 2.0f);
  QCoreApplication::processEvents();
  const QImage shot = preview.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect page = preview.PageRect();

  EXPECT_NEAR(page.center().x(), shot.width() / 2, 1);
  EXPECT_EQ(QColor(shot.pixel(2, 2)), FromBgr(kBgrSilver));
  EXPECT_EQ(QColor(shot.pixel(page.left(), page.center().y())), QColor(Qt::black));
  EXPECT_EQ(QColor(shot.pixel(page.left() + 5, page.top() + 5)), QColor(Qt::white));
  EXPECT_EQ(QColor(shot.pixel(page.right() + 2, page.center().y())), QColor(Qt::black));
  EXPECT_EQ(QColor(shot.pixel(page.right() + 5, page.center().y())), FromBgr(kBgrSilver));

  // The text lies 2.0 report inches in and down, at 48 pixels per inch.
  const QRect ink = InkBounds(shot, page.adjusted(5, 5, -5, -5));
  ASSERT_FALSE(ink.isNull());
  EXPECT_NEAR(ink.left() - page.left(), 2.0 * 25 / 25.4 * 48, 2);
  EXPECT_NEAR(ink.top() - page.top(), 2.0 * 25 / 25.4 * 48, 3);
}

TEST_F(ReportPreviewTest, ShowsTheDocumentsCurrentPage) {
  preview.resize(900, 1000);
  preview.SetZoom(50);
  surface.TextLeft("first page", 1.0f, 1.0f);
  surface.NewPage();
  QCoreApplication::processEvents();
  const QRect inner = preview.PageRect().adjusted(5, 5, -5, -5);
  const auto ink = [&] {
    return InkBounds(preview.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32),
                     inner);
  };
  EXPECT_TRUE(ink().isNull()) << "the new, empty page is shown";
  surface.GoToPage(1);
  QCoreApplication::processEvents();
  EXPECT_FALSE(ink().isNull());
}

}  // namespace
}  // namespace volarin
