#pragma once
// The main window's date edit: a date edit with a calendar pop-up that takes the colour states
// of the edits and redraws its border after every paint, mouse and focus change.

#include <QDateEdit>

#include "controls/colorstates.h"

namespace volarin {

class ColorDateEdit : public QDateEdit, public ColorStateProperties {
  Q_OBJECT

 public:
  explicit ColorDateEdit(QWidget* parent = nullptr);

  // Unlike the other colours, redraws the border at once.
  void SetMOUSEENTERCOLOR(uint32_t color);
  void SetColor(uint32_t color);
  bool AlwaysShowBorder() const { return alwaysShowBorder_; }
  void SetAlwaysShowBorder(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void ApplyBackground();

  bool alwaysShowBorder_ = false;
};

}  // namespace volarin
