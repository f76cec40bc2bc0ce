#include "controls/hoverspeedbutton.h"

#include <QCoreApplication>

#include "qtcommon/bgrcolor.h"

namespace volarin {

HoverSpeedButton::HoverSpeedButton(QWidget* parent) : QToolButton(parent), enterColor_(kBgrBlue) {
  setAutoRaise(true);
  setFocusPolicy(Qt::NoFocus);
  setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  rememberedColor_ = CaptionColor();
  // Connected first, so it runs before any click handler connected later.
  connect(this, &QAbstractButton::clicked, this, &HoverSpeedButton::TakeFocusBeforeClick);
}

uint32_t HoverSpeedButton::CaptionColor() const {
  return ToBgr(palette().color(QPalette::ButtonText));
}

void HoverSpeedButton::SetCaptionColor(uint32_t color) {
  QPalette colours = palette();
  colours.setColor(QPalette::ButtonText, FromBgr(color));
  setPalette(colours);
}

void HoverSpeedButton::enterEvent(QEnterEvent* event) {
  QToolButton::enterEvent(event);
  if (CaptionColor() != enterColor_) {
    rememberedColor_ = CaptionColor();
    SetCaptionColor(enterColor_);
  }
}

void HoverSpeedButton::leaveEvent(QEvent* event) {
  QToolButton::leaveEvent(event);
  if (CaptionColor() != rememberedColor_) SetCaptionColor(rememberedColor_);
}

void HoverSpeedButton::TakeFocusBeforeClick() {
  if (!focused_ || !parentWidget()) return;
  parentWidget()->setFocus(Qt::OtherFocusReason);
  QCoreApplication::processEvents();
}

}  // namespace volarin
