#include "controls/colordateedit.h"

#include <QLineEdit>
#include <QPainter>

namespace volarin {

namespace {

constexpr uint32_t kIdleColor = 0xDFFFFF;
constexpr int kFocusCaret = 150;

}  // namespace

ColorDateEdit::ColorDateEdit(QWidget* parent) : QDateEdit(parent) {
  setCalendarPopup(true);
  states_.exit = kIdleColor;
  states_.background = kIdleColor;
  ApplyBackground();
}

void ColorDateEdit::ApplyBackground() {
  QPalette colours = palette();
  colours.setColor(QPalette::Base, FromBgr(states_.background));
  setPalette(colours);
  lineEdit()->setPalette(colours);
  update();
}

void ColorDateEdit::SetMOUSEENTERCOLOR(uint32_t color) {
  states_.mouseEnter = color;
  repaint();
}

void ColorDateEdit::SetColor(uint32_t color) {
  states_.background = color;
  ApplyBackground();
}

void ColorDateEdit::SetAlwaysShowBorder(bool on) {
  alwaysShowBorder_ = on;
  update();
}

void ColorDateEdit::paintEvent(QPaintEvent* event) {
  QDateEdit::paintEvent(event);
  QPainter painter(this);
  painter.setPen(FromBgr(states_.EditBorder(alwaysShowBorder_)));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColorDateEdit::focusInEvent(QFocusEvent* event) {
  QDateEdit::focusInEvent(event);
  if (states_.FocusEntered()) ApplyBackground();
  lineEdit()->setCursorPosition(std::min<int>(kFocusCaret, lineEdit()->text().size()));
}

void ColorDateEdit::focusOutEvent(QFocusEvent* event) {
  QDateEdit::focusOutEvent(event);
  if (states_.FocusLeft()) ApplyBackground();
}

void ColorDateEdit::enterEvent(QEnterEvent* event) {
  QDateEdit::enterEvent(event);
  if (states_.MouseEntered()) ApplyBackground();
}

void ColorDateEdit::leaveEvent(QEvent* event) {
  QDateEdit::leaveEvent(event);
  if (states_.MouseLeft()) ApplyBackground();
}

}  // namespace volarin
