#pragma once
// A flat speed button whose caption takes ENTERCOLOR under the mouse, and which hands the
// keyboard focus to its parent before its click runs, so that the input being edited gets
// its focus-left handling first.

#include <QToolButton>

namespace volarin {

class HoverSpeedButton : public QToolButton {
  Q_OBJECT

 public:
  explicit HoverSpeedButton(QWidget* parent = nullptr);

  uint32_t ENTERCOLOR() const { return enterColor_; }
  void SetENTERCOLOR(uint32_t color) { enterColor_ = color; }
  bool Focused() const { return focused_; }
  void SetFocused(bool on) { focused_ = on; }

  // Caption colour, 0x00BBGGRR.
  uint32_t CaptionColor() const;
  void SetCaptionColor(uint32_t color);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void TakeFocusBeforeClick();

  uint32_t enterColor_;
  bool focused_ = true;
  uint32_t rememberedColor_ = 0;
};

}  // namespace volarin
