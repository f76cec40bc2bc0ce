#pragma once
// Finding what was painted in a rendered page image.

#include <QColor>
#include <QImage>
#include <QRect>

namespace volarin::testing {

// Bounding box of the pixels of exactly this colour; null when there are none.
inline QRect ColorBounds(const QImage& image, QColor color, QRect area = {}) {
  if (area.isNull()) area = image.rect();
  const QRgb wanted = color.rgb();
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) {
      if ((line[x] & 0xFFFFFF) == (wanted & 0xFFFFFF)) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

// Bounding box of the dark pixels (ink of black text and rules) within the area.
inline QRect InkBounds(const QImage& image, QRect area = {}) {
  if (area.isNull()) area = image.rect();
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) {
      if (qGray(line[x]) < 128) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

}  // namespace volarin::testing
