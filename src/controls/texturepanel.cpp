#include "controls/texturepanel.h"

#include <QApplication>
#include <QFile>
#include <QPainter>

#include "common/platform.h"
#include "qtcommon/bgrcolor.h"

namespace volarin {

namespace {

void DrawBevel(QPainter& painter, QRect& rect, TexturePanel::Bevel bevel, int width,
               const QPalette& palette) {
  if (bevel == TexturePanel::Bevel::None) return;
  const QColor light = palette.color(QPalette::Light);
  const QColor dark = palette.color(QPalette::Dark);
  const QColor topLeft = bevel == TexturePanel::Bevel::Raised ? light : dark;
  const QColor bottomRight = bevel == TexturePanel::Bevel::Raised ? dark : light;
  for (int i = 0; i < width; ++i) {
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    rect.adjust(1, 1, -1, -1);
  }
}

}  // namespace

TexturePanel::TexturePanel(QWidget* parent) : QWidget(parent) {
  color_ = ToBgr(palette().color(QPalette::Button));
  enterColor_ = color_;
  exitColor_ = color_;
  // The whole face is painted here, tiles included.
  setAttribute(Qt::WA_OpaquePaintEvent);
  connect(qApp, &QApplication::focusChanged, this, &TexturePanel::FocusChanged);
}

TexturePanel::~TexturePanel() {
  if (qApp) disconnect(qApp, &QApplication::focusChanged, this, &TexturePanel::FocusChanged);
}

void TexturePanel::SetColor(uint32_t color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void TexturePanel::SetTexture(const QPixmap& texture) {
  texture_ = texture;
  update();
}

void TexturePanel::Setglyph(const QString& name) {
  glyph_ = name;
  if (name.isEmpty()) {
    SetTexture(QPixmap());
    return;
  }
  QPixmap loaded;
  const QString resource = QStringLiteral(":/") + name;
  if (QFile::exists(resource)) {
    loaded.load(resource);
  } else if (platform::FileExists(name.toStdString())) {
    loaded.load(name);
  } else {
    return;
  }
  if (!loaded.isNull()) SetTexture(loaded);
}

void TexturePanel::SetBevelInner(Bevel bevel) {
  bevelInner_ = bevel;
  update();
}

void TexturePanel::SetBevelOuter(Bevel bevel) {
  bevelOuter_ = bevel;
  update();
}

void TexturePanel::SetBevelWidth(int width) {
  bevelWidth_ = width;
  update();
}

void TexturePanel::SetBorder(BorderStyle border) {
  border_ = border;
  update();
}

void TexturePanel::SetCtl3D(bool on) {
  ctl3d_ = on;
  update();
}

int TexturePanel::Inset() const {
  return (bevelInner_ != Bevel::None ? bevelWidth_ : 0) +
         (bevelOuter_ != Bevel::None ? bevelWidth_ : 0);
}

int TexturePanel::BorderAllowance() const {
  if (border_ == BorderStyle::None) return 0;
  return ctl3d_ ? 4 : 2;
}

std::vector<QRect> TexturePanel::TileRects(QSize panel, int inset, int borderAllowance,
                                           QSize texture) {
  std::vector<QRect> tiles;
  if (texture.isEmpty()) return tiles;
  const int right = panel.width() - inset - borderAllowance;
  const int bottom = panel.height() - inset - borderAllowance;
  for (int y = inset; y < bottom; y += texture.height()) {
    for (int x = inset; x < right; x += texture.width()) {
      tiles.emplace_back(x, y, std::min(texture.width(), right - x),
                         std::min(texture.height(), bottom - y));
    }
  }
  return tiles;
}

void TexturePanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect face = rect();
  // A border lies outside the client area: a sunken double edge with 3-D look, a black line
  // without.
  const int borderWidth = BorderAllowance() / 2;
  if (borderWidth > 0) {
    painter.fillRect(rect(), ctl3d_ ? palette().color(QPalette::Dark) : QColor(Qt::black));
    face.adjust(borderWidth, borderWidth, -borderWidth, -borderWidth);
  }
  painter.fillRect(face, FromBgr(color_));
  QRect bevels = face;
  DrawBevel(painter, bevels, bevelOuter_, bevelWidth_, palette());
  DrawBevel(painter, bevels, bevelInner_, bevelWidth_, palette());
  painter.translate(face.topLeft());
  for (const QRect& tile : TileRects(size(), Inset(), BorderAllowance(), texture_.size())) {
    painter.drawPixmap(tile.topLeft(), texture_, QRect(QPoint(0, 0), tile.size()));
  }
}

bool TexturePanel::Holds(const QWidget* widget) const {
  return widget && (widget == this || isAncestorOf(widget));
}

void TexturePanel::FocusChanged(QWidget* old, QWidget* now) {
  if (Holds(now)) {
    SetColor(enterColor_);
  } else if (Holds(old)) {
    SetColor(exitColor_);
  }
}

}  // namespace volarin
