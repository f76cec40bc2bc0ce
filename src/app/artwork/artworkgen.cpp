// Draws the main window's pictures at build time and writes them, with the resource list that
// names them, into the folder given on the command line:
//   artworkgen <folder>
// Button pictures are 32 x 16: the picture on the left, its greyed form for the disabled state
// on the right. The textures are 240 x 240, nearly white and speckled.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <random>

namespace {

constexpr int kGlyph = 16;
constexpr int kTexture = 240;

using Drawing = std::function<void(QPainter&)>;

void Page(QPainter& p, QRectF r) {
  const qreal fold = 4;
  QPolygonF sheet;
  sheet << r.topLeft() << QPointF(r.right() - fold, r.top()) << QPointF(r.right(), r.top() + fold)
        << r.bottomRight() << r.bottomLeft();
  p.setPen(QPen(QColor(64, 64, 64), 1));
  p.setBrush(Qt::white);
  p.drawPolygon(sheet);
  p.setBrush(QColor(200, 200, 200));
  QPolygonF corner;
  corner << QPointF(r.right() - fold, r.top()) << QPointF(r.right() - fold, r.top() + fold)
         << QPointF(r.right(), r.top() + fold);
  p.drawPolygon(corner);
}

void TextLines(QPainter& p, qreal left, qreal right, qreal top, int count) {
  p.setPen(QPen(QColor(96, 128, 192), 1));
  for (int i = 0; i < count; ++i)
    p.drawLine(QPointF(left, top + 2 * i), QPointF(right, top + 2 * i));
}

void OpenDoor(QPainter& p) {
  // The frame, the dark doorway and the door swung open towards the viewer.
  p.setPen(QPen(QColor(96, 56, 16), 1));
  p.setBrush(QColor(40, 40, 48));
  p.drawRect(QRectF(3.5, 1.5, 8, 13));
  QPolygonF door;
  door << QPointF(3.5, 1.5) << QPointF(8.5, 3.5) << QPointF(8.5, 15.5) << QPointF(3.5, 14.5);
  p.setBrush(QColor(176, 112, 48));
  p.drawPolygon(door);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 220, 64));
  p.drawRect(QRectF(7, 8.5, 1, 1.5));
  // Light falling through the doorway.
  p.setBrush(QColor(255, 240, 160));
  p.drawRect(QRectF(9, 3, 2, 11));
}

void Printer(QPainter& p) {
  p.setPen(QPen(QColor(48, 48, 48), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4.5, 1.5, 7, 5));  // paper waiting at the back
  p.setBrush(QColor(160, 160, 168));
  p.drawRect(QRectF(1.5, 6.5, 13, 6));  // body
  p.setBrush(QColor(112, 112, 120));
  p.drawRect(QRectF(3.5, 10.5, 9, 2));  // paper slot
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4.5, 11.5, 7, 3.5));  // the printed sheet
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(32, 192, 32));
  p.drawRect(QRectF(12, 8, 1.5, 1.5));  // power light
}

void PageWithLens(QPainter& p) {
  Page(p, QRectF(1.5, 0.5, 10, 13));
  TextLines(p, 3.5, 8.5, 3.5, 4);
  p.setPen(QPen(QColor(96, 64, 32), 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(12.2, 12.2), QPointF(15, 15));  // handle
  p.setPen(QPen(QColor(48, 48, 64), 1.2));
  p.setBrush(QColor(180, 220, 255, 200));
  p.drawEllipse(QPointF(9.5, 9.5), 3.6, 3.6);  // lens
}

void ArrowIntoPage(QPainter& p) {
  Page(p, QRectF(5.5, 0.5, 10, 14));
  TextLines(p, 7.5, 12.5, 3.5, 5);
  QPolygonF arrow;
  arrow << QPointF(0.5, 6) << QPointF(6, 6) << QPointF(6, 3) << QPointF(11, 8) << QPointF(6, 13)
        << QPointF(6, 10) << QPointF(0.5, 10);
  p.setPen(QPen(QColor(128, 0, 0), 1));
  p.setBrush(QColor(224, 16, 16));
  p.drawPolygon(arrow);
}

void StopSign(QPainter& p) {
  p.setPen(QPen(QColor(128, 0, 0), 1));
  p.setBrush(QColor(220, 20, 20));
  p.drawEllipse(QPointF(8, 8), 7, 7);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3.5, 6.5, 9, 3));
}

