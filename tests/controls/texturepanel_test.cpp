#include "controls/texturepanel.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "qtcommon/bgrcolor.h"

namespace volarin {
namespace {

struct TileCase {
  const char* name;
  TexturePanel::Bevel inner, outer;
  TexturePanel::BorderStyle border;
  bool ctl3d;
  int inset, allowance;
};

TEST(TexturePanelTest, InsetAndBorderAllowance) {
  using B = TexturePanel::Bevel;
  using S = TexturePanel::BorderStyle;
  const TileCase cases[] = {
      {"plain", B::None, B::None, S::None, true, 0, 0},
      {"raised outer", B::None, B::Raised, S::None, true, 2, 0},
      {"both bevels", B::Lowered, B::Raised, S::None, true, 4, 0},
      {"3-D border", B::None, B::None, S::Single, true, 0, 4},
      {"flat border", B::Lowered, B::None, S::Single, false, 2, 2},
  };
  for (const TileCase& c : cases) {
    TexturePanel panel;
    panel.SetBevelWidth(2);
    panel.SetBevelInner(c.inner);
    panel.SetBevelOuter(c.outer);
    panel.SetBorder(c.border);
    panel.SetCtl3D(c.ctl3d);
    EXPECT_EQ(panel.Inset(), c.inset) << c.name;
    EXPECT_EQ(panel.BorderAllowance(), c.allowance) << c.name;
  }
}

TEST(TexturePanelTest, TilesStartAtTheInsetAndTheLastOnesAreCut) {
  // 100 x 50 panel, inset 2, flat border: tiles cover x 2..95 and y 2..45.
  const std::vector<QRect> tiles = TexturePanel::TileRects({100, 50}, 2, 2, {40, 30});
  const std::vector<QRect> expected = {
      QRect(2, 2, 40, 30),  QRect(42, 2, 40, 30),  QRect(82, 2, 14, 30),
      QRect(2, 32, 40, 14), QRect(42, 32, 40, 14), QRect(82, 32, 14, 14),
  };
  EXPECT_EQ(tiles, expected);
  EXPECT_TRUE(TexturePanel::TileRects({100, 50}, 2, 2, {0, 0}).empty());
  EXPECT_TRUE(TexturePanel::TileRects({4, 4}, 2, 2, {8, 8}).empty());
}

TEST(TexturePanelTest, PaintsTheTextureInsideTheBevel) {
  TexturePanel panel;
  panel.SetBevelOuter(TexturePanel::Bevel::Raised);
  panel.SetColor(0x00FF00);
  panel.resize(30, 20);
  QPixmap texture(8, 8);
  texture.fill(Qt::red);
  panel.SetTexture(texture);
  const QImage shot = panel.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(Qt::red));
  EXPECT_EQ(QColor(shot.pixel(28, 18)), QColor(Qt::red));
  EXPECT_NE(QColor(shot.pixel(0, 0)), QColor(Qt::red)) << "the bevel stays uncovered";

  panel.SetTexture(QPixmap());
  EXPECT_EQ(QColor(panel.grab().toImage().pixel(10, 10)), FromBgr(0x00FF00));
}

TEST(TexturePanelTest, GlyphLoadsAResourceThenAFileAndOtherwiseChangesNothing) {
  TexturePanel panel;
  panel.Setglyph(QStringLiteral("TILE"));  // the test program's resource
  ASSERT_FALSE(panel.Texture().isNull());
  EXPECT_EQ(panel.Texture().size(), QSize(4, 3));

  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString file = folder.filePath(QStringLiteral("texture.png"));
  QPixmap image(6, 5);
  image.fill(Qt::blue);
  ASSERT_TRUE(image.save(file));
  panel.Setglyph(file);
  EXPECT_EQ(panel.Texture().size(), QSize(6, 5));

  panel.Setglyph(folder.filePath(QStringLiteral("no such texture.bmp")));
  EXPECT_EQ(panel.Texture().size(), QSize(6, 5));

  panel.Setglyph(QString());
  EXPECT_TRUE(panel.Texture().isNull());
}

TEST(TexturePanelTest, TakesEnterColorWhileTheFocusIsInside) {
  QWidget form;
  auto* panel = new TexturePanel(&form);
  panel->SetENTERCOLOR(kBgrYellow);
  panel->SetEXITCOLOR(kBgrSilver);
  panel->setGeometry(0, 0, 200, 50);
  auto* inside = new QLineEdit(panel);
  auto* outside = new QLineEdit(&form);
  outside->move(0, 60);
  form.resize(200, 100);
  form.show();
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

  inside->setFocus();
  EXPECT_EQ(panel->Color(), kBgrYellow);
  outside->setFocus();
  EXPECT_EQ(panel->Color(), kBgrSilver);
}

}  // namespace
}  // namespace volarin
