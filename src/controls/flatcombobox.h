#pragma once
// A flat drop-down list with the edits' colour states, a drawn three-line border, Enter and
// arrow keys moving the focus, and a drop-down as wide as its widest item.

#include <QComboBox>

#include "controls/colorstates.h"

namespace volarin {

class FlatComboBox : public QComboBox, public ColorStateProperties {
  Q_OBJECT

 public:
  explicit FlatComboBox(QWidget* parent = nullptr);

  void SetColor(uint32_t color);

  // The system's vertical scroll bar width + 2.
  int ButtonWidth() const;
  // The width the list had at its last drop-down; 100 before the first.
  int DroppedWidth() const { return droppedWidth_; }
  // The widest item + 8, plus a scroll bar when the list holds more than it shows at once.
  int ListWidthForItems() const;

  void showPopup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int droppedWidth_ = 100;
};

}  // namespace volarin