QImage Greyed(const QImage& picture) {
  // The disabled look: the outline embossed in white and grey, the colours gone.
  QImage grey(picture.size(), QImage::Format_ARGB32);
  grey.fill(Qt::transparent);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      if (c.alpha() < 64) continue;
      const int shade = qGray(c.rgb()) < 200 ? 128 : 208;
      grey.setPixelColor(x, y, QColor(shade, shade, shade));
      if (x + 1 < grey.width() && y + 1 < grey.height() &&
          picture.pixelColor(x + 1, y + 1).alpha() < 64) {
        grey.setPixelColor(x + 1, y + 1, Qt::white);
      }
    }
  }
  return grey;
}

QImage Glyph(const Drawing& draw) {
  QImage picture(kGlyph, kGlyph, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  {
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
  }
  QImage pair(2 * kGlyph, kGlyph, QImage::Format_ARGB32);
  pair.fill(Qt::transparent);
  QPainter p(&pair);
  p.drawImage(0, 0, picture);
  p.drawImage(kGlyph, 0, Greyed(picture));
  return pair;
}

// Nearly white with a scatter of light grey and faintly tinted specks.
QImage Speckles(unsigned seed, int tint) {
  QImage image(kTexture, kTexture, QImage::Format_RGB32);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> roll(0, 99);
  std::uniform_int_distribution<int> depth(12, 40);
  for (int y = 0; y < kTexture; ++y) {
    for (int x = 0; x < kTexture; ++x) {
      int r = 252, g = 252, b = 250;
      const int chance = roll(random);
      if (chance < 9) {
        const int d = depth(random);
        r -= d;
        g -= d - tint;
        b -= d - 2 * tint;
      } else if (chance < 30) {
        r -= 5;
        g -= 5;
        b -= 4;
      }
      image.setPixel(x, y, qRgb(r, g, b));
    }
  }
  return image;
}

bool Save(const QImage& image, const QString& path) {
  if (image.save(path, "PNG")) return true;
  std::fprintf(stderr, "artworkgen: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: artworkgen <folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  struct Named {
    const char* name;
    Drawing draw;
  };
  const Named glyphs[] = {{"exit", OpenDoor},
                          {"print", Printer},
                          {"showchecks", PageWithLens},
                          {"createfile", ArrowIntoPage},
                          {"stop", StopSign}};
  bool ok = true;
  QStringList files;
  for (const Named& glyph : glyphs) {
    const QString file = QStringLiteral("%1.png").arg(QLatin1String(glyph.name));
    ok = Save(Glyph(glyph.draw), folder + QLatin1Char('/') + file) && ok;
    files << file;
  }
  // The status bar's texture keeps 24-bit colour; the checks bar's and the extraction dialog's
  // are reduced to 256 colours.
  ok = Save(Speckles(1998, 0).convertToFormat(QImage::Format_RGB888),
            folder + QStringLiteral("/statustexture.png")) &&
       ok;
  files << QStringLiteral("statustexture.png");
  ok = Save(Speckles(2025, 4).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither),
            folder + QStringLiteral("/checkstexture.png")) &&
       ok;
  files << QStringLiteral("checkstexture.png");
  ok = Save(Speckles(1987, 2).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither),
            folder + QStringLiteral("/dialogtexture.png")) &&
       ok;
  files << QStringLiteral("dialogtexture.png");

  QFile list(folder + QStringLiteral("/artwork.qrc"));
  if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
  QTextStream out(&list);
  out << "<RCC>\n  <qresource prefix=\"/artwork\">\n";
  for (const QString& file : files) out << "    <file>" << file << "</file>\n";
  out << "  </qresource>\n</RCC>\n";
  return ok ? 0 : 1;
}
