#pragma once
// A flat push button in the Office 97 manner: a coloured face that shows a raised edge only
// while the mouse is over it (sunken while pressed), and its own font under the mouse.

#include <QFont>
#include <QPushButton>
#include <cstdint>

namespace volarin {

class FlatPushButton : public QPushButton {
  Q_OBJECT

 public:
  FlatPushButton(const QString& caption, QWidget* parent);

  // Face colour, 0x00BBGGRR.
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t color);
  // The caption's font while the mouse is over the button.
  void SetHotFont(const QFont& font) { hotFont_ = font; }
  const QFont& HotFont() const { return hotFont_; }
  bool Hot() const { return hot_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  uint32_t color_ = 0;
  QFont hotFont_;
  bool hot_ = false;
};

}  // namespace volarin
