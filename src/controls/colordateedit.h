#pragma once
// The main window's date edit: a date edit with a calendar pop-up that takes the colour states
// of the edits and redraws its border after every paint, mouse and focus change.

#include <QDateEdit>

#include "controls/colorstates.h"

namespace volarin {

class ColorDateEdit : public QDateEdit {
  Q_OBJECT

 public:
  explicit ColorDateEdit(QWidget* parent = nullptr);

  uint32_t ENTERCOLOR() const { return states_.enter; }
  void SetENTERCOLOR(uint32_t color) { states_.enter = color; }
  uint32_t EXITCOLOR() const { return states_.exit; }
  void SetEXITCOLOR(uint32_t color) { states_.exit = color; }
  uint32_t MOUSEENTERCOLOR() const { return states_.mouseEnter; }
  // Redraws the border at once.
  void SetMOUSEENTERCOLOR(uint32_t color);
  uint32_t BORDERCOLOR() const { return states_.border; }
  void SetBORDERCOLOR(uint32_t color) { states_.border = color; }

  uint32_t Color() const { return states_.background; }
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

  ColorStates states_;
  bool alwaysShowBorder_ = false;
};

}  // namespace volarin
