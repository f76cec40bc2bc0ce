#include "app/flatpushbutton.h"

#include <QPainter>

#include "qtcommon/bgrcolor.h"

namespace volarin {

FlatPushButton::FlatPushButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), hotFont_(font()) {
  setFlat(true);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover);
}

void FlatPushButton::SetColor(uint32_t color) {
  color_ = color;
  update();
}

void FlatPushButton::enterEvent(QEnterEvent* event) {
  QPushButton::enterEvent(event);
  hot_ = true;
  update();
}

void FlatPushButton::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  hot_ = false;
  update();
}

void FlatPushButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect face = rect();
  painter.fillRect(face, FromBgr(color_));
  const bool sunken = isDown();
  if (hot_ || sunken) {
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    painter.setPen(sunken ? dark : light);
    painter.drawLine(face.topLeft(), face.topRight());
    painter.drawLine(face.topLeft(), face.bottomLeft());
    painter.setPen(sunken ? light : dark);
    painter.drawLine(face.bottomLeft(), face.bottomRight());
    painter.drawLine(face.topRight(), face.bottomRight());
  }
  painter.setFont(hot_ ? hotFont_ : font());
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  const QRect textArea = sunken ? face.translated(1, 1) : face;
  painter.drawText(textArea, Qt::AlignCenter, text());
}

}  // namespace volarin
