#include "controls/flatcombobox.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include "controls/focusmove.h"

namespace volarin {

namespace {

constexpr uint32_t kIdleColor = 0xDFFFFF;
// The strip left of the button that the standard label painting may not touch.
constexpr int kButtonClearance = 4;

int ScrollBarWidth(const QWidget* widget) {
  return widget->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, widget);
}

}  // namespace

FlatComboBox::FlatComboBox(QWidget* parent) : QComboBox(parent) {
  states_.exit = kIdleColor;
  states_.background = kIdleColor;
}

void FlatComboBox::SetColor(uint32_t color) {
  states_.background = color;
  update();
}

int FlatComboBox::ButtonWidth() const {
  return ScrollBarWidth(this) + 2;
}

int FlatComboBox::ListWidthForItems() const {
  const QFontMetrics metrics(font());
  int widest = 0;
  for (int i = 0; i < count(); ++i) {
    widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
  }
  int width = widest + 8;
  if (count() > maxVisibleItems()) width += ScrollBarWidth(this);
  return width;
}

void FlatComboBox::showPopup() {
  QComboBox::showPopup();
  droppedWidth_ = ListWidthForItems();
  // Like the system's dropped width, the list is never narrower than the box itself.
  if (QWidget* popup = view()->window(); popup && popup != window()) {
    popup->resize(std::max(popup->width(), droppedWidth_), popup->height());
  }
}

void FlatComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  const QColor background = FromBgr(states_.background);
  painter.fillRect(rect(), background);

  const int buttonWidth = ButtonWidth();
  const QRect button(width() - 1 - buttonWidth, 1, buttonWidth, height() - 2);
  painter.fillRect(button, palette().color(QPalette::Button));
  QStyleOption arrow;
  arrow.initFrom(this);
  arrow.rect = button.adjusted(buttonWidth / 4, height() / 4, -buttonWidth / 4, -height() / 4);
  painter.drawPrimitive(QStyle::PE_IndicatorArrowDown, arrow);

  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.palette.setColor(QPalette::Base, background);
  option.palette.setColor(QPalette::Button, background);
  painter.save();
  painter.setClipRect(QRect(0, 0, button.left() - kButtonClearance, height()));
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  painter.restore();

  // Three nested frames: the outer always in BORDERCOLOR, the middle only under the mouse.
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(FromBgr(states_.border));
  painter.drawRect(frame);
  painter.setPen(states_.background == states_.mouseEnter ? FromBgr(states_.border) : background);
  painter.drawRect(frame.adjusted(1, 1, -1, -1));
  painter.setPen(background);
  painter.drawRect(frame.adjusted(2, 2, -2, -2));
}

void FlatComboBox::focusInEvent(QFocusEvent* event) {
  QComboBox::focusInEvent(event);
  if (states_.FocusEntered()) update();
}

void FlatComboBox::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  if (states_.FocusLeft()) update();
}

void FlatComboBox::enterEvent(QEnterEvent* event) {
  QComboBox::enterEvent(event);
  if (states_.MouseEntered()) update();
}

void FlatComboBox::leaveEvent(QEvent* event) {
  QComboBox::leaveEvent(event);
  if (states_.MouseLeft()) update();
}

void FlatComboBox::keyPressEvent(QKeyEvent* event) {
  const bool listClosed = !view()->isVisible();
  const bool alt = event->modifiers() & Qt::AltModifier;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      MoveFocus(this, true);
      event->accept();
      return;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (listClosed && !alt) {
        MoveFocus(this, event->key() == Qt::Key_Down);
        event->accept();
        return;
      }
      break;
    default:
      break;
  }
  QComboBox::keyPressEvent(event);
}

}  // namespace volarin
