#include "report/reportsurface.h"

#include <gtest/gtest.h>

#include <variant>

namespace volarin {
namespace {

constexpr double kTolerance = 1e-6;  // inches

const TextObject& LastText(const ReportSurface& surface) {
  return std::get<TextObject>(surface.Document().CurrentPage().objects.back());
}

const LineObject& LastLine(const ReportSurface& surface) {
  return std::get<LineObject>(surface.Document().CurrentPage().objects.back());
}

// Report inches as the page stores them (true inches).
double Stored(float reportInches) {
  return reportInches * 25.0 / 25.4;
}

class ReportSurfaceTest : public ::testing::Test {
 protected:
  ReportSurface surface;
};

TEST_F(ReportSurfaceTest, StartsWithOneEmptyA4PortraitPage) {
  EXPECT_EQ(surface.PageCount(), 1);
  EXPECT_EQ(surface.CurrentPageNumber(), 1);
  EXPECT_TRUE(surface.Document().CurrentPage().objects.empty());
  EXPECT_NEAR(static_cast<double>(surface.Document().CurrentPage().size.widthInches) * 25.4, 210.0,
              1e-9);
  EXPECT_NEAR(static_cast<double>(surface.Document().CurrentPage().size.heightInches) * 25.4, 297.0,
              1e-9);
  EXPECT_EQ(surface.CurrentY(), 0.0f);
}

TEST_F(ReportSurfaceTest, LineStepIsTheFullCellHeightOfExamplePlusTheGap) {
  // Liberation Sans (metric-compatible Arial): ascent + descent is about 1.15 em, so 10 pt
  // gives a cell of about 0.16 inch, plus the 0.02 gap.
  const float step10 = surface.LineStep();
  EXPECT_GT(step10, 0.17f);
  EXPECT_LT(step10, 0.19f);
  surface.Canvas().font.pointSize = 16;
  const float step16 = surface.LineStep();
  EXPECT_NEAR(step16 - 0.02, (step10 - 0.02) * 1.6, 0.005);
  surface.SetLineGap(0.1);
  EXPECT_NEAR(surface.LineStep() - step16, 0.08, 1e-6);
}

TEST_F(ReportSurfaceTest, NextLineSameLineAndAbsolutePositions) {
  surface.TextLeft("first", 0.5f, 2.0f);
  EXPECT_EQ(surface.CurrentY(), 2.0f);
  const float step = surface.LineStep();

  surface.TextLeft("next", 0.5f, -1.0f);
  EXPECT_EQ(surface.CurrentY(), static_cast<float>(2.0f + step));
  EXPECT_NEAR(static_cast<double>(LastText(surface).y), Stored(2.0f + step), kTolerance);

  surface.TextRight("same", 3.0f, 0.0f);
  EXPECT_EQ(surface.CurrentY(), static_cast<float>(2.0f + step));

  surface.TextCenter("absolute", 0.75f);
  EXPECT_EQ(surface.CurrentY(), 0.75f);
  EXPECT_NEAR(static_cast<double>(LastText(surface).y), Stored(0.75f), kTolerance);
}

TEST_F(ReportSurfaceTest, TheStepFollowsTheFontInForceAtTheCall) {
  surface.TextLeft("a", 1.0f, 1.0f);
  surface.Canvas().font.pointSize = 16;
  const float step16 = surface.LineStep();
  surface.TextLeft("b", 1.0f, -1.0f);
  EXPECT_EQ(surface.CurrentY(), static_cast<float>(1.0f + step16));
}

TEST_F(ReportSurfaceTest, AnEmptyTextAddsAnObjectAndMovesDownOneLine) {
  surface.TextLeft("caption", 0.5f, 2.0f);
  surface.TextLeft("", 8.0f, -1.0f);
  EXPECT_EQ(surface.Document().CurrentPage().objects.size(), 2u);
  EXPECT_EQ(LastText(surface).text, "");
  EXPECT_EQ(surface.CurrentY(), static_cast<float>(2.0f + surface.LineStep()));
}

TEST_F(ReportSurfaceTest, SameLineOnANewPageTakesThePreviousPagesLastPosition) {
  surface.TextLeft("last line", 0.5f, 9.8f);
  surface.NewPage();
  EXPECT_EQ(surface.PageCount(), 2);
  EXPECT_EQ(surface.CurrentPageNumber(), 2);
  EXPECT_EQ(surface.CurrentY(), 9.8f);
  surface.TextLeft("carried", 0.5f, 0.0f);
  EXPECT_NEAR(static_cast<double>(LastText(surface).y), Stored(9.8f), kTolerance);
  EXPECT_EQ(surface.Document().CurrentPage().objects.size(), 1u);
  EXPECT_EQ(surface.Document().PageAt(1).objects.size(), 1u);
}

TEST_F(ReportSurfaceTest, TextLeftPlacesTheLeftEdgeAtXInReportInches) {
  surface.TextLeft("Print Date", 0.5f, 2.0f);
  EXPECT_NEAR(static_cast<double>(LastText(surface).x), Stored(0.5f), kTolerance);
  EXPECT_EQ(LastText(surface).text, "Print Date");
}

TEST_F(ReportSurfaceTest, TextRightEndsExactlyAtXWhateverTheFontSize) {
  for (double size : {8.0, 10.0, 16.0, 30.0}) {
    surface.Canvas().font.pointSize = size;
    surface.TextRight("Page 12", 8.0f, 0.5f);
    const TextObject& text = LastText(surface);
    const long double width = MeasureText(surface.Canvas().font, "Page 12").widthInches;
    EXPECT_GT(static_cast<double>(width), 0.0);
    EXPECT_NEAR(static_cast<double>(text.x + width), Stored(8.0f), kTolerance) << size;
  }
}

TEST_F(ReportSurfaceTest, TextRightAtTheCentreStartsHalfAWidthLeftOfTextCenter) {
  surface.Canvas().font.pointSize = 16;
  surface.TextCenter("Positive Pay Report", 0.5f);
  const long double centred = LastText(surface).x;
  surface.TextRight("Positive Pay Report", 4.25f, 0.5f);
  const long double right = LastText(surface).x;
  const long double width = MeasureText(surface.Canvas().font, "Positive Pay Report").widthInches;
  EXPECT_NEAR(static_cast<double>(centred - right), static_cast<double>(width / 2), kTolerance);
  EXPECT_NEAR(static_cast<double>(centred + width / 2), Stored(4.25f), kTolerance);
}

struct LineCase {
  const char* name;
  float x1, y1, x2, y2;
  // Expected ends in report inches; CurrentY is 3.0 before the call.
  float ex1, ey1, ex2, ey2;
  bool nextLine;  // ey1 and ey2 are offsets from the next line instead
};

TEST_F(ReportSurfaceTest, DrawLineResolvesItsEnds) {
  const LineCase cases[] = {
      {"rule on the next line", 0.5f, -1.0f, 1.4f, -1.0f, 0.5f, 0, 1.4f, 0, true},
      {"y2 of zero is horizontal", 1.5f, 4.0f, 2.4f, 0.0f, 1.5f, 4.0f, 2.4f, 4.0f, false},
      {"any negative y2 is horizontal", 1.5f, 4.0f, 2.4f, -7.0f, 1.5f, 4.0f, 2.4f, 4.0f, false},
      {"x2 of zero with y2 is vertical", 2.0f, 4.0f, 0.0f, 6.0f, 2.0f, 4.0f, 2.0f, 6.0f, false},
      {"x2 and y2 zero coincide", 2.0f, 4.0f, 0.0f, 0.0f, 2.0f, 4.0f, 2.0f, 4.0f, false},
      {"same line", 0.5f, 0.0f, 8.0f, 0.0f, 0.5f, 3.0f, 8.0f, 3.0f, false},
      {"negative x2 stays", 2.0f, 4.0f, -1.0f, 5.0f, 2.0f, 4.0f, -1.0f, 5.0f, false},
  };
  for (const LineCase& c : cases) {
    ReportSurface s;
    s.TextLeft("anchor", 0.5f, 3.0f);
    const float step = s.LineStep();
    s.DrawLine(c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(s.CurrentY(), 3.0f) << c.name;
    const LineObject& line = LastLine(s);
    const float base = c.nextLine ? static_cast<float>(3.0f + step) : 0.0f;
    EXPECT_NEAR(static_cast<double>(line.x1), Stored(c.ex1), kTolerance) << c.name;
    EXPECT_NEAR(static_cast<double>(line.y1), Stored(base + c.ey1), kTolerance) << c.name;
    EXPECT_NEAR(static_cast<double>(line.x2), Stored(c.ex2), kTolerance) << c.name;
    EXPECT_NEAR(static_cast<double>(line.y2), Stored(base + c.ey2), kTolerance) << c.name;
  }
}

TEST_F(ReportSurfaceTest, ColoursFollowTheOperationRules) {
  const GraphicsStore& graphics = surface.Document().Graphics();
  EXPECT_EQ(surface.Pen_color(), kBgrBlack);
  EXPECT_EQ(surface.Brush_color(), kNoColor);

  surface.SetBrush_color(kBgrWhite);
  surface.SetPen_color(0x0000FF);  // red
  surface.TextLeft("left", 1.0f, 1.0f);
  EXPECT_EQ(graphics.Brush(LastText(surface).brush).color, kBgrWhite);
  EXPECT_EQ(graphics.Brush(LastText(surface).brush).style, BrushStyle::Solid);
  EXPECT_EQ(graphics.Font(LastText(surface).font).color, 0x0000FFu);
  EXPECT_EQ(graphics.Pen(LastText(surface).pen).color, 0x0000FFu);

  // Right-aligned and centred text have a transparent background.
  surface.TextRight("right", 3.0f, 1.0f);
  EXPECT_EQ(graphics.Brush(LastText(surface).brush).style, BrushStyle::Clear);
  surface.TextCenter("centre", 1.5f);
  EXPECT_EQ(graphics.Brush(LastText(surface).brush).style, BrushStyle::Clear);
  EXPECT_EQ(graphics.Font(LastText(surface).font).color, 0x0000FFu);

  // The next left-aligned text gets its white background back.
  surface.TextLeft("left again", 1.0f, 2.0f);
  EXPECT_EQ(graphics.Brush(LastText(surface).brush).color, kBgrWhite);

  surface.SetPen_color(0xFF0000);
  surface.DrawLine(1.0f, 3.0f, 2.0f, 0.0f);
  EXPECT_EQ(graphics.Pen(LastLine(surface).pen).color, 0xFF0000u);
}

TEST_F(ReportSurfaceTest, GoToPageIgnoresTheCurrentPageAndNumbersOutOfRange) {
  surface.NewPage();
  surface.NewPage();
  int notified = 0;
  QObject::connect(&surface.Document(), &PageDocument::currentPageChanged,
                   [&notified](int) { ++notified; });
  for (int ignored : {3, 0, -1, 4}) {
    surface.GoToPage(ignored);
    EXPECT_EQ(surface.CurrentPageNumber(), 3) << ignored;
  }
  EXPECT_EQ(notified, 0);
  surface.GoToPage(1);
  EXPECT_EQ(surface.CurrentPageNumber(), 1);
  EXPECT_EQ(notified, 1);
  // New objects go onto the current page, not the last one.
  surface.TextLeft("on page one", 1.0f, 1.0f);
  EXPECT_EQ(surface.Document().PageAt(1).objects.size(), 1u);
  EXPECT_TRUE(surface.Document().PageAt(3).objects.empty());
}

TEST(GraphicsStoreTest, EqualRecordsAreSharedOnlyWithTheComparisonOption) {
  for (bool compare : {true, false}) {
    ReportSurface surface;
    surface.Document().Graphics().SetCompareGraphics(compare);
    for (int i = 0; i < 50; ++i) surface.TextLeft("line", 0.5f, -1.0f);
    surface.Canvas().font.pointSize = 16;
    surface.TextLeft("title", 0.5f, -1.0f);
    surface.Canvas().font.pointSize = 10;
    surface.TextLeft("line", 0.5f, -1.0f);

    const GraphicsStore& graphics = surface.Document().Graphics();
    const auto& objects = surface.Document().CurrentPage().objects;
    const TextObject& first = std::get<TextObject>(objects.front());
    const TextObject& title = std::get<TextObject>(objects[50]);
    const TextObject& last = std::get<TextObject>(objects.back());
    EXPECT_EQ(graphics.Font(title.font).pointSize, 16.0);
    EXPECT_EQ(graphics.Font(last.font), graphics.Font(first.font));
    if (compare) {
      EXPECT_EQ(graphics.FontCount(), 2u);
      EXPECT_EQ(last.font, first.font);
      EXPECT_EQ(last.brush, first.brush);
    } else {
      EXPECT_EQ(graphics.FontCount(), 52u);
      EXPECT_NE(last.font, first.font);
    }
  }
}

}  // namespace
}  // namespace volarin
