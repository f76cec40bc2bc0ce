#include "controls/coloredit.h"

#include <QKeyEvent>
#include <QPainter>

#include "controls/controltag.h"
#include "controls/focusmove.h"

namespace volarin {

namespace {

constexpr int kFocusCaret = 100;
constexpr int kBottomRuleTag = 1;

}  // namespace

ColorEdit::ColorEdit(QWidget* parent) : QLineEdit(parent) {
  // No 3-D frame: the edit draws its own one-pixel border.
  setFrame(false);
  setTextMargins(1, 1, 1, 1);
}

void ColorEdit::SetColor(uint32_t color) {
  states_.background = color;
  update();
}

void ColorEdit::SetAlwaysShowBorder(bool on) {
  alwaysShowBorder_ = on;
  update();
}

void ColorEdit::SetTextAlignment(Qt::Alignment alignment) {
  textAlignment_ = alignment;
  setAlignment(alignment | Qt::AlignVCenter);
  update();
}

void ColorEdit::SetPasswordChar(QChar c) {
  passwordChar_ = c;
  setEchoMode(c.isNull() ? QLineEdit::Normal : QLineEdit::Password);
  update();
}

QString ColorEdit::DisplayText() const {
  const QString shown = passwordChar_.isNull() ? text() : QString(text().size(), passwordChar_);
  return QStringLiteral(" ") + shown;
}

void ColorEdit::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  QPainter painter(this);
  const QRect client = rect().adjusted(1, 1, -1, -1);
  painter.fillRect(client, FromBgr(states_.background));

  const QString shown = DisplayText();
  const QFontMetrics metrics(font());
  const int textWidth = metrics.horizontalAdvance(shown);
  int x = client.left();
  if (textAlignment_ & Qt::AlignRight) x = client.right() + 1 - textWidth;
  if (textAlignment_ & Qt::AlignHCenter) x = client.left() + (client.width() - textWidth) / 2;
  const int y = (height() - metrics.height()) / 2;
  if (hasSelectedText()) {
    const int from = metrics.horizontalAdvance(shown.left(1 + selectionStart()));
    const int to = metrics.horizontalAdvance(shown.left(1 + selectionEnd()));
    painter.fillRect(QRect(x + from, y, to - from, metrics.height()),
                     palette().color(QPalette::Highlight));
  }
  // Drawn as plain text, so an "&" shows as itself and never as a mnemonic marker.
  painter.setPen(palette().color(QPalette::Text));
  painter.drawText(QPoint(x, y + metrics.ascent()), shown);
  if (hasFocus()) {
    const int caret = x + metrics.horizontalAdvance(shown.left(1 + cursorPosition()));
    painter.drawLine(caret, y, caret, y + metrics.height() - 1);
  }

  painter.setPen(FromBgr(states_.EditBorder(alwaysShowBorder_)));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (ControlTag(this) == kBottomRuleTag) {
    painter.setPen(FromBgr(states_.border));
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
  }
}

void ColorEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  states_.FocusEntered();
  if (hasSelectedText()) setCursorPosition(std::min<int>(kFocusCaret, text().size()));
  update();
}

void ColorEdit::focusOutEvent(QFocusEvent* event) {
  rememberedCaret_ = cursorPosition();
  QLineEdit::focusOutEvent(event);
  setCursorPosition(std::min<int>(1, text().size()));
  states_.FocusLeft();
  update();
}

void ColorEdit::enterEvent(QEnterEvent* event) {
  QLineEdit::enterEvent(event);
  if (states_.MouseEntered()) update();
}

void ColorEdit::leaveEvent(QEvent* event) {
  QLineEdit::leaveEvent(event);
  if (states_.MouseLeft()) update();
}

void ColorEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
      MoveFocus(this, true);
      event->accept();
      return;
    case Qt::Key_Up:
      MoveFocus(this, false);
      event->accept();
      return;
    default:
      QLineEdit::keyPressEvent(event);
  }
}

}  // namespace volarin
