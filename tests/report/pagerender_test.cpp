#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>

#include "common/errors.h"
#include "report/pageexport.h"
#include "report/reportsurface.h"
#include "support/imageprobe.h"
#include "support/pdf_reader.h"

namespace volarin {
namespace {

using testing::ColorBounds;
using testing::InkBounds;
using testing::RasterisePdf;

const QDateTime kNow(QDate(2024, 3, 7), QTime(14, 5));

// 254 pixels per inch is 10 pixels per millimetre.
constexpr double kTenPerMm = 254.0;

TEST(PageRenderTest, ReportInchesLandAtTheirPhysicalPlaceOnTheSheet) {
  ReportSurface surface;
  surface.DrawLine(8.0f, 1.0f, 0.0f, 2.0f);   // vertical rule at the right edge
  surface.DrawLine(4.25f, 3.0f, 0.0f, 4.0f);  // and at the centre line
  const QImage image = RenderPageToImage(surface.Document(), 1, kTenPerMm, kNow);
  ASSERT_EQ(image.size(), QSize(2100, 2970));

  const QRect right = InkBounds(image, QRect(0, 260, 2100, 20));
  EXPECT_NEAR(right.center().x(), 2000, 1) << "200 mm from the left edge";
  const QRect centre = InkBounds(image, QRect(0, 770, 2100, 20));
  EXPECT_NEAR(centre.center().x(), 1062.5, 1) << "106.25 mm from the left edge";
  // Vertically: 1.0 to 2.0 report inches is 25 mm to 50 mm.
  const QRect rule = InkBounds(image, QRect(1990, 0, 20, 2970));
  EXPECT_NEAR(rule.top(), 250, 1);
  EXPECT_NEAR(rule.bottom(), 500, 1);
}

// Renders a page of filled text cells at two resolutions: each cell's top-left corner must
// land on the same physical place, and each cell keep its physical size.
TEST(PageRenderTest, TextCellsKeepTheirPhysicalPlaceAndSizeAtAnyResolution) {
  struct Cell {
    float x, y;
    uint32_t brush;
    double points;
  };
  const Cell cells[] = {
      {0.5f, 0.5f, 0x0000FF, 10},
      {3.37f, 2.13f, 0x00FF00, 8},
      {6.1f, 9.77f, 0xFF0000, 16},
      {1.23f, 10.9f, 0xFF00FF, 12},
  };
  ReportSurface surface;
  for (const Cell& c : cells) {
    surface.Canvas().font.pointSize = c.points;
    surface.SetBrush_color(c.brush);
    surface.TextLeft("Positive Pay 1,234.50", c.x, c.y);
  }
  const QImage low = RenderPageToImage(surface.Document(), 1, 96, kNow);
  const QImage high = RenderPageToImage(surface.Document(), 1, 600, kNow);
  for (const Cell& c : cells) {
    const QRect at96 = ColorBounds(low, FromBgr(c.brush));
    const QRect at600 = ColorBounds(high, FromBgr(c.brush));
    ASSERT_FALSE(at96.isNull());
    ASSERT_FALSE(at600.isNull());
    // Within one pixel of the coarser device.
    EXPECT_NEAR(at96.left() / 96.0, at600.left() / 600.0, 1 / 96.0) << c.x;
    EXPECT_NEAR(at96.top() / 96.0, at600.top() / 600.0, 1 / 96.0) << c.y;
    EXPECT_NEAR((at96.right() + 1) / 96.0, (at600.right() + 1) / 600.0, 1 / 96.0) << c.points;
    EXPECT_NEAR((at96.bottom() + 1) / 96.0, (at600.bottom() + 1) / 600.0, 1 / 96.0) << c.points;
    // And where the report put it: x report inches are x * 25 / 25.4 true inches.
    EXPECT_NEAR(at600.left() / 600.0, c.x * 25.0 / 25.4, 1 / 600.0);
  }
}

TEST(PageRenderTest, FontSizesArePhysical) {
  ReportSurface surface;
  surface.Canvas().font.pointSize = 10;
  surface.TextLeft("MMMMMMMMMMMMMMMMMMMM", 1.0f, 1.0f);  // a 10 pt line of ink
  const QImage low = RenderPageToImage(surface.Document(), 1, 96, kNow);
  const QImage high = RenderPageToImage(surface.Document(), 1, 600, kNow);
  const QRect ink96 = InkBounds(low);
  const QRect ink600 = InkBounds(high);
  ASSERT_FALSE(ink96.isNull());
  ASSERT_FALSE(ink600.isNull());
  EXPECT_NEAR(ink96.width() / 96.0, ink600.width() / 600.0, 2 / 96.0);
  EXPECT_NEAR(ink96.height() / 96.0, ink600.height() / 600.0, 2 / 96.0);
  // The rendered ink spans about the measured advance (the side bearings are small).
  const double measured =
      static_cast<double>(MeasureText(surface.Canvas().font, "MMMMMMMMMMMMMMMMMMMM").widthInches);
  EXPECT_NEAR(ink600.width() / 600.0, measured, 0.03);
  // The cap height of a 10 pt M is about 0.1 inch tall.
  EXPECT_NEAR(ink600.height() / 600.0, 10 / 72.0 * 0.73, 0.01);
}

TEST(PageRenderTest, ALineOfAQuarterPointIsTheThinnestAtLowResolution) {
  ReportSurface surface;
  surface.DrawLine(1.0f, 1.0f, 7.0f, 0.0f);
  const QImage low = RenderPageToImage(surface.Document(), 1, 96, kNow);
  const QImage high = RenderPageToImage(surface.Document(), 1, 600, kNow);
  EXPECT_EQ(InkBounds(low).height(), 1);
  // 600 / 72 / 4 = 2.08: two pixels.
  EXPECT_EQ(InkBounds(high).height(), 2);
}

TEST(TokenTest, ExpandTokensReplacesEveryOccurrenceInOrder) {
  TokenValues values{"07/03/2024", "14/05", 2, 3};
  EXPECT_EQ(ExpandTokens("{DATE} {TIME} page {PAGE} of {NUMPAGES}, {PAGE}", values),
            "07/03/2024 14/05 page 2 of 3, 2");
  EXPECT_EQ(ExpandTokens("no tokens {page}", values), "no tokens {page}");
}

QImage RenderWithHeader(const std::string& caption, int page) {
  ReportSurface surface;
  surface.NewPage();
  surface.NewPage();
  Band& header = surface.Document().Header();
  header.visible = true;
  header.centerCaption = caption;
  return RenderPageToImage(surface.Document(), page, 96, kNow);
}

TEST(TokenTest, BandCaptionsAreExpandedPerPage) {
  EXPECT_EQ(RenderWithHeader("Page {PAGE} of {NUMPAGES} {DATE}", 2),
            RenderWithHeader("Page 2 of 3 07/03/2024", 2));
  EXPECT_NE(RenderWithHeader("Page {PAGE} of {NUMPAGES} {DATE}", 2),
            RenderWithHeader("Page {PAGE} of {NUMPAGES} {DATE}", 3));
}

QImage RenderWithPayee(const std::string& payee) {
  ReportSurface surface;
  surface.SetBrush_color(kBgrWhite);
  surface.TextLeft(payee, 3.5f, 2.0f);
  return RenderPageToImage(surface.Document(), 1, 150, kNow);
}

TEST(TokenTest, ADrawnTextPrintsAsWritten) {
  const std::string payee = "ACME {PAGE} LLC {NUMPAGES}{DATE}";
  const QImage literal = RenderWithPayee(payee);
  EXPECT_NE(literal, RenderWithPayee("ACME 1 LLC 107/03/2024"));
  // The ink spans the literal text, braces and all.
  ReportSurface measure;
  const double width = static_cast<double>(MeasureText(measure.Canvas().font, payee).widthInches);
  EXPECT_NEAR(InkBounds(literal).width() / 150.0, width, 0.05);
}

TEST(PdfTest, EveryPageIsAnA4SheetWithTheReportAtItsPhysicalPlace) {
  ReportSurface surface;
  surface.SetBrush_color(kBgrWhite);
  for (int page = 1; page <= 3; ++page) {
    if (page > 1) surface.NewPage();
    surface.DrawLine(8.0f, 1.0f, 0.0f, 2.0f);
    surface.DrawLine(4.25f, 3.0f + page, 0.0f, 3.5f + page);
    surface.TextLeft("Page " + std::to_string(page), 0.5f, 0.5f);
  }
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
  SaveDocumentAsPdf(surface.Document(), pdf.toStdString(), kNow);

  const std::vector<QImage> pages = RasterisePdf(pdf, 254, folder.path());
  ASSERT_EQ(pages.size(), 3u);
  for (int n = 0; n < 3; ++n) {
    const QImage& sheet = pages[static_cast<std::size_t>(n)];
    EXPECT_NEAR(sheet.width(), 2100, 1);
    EXPECT_NEAR(sheet.height(), 2970, 1);
    EXPECT_NEAR(InkBounds(sheet, QRect(0, 260, 2100, 20)).center().x(), 2000, 1.5);
    // Each page carries its own centre rule, 25 mm lower per page.
    const int y = static_cast<int>(std::lround((3.25 + n + 1) * 250));
    EXPECT_NEAR(InkBounds(sheet, QRect(0, y, 2100, 10)).center().x(), 1062.5, 1.5) << n;
  }
}

TEST(PdfTest, AnUnwritablePathIsAClearError) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string path = folder.filePath(QStringLiteral("missing/report.pdf")).toStdString();
  ReportSurface surface;
  try {
    SaveDocumentAsPdf(surface.Document(), path, kNow);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace volarin
