#include "reportwindow/toolbarpictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace volarin {

namespace {

constexpr int kSize = 18;

void DrawSheet(QPainter& painter, const QRectF& sheet) {
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::white);
  painter.drawRect(sheet);
}

void DrawArrowHead(QPainter& painter, QPointF tip, QPointF back1, QPointF back2) {
  QPainterPath head;
  head.moveTo(tip);
  head.lineTo(back1);
  head.lineTo(back2);
  head.closeSubpath();
  painter.fillPath(head, Qt::darkBlue);
}

void DrawMagnifier(QPainter& painter, bool plus) {
  painter.setPen(QPen(Qt::black, 1.5));
  painter.setBrush(QColor(220, 235, 255));
  painter.drawEllipse(QRectF(2.5, 2.5, 10, 10));
  painter.setPen(QPen(QColor(120, 70, 20), 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(11.5, 11.5), QPointF(16, 16));
  painter.setPen(QPen(Qt::darkBlue, 1.6));
  painter.drawLine(QPointF(5, 7.5), QPointF(10, 7.5));
  if (plus) painter.drawLine(QPointF(7.5, 5), QPointF(7.5, 10));
}

void Paint(QPainter& painter, ToolbarPicture picture) {
  switch (picture) {
    case ToolbarPicture::Print:
      painter.setPen(QPen(Qt::black, 1));
      painter.setBrush(Qt::white);
      painter.drawRect(QRectF(5.5, 1.5, 7, 6));
      painter.setBrush(QColor(160, 160, 160));
      painter.drawRect(QRectF(1.5, 7.5, 15, 6));
      painter.setBrush(Qt::white);
      painter.drawRect(QRectF(4.5, 11.5, 9, 5));
      painter.fillRect(QRectF(13, 9, 2, 1.5), Qt::green);
      break;
    case ToolbarPicture::Close:
      painter.setPen(QPen(QColor(90, 50, 10), 1));
      painter.setBrush(QColor(190, 130, 60));
      painter.drawRect(QRectF(4.5, 1.5, 9, 15));
      painter.setBrush(Qt::black);
      painter.drawEllipse(QRectF(10.5, 8.5, 1.5, 1.5));
      break;
    case ToolbarPicture::FitWidth:
      DrawSheet(painter, QRectF(3.5, 1.5, 11, 15));
      painter.setPen(QPen(Qt::darkBlue, 1.2));
      painter.drawLine(QPointF(1, 9), QPointF(17, 9));
      DrawArrowHead(painter, QPointF(0.5, 9), QPointF(4, 6.5), QPointF(4, 11.5));
      DrawArrowHead(painter, QPointF(17.5, 9), QPointF(14, 6.5), QPointF(14, 11.5));
      break;
    case ToolbarPicture::FitHeight:
      DrawSheet(painter, QRectF(3.5, 1.5, 11, 15));
      painter.setPen(QPen(Qt::darkBlue, 1.2));
      painter.drawLine(QPointF(9, 1), QPointF(9, 17));
      DrawArrowHead(painter, QPointF(9, 0.5), QPointF(6.5, 4), QPointF(11.5, 4));
      DrawArrowHead(painter, QPointF(9, 17.5), QPointF(6.5, 14), QPointF(11.5, 14));
      break;
    case ToolbarPicture::ZoomIn:
      DrawMagnifier(painter, true);
      break;
    case ToolbarPicture::ZoomOut:
      DrawMagnifier(painter, false);
      break;
  }
}

}  // namespace

QIcon ToolbarIcon(ToolbarPicture picture) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  Paint(painter, picture);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace volarin
